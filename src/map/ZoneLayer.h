#pragma once

#include "MapLayer.h"
#include "ZoneHit.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TZoneInfo;

// The owner's geozones (not owned): circles and polygons in their colours,
// the one open for editing with a thicker pen, its centre and node handles.
class TZoneLayer : public TMapLayer
{
public:
    using TOnError = std::function<void(const QString &Text)>;

    // Null: none drawn.
    void SetZones(std::vector<std::unique_ptr<TZoneInfo>> *Zones);
    std::vector<std::unique_ptr<TZoneInfo>> *Zones() const { return FZones; }
    // The visible zone open for editing now, looked up afresh.
    TZoneInfo *EditedZone() const;

    void Paint(QPainter &Canvas, const TMapView &View) override;
    // Whether the point lies on or in a visible zone.
    bool HitTest(const QPoint &ViewPt, const TMapView &View) const override;

    // Where a view point lies on the zone.
    TZoneHit HitAt(const QPoint &ViewPt, const TZoneInfo *Zone, const TMapView &View) const;
    // The visible zones a view point hits, in list order.
    std::vector<TZoneInfo *> ZonesAt(const QPoint &ViewPt, const TMapView &View) const;
    static int RadiusPx(const TZoneInfo &Zone, const TMapView &View);
    // The part of the view that the zone's drawing covers now; with Node >= 0
    // only what a move of that polygon node changes (its two edges, its
    // handle and the centre mark). The whole view when a point is off the map.
    static QRegion ViewArea(const TZoneInfo &Zone, const TMapView &View, int Node = -1);

    // How far a zone's drawing reaches beyond its lines and nodes: half the
    // edited pen, a node handle and the antialiasing.
    static constexpr int PaintMargin = 10;

    // Zones that cannot be drawn or tested are reported here.
    TOnError OnError;

private:
    void DrawZone(QPainter &Canvas, const TMapView &View, TZoneInfo &Zone) const;
    void Error(const QString &Text) const;

    std::vector<std::unique_ptr<TZoneInfo>> *FZones = nullptr;
};
