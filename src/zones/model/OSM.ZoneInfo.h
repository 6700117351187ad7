#pragma once

// A geozone that the user defines and the service watches: a circle (centre
// and radius) or a polygon (nodes, closed from the last back to the first),
// with its derived bounds, area and perimeter and its wire forms.

#include "OSM.SlippyMapUtils.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class TZoneGeom
{
public:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    // Circle centre; for a polygon the middle of its bounding rectangle.
    TGeoPoint center;
    // Circle radius in metres.
    double radius = NaN;
    // Polygon nodes in order.
    QList<TGeoPoint> nodes;

    bool HasCenter() const { return !std::isnan(center.Long) && !std::isnan(center.Lat); }
    void Assign(const TZoneGeom &other) { *this = other; }

    // Type 1: {"center":[lon,lat],"radius":r}; type 2: [[lon,lat],...].
    // Throws std::runtime_error for any other type, so that a zone of an
    // unsupported type is never sent.
    QString ToJsonString(int TypeId) const;
};

class TZoneInfo
{
public:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    static constexpr int Circle = 1;
    static constexpr int Poligon = 2;

    TZoneInfo() = default;
    TZoneInfo(int32_t aUid, int32_t aType) : uid(aUid), type_id(aType) {}
    // Copies take the computed fields along (they follow from the geometry),
    // so copying needs nothing beyond this header: track points copy their
    // zones without linking the zone subsystem.
    TZoneInfo(const TZoneInfo &) = default;
    TZoneInfo &operator=(const TZoneInfo &) = default;

    // Copies every field but the computed ones, then recomputes them.
    void Assign(const TZoneInfo &other);

    bool HasRect() const;
    // Recomputes rect, area, perimeter and, for a polygon, geom.center.
    void UpdateRect();

    // Form body for creating and updating the zone; every part ends with "&".
    // Throws like TZoneGeom::ToJsonString for an unsupported type.
    QString ToUrlString() const;

    // "#RRGGBB" of a colour value that holds red in its low byte.
    static QString ColorToText(uint32_t aColor);
    // The service's "#RRGGBB" as a colour value; black, empty or unreadable
    // text gives pure red.
    static uint32_t ColorFromText(const QString &aText);

    int32_t uid = 0;
    uint32_t vid = 0;
    int32_t type_id = 0;
    uint32_t user_id = 0;
    QString name;
    QString desc;
    TZoneGeom geom;
    uint32_t color = 0x0000FF;
    double del_dt = NaN;
    bool visible = false;
    bool edited = false;
    double perimeter = NaN;
    double area = NaN;
    TGeoRect rect;
};

// A list that owns its zones.
using TZoneList = std::vector<std::unique_ptr<TZoneInfo>>;

inline TZoneList CopyZoneList(const TZoneList &src)
{
    TZoneList dst;
    dst.reserve(src.size());
    for (const auto &z : src)
        dst.push_back(std::make_unique<TZoneInfo>(*z));
    return dst;
}
