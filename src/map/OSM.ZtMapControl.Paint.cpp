// TZtMapControl: painting zones, tracks and object markers.
#include "OSM.ZtMapControl.h"

#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackLineMask.h"
#include "OSM.ZoneInfo.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <set>

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

// Which glyphs of a track can be seen at all. A dense track stacks hundreds
// of thousands of glyphs on a few thousand glyph-sized cells, and a glyph
// whose every pixel a later glyph paints over opaquely cannot show; drawing
// only the others gives the same pixels. Each glyph kind has two row masks
// over its sprite (bit j = column j): the pixels it may paint, and the pixels
// it always paints opaquely. Colours never change the shape, and an ordinary
// point's arrow only adds opaque pixels to the disc.
class GlyphCoverage
{
public:
    static constexpr int Pad = 4; // as in GlyphSprites

    // False when the glyphs are too big for one 64-bit word per row.
    bool Begin(int Size, int Width, int Height)
    {
        fSide = Size + 2 * Pad + 1;
        if (fSide > 64 || Width <= 0 || Height <= 0)
            return false;
        if (Size != fSize) {
            fSize = Size;
            BuildShapes();
        }
        fWords = (Width + 63) / 64 + 2;
        fHeight = Height;
        fMask.assign(size_t(fWords) * size_t(Height), 0);
        // Columns right of the view count as covered: nothing there shows.
        for (int y = 0; y < Height; ++y)
            for (int x = Width; x < fWords * 64; ++x)
                fMask[size_t(y) * size_t(fWords) + size_t(x / 64)] |= uint64_t(1) << (x % 64);
        return true;
    }

    // Glyph of the kind with its sprite's top-left at (X, Y) in the view,
    // tested against the glyphs registered before (the later ones in drawing
    // order); when it shows, its opaque pixels cover what lies below it.
    bool Shows(int Kind, int X, int Y)
    {
        const Shape &sh = fShapes[size_t(Kind)];
        bool shows = false;
        for (int r = 0; r < fSide && !shows; ++r) {
            const int y = Y + r;
            if (y < 0 || y >= fHeight || !sh.show[size_t(r)])
                continue;
            uint64_t lo, hi;
            int w;
            Place(sh.show[size_t(r)], X, lo, hi, w);
            const uint64_t *row = &fMask[size_t(y) * size_t(fWords)];
            shows = (lo & ~row[w]) || (hi & ~row[w + 1]);
        }
        if (!shows)
            return false;
        for (int r = 0; r < fSide; ++r) {
            const int y = Y + r;
            if (y < 0 || y >= fHeight || !sh.cover[size_t(r)])
                continue;
            uint64_t lo, hi;
            int w;
            Place(sh.cover[size_t(r)], X, lo, hi, w);
            uint64_t *row = &fMask[size_t(y) * size_t(fWords)];
            row[w] |= lo;
            row[w + 1] |= hi;
        }
        return true;
    }

private:
    struct Shape
    {
        std::vector<uint64_t> show, cover;
    };

    // Bits of a sprite row starting at view column X, as two words from word w.
    static void Place(uint64_t Bits, int X, uint64_t &Lo, uint64_t &Hi, int &W)
    {
        if (X < 0) {
            Bits = -X >= 64 ? 0 : Bits >> -X;
            X = 0;
        }
        W = X / 64;
        const int sh = X % 64;
        Lo = Bits << sh;
        Hi = sh ? Bits >> (64 - sh) : 0;
    }

    void Accumulate(const GlyphKey &K, Shape &S, bool Cover)
    {
        QImage img(fSide, fSide, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        DrawGlyph(p, K, QPoint(Pad, Pad));
        p.end();
        for (int y = 0; y < fSide; ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
            for (int x = 0; x < fSide; ++x) {
                const int a = qAlpha(line[x]);
                if (a > 0)
                    S.show[size_t(y)] |= uint64_t(1) << x;
                if (Cover && a == 255)
                    S.cover[size_t(y)] |= uint64_t(1) << x;
            }
        }
    }

    void BuildShapes()
    {
        const int s = fSize / 2, r = s / 2, L = fSize / 4;
        for (int kind = GlyphPoint; kind <= GlyphEvent; ++kind) {
            Shape &S = fShapes[size_t(kind)];
            S.show.assign(size_t(fSide), 0);
            S.cover.assign(size_t(fSide), 0);
            GlyphKey k{};
            k.kind = int8_t(kind);
            k.size = int16_t(fSize);
            k.pen = 0x000080;
            k.fill = 0xC0C0C0;
            Accumulate(k, S, true);
            if (kind != GlyphPoint)
                continue;
            // Every arrow the bearing can give.
            std::set<std::array<int, 6>> arrows;
            for (int tenth = 0; tenth < 3600; ++tenth) {
                const double a = tenth / 10.0 * M_PI / 180, p1 = a - M_PI / 4, p2 = a + M_PI / 4;
                arrows.insert({RoundEven(std::sin(a) * r), RoundEven(std::cos(a) * r), -RoundEven(std::sin(p1) * L),
                               RoundEven(std::cos(p1) * L), -RoundEven(std::sin(p2) * L), RoundEven(std::cos(p2) * L)});
            }
            for (const auto &ar : arrows) {
                k.dx = int8_t(ar[0]);
                k.dy = int8_t(ar[1]);
                k.h1x = int8_t(ar[2]);
                k.h1y = int8_t(ar[3]);
                k.h2x = int8_t(ar[4]);
                k.h2y = int8_t(ar[5]);
                Accumulate(k, S, false);
            }
        }
    }

    int fSize = -1, fSide = 0, fWords = 0, fHeight = 0;
    std::array<Shape, 3> fShapes;
    std::vector<uint64_t> fMask;
};

TTrackLineMask &LineMask()
{
    static TTrackLineMask mask; // user-interface thread only
    return mask;
}

GlyphCoverage &Coverage()
{
    static GlyphCoverage coverage; // user-interface thread only
    return coverage;
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
    // the click test never finds a point where it is no longer shown. A long
    // track does not fit the processor's caches: each point is visited once
    // per paint, for its position, its line and its glyph's kind.
    std::vector<uint32_t> before;
    before.swap(Cache.Painted);
    size_t nextBefore = 0;
    auto forget = [&](uint32_t idx) {
        if (idx < pts.size())
            pts[idx]->MapPoint = QPoint();
    };
    struct Glyph
    {
        uint32_t index;
        int8_t kind;
    };
    std::vector<Glyph> glyphs;
    bool parkingDrawn = false;

    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, false);

