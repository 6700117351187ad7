#include "MarkerLayer.h"

#include "OSM.MapMarkList.h"
#include "OSM.ObjectInfo.h"
#include "ZtDates.h"
#include "OSM.TrackGlyphs.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

void TMarkerLayer::SetMarkerImages(const QList<QImage> &Images)
{
    FMarkerImages = Images;
    Changed();
}

void TMarkerLayer::Paint(QPainter &Canvas, const TMapView &View)
{
    if (FMarks.Count() > 0) {
        // The view limited to the map.
        const QRect &v = View.Rect;
        const qint64 size = View.MapPixels();
        TGeoRect geo;
        bool inside = true;
        try {
            geo = TGeoRect{View.MapToGeo(v.topLeft()),
                           View.MapToGeo(QPoint(int(std::min<qint64>(v.left() + v.width(), size)),
                                                int(std::min<qint64>(v.top() + v.height(), size))))};
        } catch (const std::exception &) {
            inside = false;
        }
        if (inside)
            for (int i = FMarks.Find(geo, false, -1); i >= 0; i = FMarks.Find(geo, false, i))
                DrawMark(Canvas, View, FMarks.Get(i));
    }
    FTails.EndPaint(); // the marks, and with them the tails, are drawn by now
    FMarkerSprites.EndPaint();
}

void TMarkerLayer::DrawMark(QPainter &Canvas, const TMapView &View, TMapMark *Mark)
{
    if (!Mark->Visible || !View.VisibleLayers.test(Mark->Layer))
        return;
    QPoint pt;
    try {
        pt = View.GeoToView(Mark->Coord);
    } catch (const std::exception &) {
        return;
    }
    if (OnDrawMark) {
        bool handled = false;
        OnDrawMark(Canvas, pt, Mark, handled);
        if (handled || !Mark->Visible)
            return;
    }
    if (!DrawObjectMarker(Canvas, View, pt, Mark))
        DrawGlyph(Canvas, pt, Mark);
}

TObjectInfo *TMarkerLayer::MarkObject(const TMapMark *Mark)
{
    // Data is the owner's cell holding the object, so the marker always
    // reaches the row's current object.
    return Mark && Mark->Data ? *static_cast<TObjectInfo *const *>(Mark->Data) : nullptr;
}

bool TMarkerLayer::DrawObjectMarker(QPainter &Canvas, const TMapView &View, const QPoint &Point, TMapMark *Mark)
{
    if (FMarkerImages.size() < 2 || !Mark->Data)
        return false; // the mark's own glyph
    TObjectInfo *obj = MarkObject(Mark);
    if (!obj)
        return false;
    // Pin, photo and name label come drawn in one sprite.
    const TMarkerSprites::Sprite &sprite = FMarkerSprites.Get(*obj, FMarkerImages, Canvas.device()->devicePixelRatioF());
    Canvas.drawImage(Point + sprite.origin, sprite.image);

    // The tail: from the marker back through the recent points.
    if (obj->tail.size() > 1) {
        QVector<QPoint> line{Point};
        for (int i = int(obj->tail.size()) - 2; i >= 0; --i) {
            const TTrackPointInfo &tp = *obj->tail[size_t(i)];
            if (!tp.HasLatLon())
                continue;
            try {
                line << View.GeoToView(tp.GeoPoint());
            } catch (const std::exception &) {
                // a point off the map is left out
            }
        }
        FTails.Draw(Canvas, line, ColorOfTColor(obj->track_color));
    }
    Mark->Width = sprite.icon.width();
    Mark->Height = sprite.icon.height();
    return true;
}

