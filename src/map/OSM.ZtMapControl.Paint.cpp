// TZtMapControl: painting zones, tracks and object markers.
#include "OSM.ZtMapControl.h"

#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QColor ColorOf(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

int RoundEven(double v)
{
    return int(std::nearbyint(v)); // the default rounding mode: ties to even
}

// Glyphs of track points are small and many: each look is drawn once into a
// sprite and then copied. Drawing is unantialiased, so a sprite copy gives the
// same pixels as drawing in place.
struct GlyphKey
{
    uint32_t pen, fill;
    int8_t kind, dx, dy, h1x, h1y, h2x, h2y;
    int16_t size;
    friend bool operator==(const GlyphKey &, const GlyphKey &) = default;
};

size_t qHash(const GlyphKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.pen, k.fill, k.kind, k.dx, k.dy, k.h1x, k.h1y, k.h2x, k.h2y, k.size);
}

enum GlyphKind : int8_t { GlyphPoint, GlyphParking, GlyphEvent };

// Draws a glyph with its square's top-left at TL (the point minus PointSize div 2).
void DrawGlyph(QPainter &p, const GlyphKey &k, const QPoint &TL)
{
    const int size = k.size, s = size / 2;
    const int left = TL.x(), top = TL.y(), right = left + size, bottom = top + size;
    switch (k.kind) {
    case GlyphParking: {
        p.setPen(QPen(ColorOf(k.pen), 2));
        p.setBrush(QColor(0, 0, 255));
        p.drawRect(QRect(left, top, size, size));
        p.setPen(QPen(Qt::white, 2));
        const QPoint letter[] = {QPoint(left + 5, bottom - 4), QPoint(left + 5, top + 4), QPoint(right - 6, top + 4),
                                 QPoint(right - 5, top + 5),   QPoint(right - 5, top + s), QPoint(right - 6, top + s + 1),
                                 QPoint(left + 5, top + s + 1)};
        p.drawPolyline(letter, 7);
        break;
    }
    case GlyphEvent: {
        p.setPen(QPen(QColor(255, 0, 0), 1));
        p.setBrush(QColor(255, 0, 0));
        const QPoint tri[] = {QPoint(left, bottom), QPoint(right, bottom), QPoint(left + s, top)};
        p.drawPolygon(tri, 3);
        p.fillRect(QRect(QPoint(left + s - 1, top + 6), QPoint(left + s + 1, bottom - 6)), Qt::white);
        p.fillRect(QRect(QPoint(left + s - 1, bottom - 3), QPoint(left + s + 1, bottom - 2)), Qt::white);
        break;
    }
    default: {
        p.setPen(QPen(ColorOf(k.pen), 2));
        p.setBrush(ColorOf(k.fill));
        p.drawEllipse(QRect(left, top, size, size));
        if (k.dx != 0 || k.dy != 0 || k.h1x != 0 || k.h1y != 0) {
            const QPoint c(left + s, top + s);
            const QPoint a = c + QPoint(-k.dx, k.dy), b = c + QPoint(k.dx, -k.dy);
            p.drawLine(a, b);
            p.drawLine(b, b + QPoint(k.h1x, k.h1y));
            p.drawLine(b, b + QPoint(k.h2x, k.h2y));
        }
        break;
    }
    }
}

class GlyphSprites
{
public:
    void Draw(QPainter &p, const GlyphKey &k, const QPoint &TL)
    {
        const int pad = 4;
        auto it = fSprites.constFind(k);
        if (it == fSprites.constEnd()) {
            QImage img(k.size + 2 * pad + 1, k.size + 2 * pad + 1, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            QPainter sp(&img);
            DrawGlyph(sp, k, QPoint(pad, pad));
            sp.end();
            if (fSprites.size() > 4096)
                fSprites.clear();
            it = fSprites.insert(k, img);
        }
        p.drawImage(TL - QPoint(pad, pad), *it);
    }

private:
    QHash<GlyphKey, QImage> fSprites;
};

GlyphSprites &Sprites()
{
    static GlyphSprites sprites; // user-interface thread only
    return sprites;
}

} // namespace

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
    Canvas.setPen(QPen(ColorOf(Zone.color), edited ? 6 : 3));
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
    for (size_t i = 0; i < FGeoTracks.size(); ++i) {
        TGeoTrack *t = FGeoTracks[i].get();
        if (!t || !t->Visible() || !VisibleLayers().test(t->Layer()))
            continue;
        DrawTrack(Canvas, *t, FTrackCaches[i]);
    }
}