    // Line pass. A parking run is entered at its first point and left from
    // there; segments wholly beside the view are skipped, and the segments
    // are set as pixels of one mask that is painted once.
    auto outcode = [&](const QPoint &p) {
        return (p.x() < area.left() ? 1 : 0) | (p.x() > area.right() ? 2 : 0) | (p.y() < area.top() ? 4 : 0)
               | (p.y() > area.bottom() ? 8 : 0);
    };
    TTrackLineMask &line = LineMask();
    line.Begin(viewport()->size(), st.LineWidth);
    bool havePrev = false, prevParking = false;
    QPoint anchor;
    int anchorCode = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (px[i].x() == TTrackScreenCache::NoPosition)
            continue;
        while (nextBefore < before.size() && before[nextBefore] < i)
            forget(before[nextBefore++]);
        const bool wasPainted = nextBefore < before.size() && before[nextBefore] == i;
        if (wasPainted)
            ++nextBefore;
        TTrackPointInfo &tp = *pts[i];
        const QPoint v = px[i] - off;
        const int code = outcode(v);
        if (code == 0) {
            tp.MapPoint = v;
            Cache.Painted.push_back(uint32_t(i));
        } else if (wasPainted) {
            tp.MapPoint = QPoint();
        }
        const bool parking = tp.IsParking;

        // The glyph's kind: one parking glyph per run, and an ordinary point
        // ends a run.
        int8_t kind = GlyphPoint;
        bool glyph = true;
        if (parking) {
            glyph = !parkingDrawn;
            parkingDrawn = true;
            kind = GlyphParking;
        } else if (tp.HasEvent) {
            kind = GlyphEvent;
        } else {
            parkingDrawn = false;
        }
        if (glyph && code == 0)
            glyphs.push_back(Glyph{uint32_t(i), kind});

        if (!havePrev) {
            havePrev = true;
            anchor = v;
            anchorCode = code;
            prevParking = parking;
            continue;
        }
        if (!(prevParking && parking)) {
            // Consecutive points on one pixel make no segment.
            if ((code & anchorCode) == 0 && v != anchor)
                line.AddSegment(anchor, v);
            anchor = v;
            anchorCode = code;
        }
        prevParking = parking;
    }
    while (nextBefore < before.size())
        forget(before[nextBefore++]);
    line.Paint(Canvas, ColorOf(st.LineColor));

    // Glyph pass: from the last glyph back, which can show; then the
    // visible ones in order.
    const uint32_t pointColor = st.PointColor, wifiColor = st.PointWifiColor;
    const int L = size / 4, r = s / 2;
    const QSize vs = viewport()->size();
    if (Coverage().Begin(size, vs.width(), vs.height())) {
        const QPoint corner(s + GlyphCoverage::Pad, s + GlyphCoverage::Pad);
        size_t kept = glyphs.size();
        for (size_t g = glyphs.size(); g-- > 0;) {
            const QPoint tl = px[glyphs[g].index] - off - corner;
            if (Coverage().Shows(glyphs[g].kind, tl.x(), tl.y()))
                glyphs[--kept] = glyphs[g];
        }
        glyphs.erase(glyphs.begin(), glyphs.begin() + std::ptrdiff_t(kept));
    }
    for (const Glyph &g : glyphs) {
        const TTrackPointInfo &tp = *pts[g.index];
        GlyphKey k{};
        k.size = int16_t(size);
        k.kind = g.kind;
        if (g.kind == GlyphParking) {
            k.pen = pointColor;
        } else if (g.kind == GlyphPoint) {
            const bool wifi = tp.src > 0;
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
        Sprites().Draw(Canvas, k, px[g.index] - off - QPoint(s, s));
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
