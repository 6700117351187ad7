#pragma once

#include "MapLayer.h"
#include "OSM.MapMark.h"
#include "OSM.MarkerSprites.h"
#include "OSM.TailSprites.h"

#include <QFont>
#include <QImage>
#include <QList>

#include <functional>

class TMapMarkList;
class TObjectInfo;

// The map's marks in list order: an object's marker (pin, photo and name in
// one sprite, with its tail of recent points) where the mark carries an
// object and marker images are set, the mark's own glyph and caption
// otherwise. Finds the marker under a view point and its tooltip.
class TMarkerLayer : public TMapLayer
{
public:
    // A mark drawn by the owner instead: set Handled.
    using TOnDrawMark = std::function<void(QPainter &Canvas, const QPoint &Point, TMapMark *Mark, bool &Handled)>;

    explicit TMarkerLayer(TMapMarkList &Marks) : FMarks(Marks) {}

    void Paint(QPainter &Canvas, const TMapView &View) override;
    bool HitTest(const QPoint &ViewPt, const TMapView &View) const override { return MarkAt(ViewPt, View); }

    // Image 0: plain marker; image 1: marker with a round photo window.
    void SetMarkerImages(const QList<QImage> &Images);
    const QList<QImage> &MarkerImages() const { return FMarkerImages; }
    // A pair of marker images drawn by the program, for owners without their own.
    static QList<QImage> DefaultMarkerImages();

    // The first mark, in list order, whose pin covers the view point, or null.
    TMapMark *MarkAt(const QPoint &ViewPt, const TMapView &View) const;
    // The object a mark stands for, or null.
    static TObjectInfo *MarkObject(const TMapMark *Mark);
    // The tooltip of the marker under a view point: empty where none.
    QString ToolTipAt(const QPoint &ViewPt, const TMapView &View) const;
    static QString MarkerToolTip(const TObjectInfo &Obj);

    // Styles of marks without their own.
    TMapMarkGlyphStyle GlyphStyle;
    TMapMarkCaptionStyle CaptionStyle;
    QFont CaptionFont;
    TOnDrawMark OnDrawMark;

private:
    void DrawMark(QPainter &Canvas, const TMapView &View, TMapMark *Mark);
    // False where the mark is no object's marker.
    bool DrawObjectMarker(QPainter &Canvas, const TMapView &View, const QPoint &Point, TMapMark *Mark);
    void DrawGlyph(QPainter &Canvas, const QPoint &Point, TMapMark *Mark);

    TMapMarkList &FMarks;
    QList<QImage> FMarkerImages;
    TTailSprites FTails;
    TMarkerSprites FMarkerSprites;
};
