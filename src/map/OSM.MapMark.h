#pragma once

#include "OSM.SlippyMapUtils.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <memory>

enum class TMapMarkGlyphShape : uint8_t { gshCircle, gshSquare, gshTriangle };

struct TMapMarkGlyphStyle
{
    TMapMarkGlyphShape Shape = TMapMarkGlyphShape::gshCircle;
    uint32_t Size = 20;
    QColor BorderColor = Qt::black;
    QColor BgColor = QColor(166, 202, 240);
};

struct TMapMarkCaptionStyle
{
    QColor Color = Qt::black;
    QColor BgColor = Qt::white;
    int DX = 3;
    int DY = 0;
    bool Transparent = true;
};

// Which of a mark's own style fields override the map's defaults.
enum TMapMarkCustomProp : unsigned {
    propGlyphStyle = 1,
    propCaptionStyle = 2,
    propFont = 4,
};
using TMapMarkCustomProps = unsigned;

// A point mark on the map; owned by the map's mark list.
class TMapMark
{
public:
    TGeoPoint Coord;
    QString Caption; // empty: no caption
    bool Visible = false;
    void *Data = nullptr; // the owner's
    uint8_t Layer = 0;
    TMapMarkCustomProps CustomProps = 0;
    TMapMarkGlyphStyle GlyphStyle;
    TMapMarkCaptionStyle CaptionStyle;
    std::unique_ptr<QFont> CaptionFont; // used with propFont
    int Width = 0;  // size in pixels for the owner's hit tests
    int Height = 0;
};
