// TZtMapControl: painting zones, tracks and object markers.
#include "OSM.ZtMapControl.h"

#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackGlyphs.h"
#include "OSM.TrackLayerTiles.h"
#include "OSM.ZoneInfo.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

int TZtMapControl::ZoneRadiusPx(const TZoneInfo &Zone) const
{
    const double mpp = MetersPerPixel[std::clamp(Zoom(), 0, int(MaxZoomLevel))];
    return int(std::trunc(Zone.geom.radius / mpp / std::cos(Zone.geom.center.Lat * M_PI / 180)));
}

void TZtMapControl::PaintBelowMarks(QPainter &Canvas, const QRect &)
{
    FEditedZone = nullptr;
    if (!FGeoZones)
        return;
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, true);
    for (auto &z : *FGeoZones) {
        if (!z || !z->visible)
            continue;
        if (z->edited)
            FEditedZone = z.get();
        try {
            DrawZone(Canvas, *z);
        } catch (const std::exception &e) {
            Log(QStringLiteral("\rX: zone %1: %2").arg(z->uid).arg(QString::fromUtf8(e.what())));
        }
    }
    Canvas.restore();
}

void TZtMapControl::DrawZone(QPainter &Canvas, TZoneInfo &Zone)
{
    const bool edited = Zone.edited;
    Canvas.setPen(QPen(ColorOfTColor(Zone.color), edited ? 6 : 3));
    Canvas.setBrush(Qt::NoBrush);
    QPoint c;
    const bool hasCenter = Zone.geom.HasCenter();
    if (hasCenter) {
        c = GeoPointToInnerPoint(Zone.geom.center);
        if (edited)
            Canvas.drawEllipse(QRect(c - QPoint(3, 3), c + QPoint(3, 3)));
    }
    if (Zone.type_id == TZoneInfo::Circle) {
        if (hasCenter && !std::isnan(Zone.geom.radius)) {
            const int r = ZoneRadiusPx(Zone);
            Canvas.drawEllipse(c, r, r);
        }
    } else if (Zone.type_id == TZoneInfo::Poligon) {
        const auto &nodes = Zone.geom.nodes;
        QVector<QPoint> pts;
        pts.reserve(nodes.size());
        for (const TGeoPoint &n : nodes)
            pts << GeoPointToInnerPoint(n);
        for (int i = 0; i < pts.size(); ++i)
            Canvas.drawLine(pts[i], pts[i == 0 ? pts.size() - 1 : i - 1]);
        if (edited)
            for (const QPoint &p : pts)
                Canvas.drawEllipse(QRect(p - QPoint(3, 3), p + QPoint(3, 3)));
    }
}

void TZtMapControl::PaintAboveMarks(QPainter &Canvas, const QRect &)
{
    FTrackCaches.resize(FGeoTracks.size());
    FTrackTiles.resize(FGeoTracks.size());
    for (size_t i = 0; i < FGeoTracks.size(); ++i) {
        TGeoTrack *t = FGeoTracks[i].get();
        if (!t || !t->Visible() || !VisibleLayers().test(t->Layer()))
            FTrackCaches[i].SetPainted(QPoint(), QRect()); // not shown: its points lose their positions
        else
            DrawTrack(Canvas, *t, FTrackCaches[i], FTrackTiles[i]);
    }
    FTails.EndPaint(); // the marks, and with them the tails, are drawn by now
    FMarkerSprites.EndPaint();
}

void TZtMapControl::DrawTrack(QPainter &Canvas, TGeoTrack &Track, TTrackScreenCache &Cache, TTrackLayerTiles &Tiles)
{
    Cache.Update(Track, Zoom());
    const TGeoTrackStyle &st = Track.Style();
    const QPoint off = ViewRect().topLeft();
    const int margin = std::max(st.PointSize, 1) + st.LineWidth + 2;
    Cache.SetPainted(off, viewport()->rect().adjusted(-margin, -margin, margin, margin));
    Canvas.save();
    if (Canvas.device()->devicePixelRatioF() == 1)
        Tiles.Paint(Canvas, Track, Cache, off, viewport()->size());
    else
        DrawTrackAtDevicePixels(Canvas, Track, Cache, off, margin);
    Canvas.restore();
}

void TZtMapControl::DrawTrackAtDevicePixels(QPainter &Canvas, const TGeoTrack &Track, const TTrackScreenCache &Cache,
                                            const QPoint &Offset, int Margin)
{
    // The kept tiles hold pixels of the map; on a high-density screen the
    // line and the glyphs are drawn in place at the device's pixels instead,
    // in the same order (the line, then every glyph).
    const TGeoTrackStyle &st = Track.Style();
    const QRect area = viewport()->rect().adjusted(-Margin, -Margin, Margin, Margin);
    const auto &px = Cache.MapPixels();
    QVector<QLine> lines;
    for (const TTrackScreenCache::Segment &seg : Cache.Segments()) {
        const QPoint a = px[seg.a] - Offset, b = px[seg.b] - Offset;
        if (std::max(a.x(), b.x()) >= area.left() && std::min(a.x(), b.x()) <= area.right()
            && std::max(a.y(), b.y()) >= area.top() && std::min(a.y(), b.y()) <= area.bottom())
            lines << QLine(a, b);
    }
    Canvas.setRenderHint(QPainter::Antialiasing, false);
    Canvas.setPen(QPen(ColorOfTColor(st.LineColor), std::max(st.LineWidth, 1)));
    Canvas.drawLines(lines);
    const int s = std::max(st.PointSize, 1) / 2;
    const auto &pts = Track.Points();
    for (const TTrackScreenCache::Glyph &gl : Cache.Glyphs()) {
        const QPoint p = px[gl.index] - Offset;
        if (area.contains(p) && gl.index < pts.size())
            DrawGlyph(Canvas, TrackGlyphKey(st, *pts[gl.index], gl.kind), p - QPoint(s, s));
    }
}

void TZtMapControl::UpdateMapPoints()
{
    for (size_t i = 0; i < FGeoTracks.size() && i < FTrackCaches.size(); ++i)
        if (FGeoTracks[i])
            FTrackCaches[i].SyncMapPoints(*FGeoTracks[i]);
}

void TZtMapControl::DrawMarker(QPainter &Canvas, const QPoint &Point, TMapMark *Mark, bool &Handled)
{
    if (FMarkerImages.size() < 2 || !Mark->Data)
        return; // the map's own glyph
    // Data is the owner's cell holding the object, so the marker always
    // reaches the row's current object.
    TObjectInfo *obj = *static_cast<TObjectInfo *const *>(Mark->Data);
    if (!obj)
        return;
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
                line << GeoPointToInnerPoint(tp.GeoPoint());
            } catch (const std::exception &) {
                // a point off the map is left out
            }
        }
        FTails.Draw(Canvas, line, ColorOfTColor(obj->track_color));
    }
    Mark->Width = sprite.icon.width();
    Mark->Height = sprite.icon.height();
    Handled = true;
}