void TZtMapControl::DrawTrack(QPainter &Canvas, TGeoTrack &Track, TTrackScreenCache &Cache)
{
    auto &pts = Track.Points();
    const TGeoTrackStyle &st = Track.Style();
    Cache.Update(Track, Zoom());
    const std::vector<QPoint> &px = Cache.MapPixels();
    const QPoint off = ViewRect().topLeft();
    const int size = std::max(st.PointSize, 1), s = size / 2;
    const int margin = size + st.LineWidth + 2;
    const QRect area = viewport()->rect().adjusted(-margin, -margin, margin, margin);

    // Points painted last time lose their position unless painted again, so
    // the click test never finds a point where it is no longer shown.
    for (uint32_t idx : Cache.Painted)
        if (idx < pts.size())
            pts[idx]->MapPoint = QPoint();
    Cache.Painted.clear();

    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, false);

    // Line pass. A parking run is entered at its first point and left from
    // there; consecutive points on one pixel give one vertex, and segments
    // wholly beside the view are skipped.
    // A wide line is drawn as one-pixel lines shifted across its width,
    // horizontally and vertically: the result is the line swept by a square
    // pen, and one-pixel lines avoid the stroker, which dominates the cost of
    // a long track.
    Canvas.setPen(QPen(ColorOf(st.LineColor), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    Canvas.setBrush(Qt::NoBrush);
    const int lw = std::max(st.LineWidth, 1);
    QVector<QPoint> offsets{QPoint(0, 0)};
    for (int k = -(lw - 1) / 2; k <= lw / 2; ++k)
        if (k != 0)
            offsets << QPoint(k, 0) << QPoint(0, k);
    QVector<QPoint> poly, shifted;
    auto flush = [&] {
        if (poly.size() >= 2) {
            for (const QPoint &o : offsets) {
                if (o.isNull()) {
                    Canvas.drawPolyline(poly.constData(), int(poly.size()));
                    continue;
                }
                shifted.resize(poly.size());
                for (qsizetype j = 0; j < poly.size(); ++j)
                    shifted[j] = poly[j] + o;
                Canvas.drawPolyline(shifted.constData(), int(shifted.size()));
            }
        }
        poly.clear();
    };
    auto outcode = [&](const QPoint &p) {
        return (p.x() < area.left() ? 1 : 0) | (p.x() > area.right() ? 2 : 0) | (p.y() < area.top() ? 4 : 0)
               | (p.y() > area.bottom() ? 8 : 0);
    };
    bool havePrev = false, prevParking = false;
    QPoint anchor;
    int anchorCode = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (px[i].x() == TTrackScreenCache::NoPosition)
            continue;
        const QPoint v = px[i] - off;
        const int code = outcode(v);
        if (code == 0) {
            pts[i]->MapPoint = v;
            Cache.Painted.push_back(uint32_t(i));
        }
        const bool parking = pts[i]->IsParking;
        if (!havePrev) {
            havePrev = true;
            anchor = v;
            anchorCode = code;
            prevParking = parking;
            continue;
        }
        if (!(prevParking && parking)) {
            if ((code & anchorCode) == 0) {
                if (poly.isEmpty() || poly.back() != anchor) {
                    flush();
                    poly << anchor;
                }
                if (v != poly.back())
                    poly << v;
                if (poly.size() >= 4096) {
                    const QPoint last = poly.back();
                    flush();
                    poly << last;
                }
            }
            anchor = v;
            anchorCode = code;
        }
        prevParking = parking;
    }
    flush();

    // Glyph pass.
    const uint32_t pointColor = st.PointColor, wifiColor = st.PointWifiColor;
    const int L = size / 4, r = s / 2;
    bool parkingDrawn = false;
    const size_t n = pts.size();
    auto nextPositioned = [&](size_t i) {
        for (size_t j = i + 1; j < n; ++j)
            if (px[j].x() != TTrackScreenCache::NoPosition)
                return j;
        return n;
    };
    for (size_t i = 0; i < n; ++i) {
        if (px[i].x() == TTrackScreenCache::NoPosition)
            continue;
        const TTrackPointInfo &tp = *pts[i];
        const QPoint v = px[i] - off;
        const bool inView = outcode(v) == 0;
        GlyphKey k{};
        k.size = int16_t(size);
        if (tp.IsParking) {
            if (parkingDrawn)
                continue;
            parkingDrawn = true;
            k.kind = GlyphParking;
            k.pen = pointColor;
        } else if (tp.HasEvent) {
            k.kind = GlyphEvent;
        } else {
            parkingDrawn = false;
            if (!inView)
                continue;
            // A later ordinary point on the same pixel covers this glyph whole.
            const size_t j = nextPositioned(i);
            if (j < n && px[j] == px[i] && !pts[j]->IsParking && !pts[j]->HasEvent)
                continue;
            const bool wifi = tp.src > 0;
            k.kind = GlyphPoint;
            k.pen = wifi ? wifiColor : pointColor;
            k.fill = !tp.osm_id.isEmpty() ? st.HighlightColor : (wifi ? st.PointWifiBgColor : st.PointBgColor);
            if (tp.HasBearing()) {
                const double a = tp.angle * M_PI / 180;
                k.dx = int8_t(RoundEven(std::sin(a) * r));
                k.dy = int8_t(RoundEven(std::cos(a) * r));
                const double p1 = a - M_PI / 4, p2 = a + M_PI / 4;
                k.h1x = int8_t(-RoundEven(std::sin(p1) * L));
                k.h1y = int8_t(RoundEven(std::cos(p1) * L));
                k.h2x = int8_t(-RoundEven(std::sin(p2) * L));
                k.h2y = int8_t(RoundEven(std::cos(p2) * L));
            }
        }
        if (inView)
            Sprites().Draw(Canvas, k, v - QPoint(s, s));
    }
    Canvas.restore();
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
    const bool hasPhoto = !obj->photo.isNull() && obj->photo.width() > 0;
    const QImage &icon = FMarkerImages[hasPhoto ? 1 : 0];
    const QPoint tl(Point.x() - icon.width() / 2, Point.y() - icon.height() + 4);

    if (hasPhoto) {
        const int w = icon.width();
        if (obj->icon.isNull() || obj->icon.width() == 0)
            obj->icon = obj->photo.scaled(w, w, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        Canvas.save();
        Canvas.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath circle;
        circle.addEllipse(QRectF(tl.x() + 1, tl.y() + 1, w - 2, w - 2));
        Canvas.setClipPath(circle, Qt::IntersectClip);
        Canvas.drawImage(QPoint(tl.x() + 1, tl.y() + 1), obj->icon);
        Canvas.restore();
    }
    Canvas.drawImage(tl, icon);

    // The tail: from the marker back through the recent points.
    if (obj->tail.size() > 1) {
        Canvas.save();
        Canvas.setRenderHint(QPainter::Antialiasing, true);
        Canvas.setPen(QPen(ColorOf(obj->track_color), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
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
        if (line.size() > 1)
            Canvas.drawPolyline(line.constData(), int(line.size()));
        Canvas.restore();
    }
    Mark->Width = icon.width();
    Mark->Height = icon.height();
    Handled = true;
}
