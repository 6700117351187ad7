#include "TrackLayer.h"

#include "OSM.GeoTrack.h"
#include "OSM.TrackGlyphs.h"

#include <QPainter>

#include <cmath>

TTrackLayer::TTrackLayer() = default;
TTrackLayer::~TTrackLayer() = default;

void TTrackLayer::Paint(QPainter &Canvas, const TMapView &View)
{
    FCaches.resize(FTracks.size());
    FTiles.resize(FTracks.size());
    for (size_t i = 0; i < FTracks.size(); ++i) {
        TGeoTrack *t = FTracks[i].get();
        if (!t || !t->Visible() || !View.VisibleLayers.test(t->Layer()))
            FCaches[i].SetPainted(QPoint(), QRect()); // not shown: its points lose their positions
        else
            DrawTrack(Canvas, View, *t, FCaches[i], FTiles[i]);
    }
}

void TTrackLayer::DrawTrack(QPainter &Canvas, const TMapView &View, TGeoTrack &Track, TTrackScreenCache &Cache,
                            TTrackLayerTiles &Tiles)
{
    Cache.Update(Track, View.Zoom);
    const TGeoTrackStyle &st = Track.Style();
    const QPoint off = View.Rect.topLeft();
    const int margin = std::max(st.PointSize, 1) + st.LineWidth + 2;
    Cache.SetPainted(off, View.ViewArea().adjusted(-margin, -margin, margin, margin));
    Canvas.save();
    if (Canvas.device()->devicePixelRatioF() == 1)
        Tiles.Paint(Canvas, Track, Cache, off, View.Size());
    else
        DrawTrackAtDevicePixels(Canvas, View, Track, Cache, margin);
    Canvas.restore();
}

void TTrackLayer::DrawTrackAtDevicePixels(QPainter &Canvas, const TMapView &View, const TGeoTrack &Track,
                                          const TTrackScreenCache &Cache, int Margin)
{
    // The kept tiles hold pixels of the map; on a high-density screen the
    // line and the glyphs are drawn in place at the device's pixels instead,
    // in the same order (the line, then every glyph).
    const QPoint Offset = View.Rect.topLeft();
    const TGeoTrackStyle &st = Track.Style();
    const QRect area = View.ViewArea().adjusted(-Margin, -Margin, Margin, Margin);
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

void TTrackLayer::Invalidate()
{
    for (auto &c : FCaches)
        c.Reset();
    Changed();
}

void TTrackLayer::UpdateMapPoints()
{
    for (size_t i = 0; i < FTracks.size() && i < FCaches.size(); ++i)
        if (FTracks[i])
            FCaches[i].SyncMapPoints(*FTracks[i]);
}

std::vector<TTrackPointInfo *> TTrackLayer::PointsAt(const QPoint &ViewPt) const
{
    std::vector<TTrackPointInfo *> hits;
    for (size_t t = 0; t < FTracks.size() && t < FCaches.size(); ++t) {
        if (!FTracks[t])
            continue;
        const auto &pts = FTracks[t]->Points();
        const double reach = FTracks[t]->Style().PointSize / 2;
        // Only points of the last paint carry a position.
        const auto &painted = FCaches[t].Painted();
        for (auto it = painted.rbegin(); it != painted.rend(); ++it) {
            if (*it >= pts.size())
                continue;
            TTrackPointInfo *tp = pts[*it].get();
            if (tp->MapPoint.isNull())
                continue;
            if (std::hypot(double(tp->MapPoint.x() - ViewPt.x()), double(tp->MapPoint.y() - ViewPt.y())) < reach) {
                hits.push_back(tp);
                break;
            }
        }
    }
    return hits;
}
