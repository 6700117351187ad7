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
    // Only what meets the region being repainted is drawn: while a node is
    // dragged that is a small patch around it, which the other zones and the
    // edited zone's other edges and handles do not reach. The pieces drawn are
    // the same calls as in a full paint, so the pixels are the same.
    const QRegion &dirty = PaintRegion();
    const bool everything = dirty.isEmpty();
    auto meets = [&](const QRect &r) {
        return everything
            || dirty.intersects(r.normalized().adjusted(-ZonePaintMargin, -ZonePaintMargin, ZonePaintMargin, ZonePaintMargin));
    };
    const bool edited = Zone.edited;
    const QPen pen(ColorOfTColor(Zone.color), edited ? 6 : 3);
    Canvas.setPen(pen);
    Canvas.setBrush(Qt::NoBrush);
    QPoint c;
    const bool hasCenter = Zone.geom.HasCenter();
    if (hasCenter) {
        c = GeoPointToInnerPoint(Zone.geom.center);
        const QRect dot(c - QPoint(3, 3), c + QPoint(3, 3));
        if (edited && meets(dot))
            Canvas.drawEllipse(dot);
    }
    if (Zone.type_id == TZoneInfo::Circle) {
        if (hasCenter && !std::isnan(Zone.geom.radius)) {
            const int r = ZoneRadiusPx(Zone);
            if (meets(QRect(c - QPoint(r, r), c + QPoint(r, r))))
                Canvas.drawEllipse(c, r, r);
        }
    } else if (Zone.type_id == TZoneInfo::Poligon) {
        const auto &nodes = Zone.geom.nodes;
        QPolygon pts;
        pts.reserve(nodes.size());
        for (const TGeoPoint &n : nodes)
            pts << GeoPointToInnerPoint(n);
        if (!meets(pts.boundingRect()))
            return;
        const QPainterPathStroker stroker(pen);
        for (int i = 0; i < pts.size(); ++i) {
            const QPoint &a = pts[i], &b = pts[i == 0 ? pts.size() - 1 : i - 1];
            if (meets(QRect(a, b))) {
                // The pen's outline filled, not a drawn line: the raster
                // engine cuts a drawn line at the clip before shading it, so
                // a patch repainted during a drag would differ by a shade
                // from the full paint around it. A filled outline does not.
                QPainterPath edge(a);
                edge.lineTo(b);
                Canvas.fillPath(stroker.createStroke(edge), pen.brush());
            }
        }
        if (edited)
            for (const QPoint &p : std::as_const(pts)) {
                const QRect handle(p - QPoint(3, 3), p + QPoint(3, 3));
                if (meets(handle))
                    Canvas.drawEllipse(handle);
            }
    }
}

QRegion TZtMapControl::ZoneViewArea(const TZoneInfo &Zone, int Node) const
{
    auto grow = [](const QRect &r) {
        return r.normalized().adjusted(-ZonePaintMargin, -ZonePaintMargin, ZonePaintMargin, ZonePaintMargin);
    };
    try {
        QRegion area;
        if (Zone.geom.HasCenter()) {
            const QPoint c = GeoPointToInnerPoint(Zone.geom.center);
            area += grow(QRect(c - QPoint(3, 3), c + QPoint(3, 3)));
            if (Zone.type_id == TZoneInfo::Circle && !std::isnan(Zone.geom.radius)) {
                const int r = ZoneRadiusPx(Zone);
                area += grow(QRect(c - QPoint(r, r), c + QPoint(r, r)));
            }
        }
        const auto &nodes = Zone.geom.nodes;
        const int n = int(nodes.size());
        if (Zone.type_id == TZoneInfo::Poligon && n > 0) {
            if (Node >= 0 && Node < n) {
                const QPoint p = GeoPointToInnerPoint(nodes[Node]);
                area += grow(QRect(p, GeoPointToInnerPoint(nodes[(Node + n - 1) % n])));
                area += grow(QRect(p, GeoPointToInnerPoint(nodes[(Node + 1) % n])));
            } else {
                QPolygon pts;
                pts.reserve(n);
                for (const TGeoPoint &g : nodes)
                    pts << GeoPointToInnerPoint(g);
                area += grow(pts.boundingRect());
            }
        }
        return area;
    } catch (const std::exception &) {
        return QRegion(viewport()->rect());
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