void TMarkerLayer::DrawGlyph(QPainter &Canvas, const QPoint &pt, TMapMark *Mark)
{
    const TMapMarkGlyphStyle &gs = (Mark->CustomProps & propGlyphStyle) ? Mark->GlyphStyle : GlyphStyle;
    const int size = int(gs.Size);
    const QRect g(pt - QPoint(size / 2, size / 2), QSize(size, size));
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, gs.Shape != TMapMarkGlyphShape::gshSquare);
    Canvas.setPen(gs.BorderColor);
    Canvas.setBrush(gs.BgColor);
    switch (gs.Shape) {
    case TMapMarkGlyphShape::gshCircle:
        Canvas.drawEllipse(g);
        break;
    case TMapMarkGlyphShape::gshSquare:
        Canvas.drawRect(g);
        break;
    case TMapMarkGlyphShape::gshTriangle: {
        const QPoint tri[3] = {QPoint(g.left(), g.bottom()), QPoint(g.left() + g.width() / 2, g.top()),
                               QPoint(g.right(), g.bottom())};
        Canvas.drawPolygon(tri, 3);
        break;
    }
    }
    if (!Mark->Caption.isEmpty()) {
        const TMapMarkCaptionStyle &cs = (Mark->CustomProps & propCaptionStyle) ? Mark->CaptionStyle : CaptionStyle;
        const QFont font = (Mark->CustomProps & propFont) && Mark->CaptionFont ? *Mark->CaptionFont : CaptionFont;
        Canvas.setFont(font);
        const QFontMetrics fm(font);
        const QRect textRect(QPoint(g.right() + 1 + cs.DX, g.top() + cs.DY), fm.size(0, Mark->Caption));
        if (!cs.Transparent)
            Canvas.fillRect(textRect, cs.BgColor);
        Canvas.setPen(cs.Color);
        Canvas.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, Mark->Caption);
    }
    Canvas.restore();
}

TMapMark *TMarkerLayer::MarkAt(const QPoint &ViewPt, const TMapView &View) const
{
    for (int i = 0; i < FMarks.Count(); ++i) {
        TMapMark *m = FMarks.Get(i);
        QPoint p;
        try {
            p = View.GeoToView(m->Coord);
        } catch (const std::exception &) {
            continue;
        }
        // The pin stands on its point: 32 pixels wide, 48 high.
        if (p.x() - 16 <= ViewPt.x() && ViewPt.x() < p.x() + 16 && p.y() - 48 <= ViewPt.y() && ViewPt.y() < p.y())
            return m;
    }
    return nullptr;
}

QString TMarkerLayer::ToolTipAt(const QPoint &ViewPt, const TMapView &View) const
{
    const TObjectInfo *obj = MarkObject(MarkAt(ViewPt, View));
    return obj ? MarkerToolTip(*obj) : QString();
}

QString TMarkerLayer::MarkerToolTip(const TObjectInfo &Obj)
{
    QString text = Obj.name;
    const double dt = Obj.last_point ? Obj.last_point->sys_dt : NoDateTime;
    if (!std::isnan(dt) && dt != 0)
        text += u'\n' + FormatDateTimeDef(QString(), dt);
    return text;
}

QList<QImage> TMarkerLayer::DefaultMarkerImages()
{
    // A pin 32 x 48 with its tip 4 pixels above the bottom centre; the second
    // has a round window at the top through which the photo shows.
    // Drawn at the screens' highest pixel density, so that they stay sharp there.
    const qreal dpr = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QList<QImage> images;
    for (int withPhoto = 0; withPhoto < 2; ++withPhoto) {
        QImage img(QSize(32, 48) * dpr, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath pin;
        pin.moveTo(16, 44);
        pin.cubicTo(10, 35, 1, 28, 1, 16);
        pin.arcTo(QRectF(1, 1, 30, 30), 180, -180);
        pin.cubicTo(31, 28, 22, 35, 16, 44);
        p.setPen(QPen(QColor(40, 40, 40), 1.5));
        p.setBrush(withPhoto ? QColor(30, 110, 200) : QColor(220, 50, 40));
        p.drawPath(pin);
        p.setPen(Qt::NoPen);
        if (withPhoto) {
            // A hole: the photo is drawn first and shows through it.
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            p.drawEllipse(QRectF(3, 3, 26, 26));
        } else {
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(10, 10, 12, 12));
        }
        images << img;
    }
    return images;
}
