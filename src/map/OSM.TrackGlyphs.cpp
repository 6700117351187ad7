#include "OSM.TrackGlyphs.h"

#include "OSM.GeoTrack.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <set>

int RoundEven(double v)
{
    return int(std::nearbyint(v)); // the default rounding mode: ties to even
}

GlyphKey TrackGlyphKey(const TGeoTrackStyle &St, const TTrackPointInfo &Tp, int8_t Kind)
{
    const int size = std::max(St.PointSize, 1), s = size / 2;
    const int L = size / 4, r = s / 2;
    GlyphKey k{};
    k.size = int16_t(size);
    k.kind = Kind;
    if (Kind == GlyphParking) {
        k.pen = St.PointColor;
    } else if (Kind == GlyphPoint) {
        const bool wifi = Tp.src > 0;
        k.pen = wifi ? St.PointWifiColor : St.PointColor;
        k.fill = !Tp.osm_id.isEmpty() ? St.HighlightColor : (wifi ? St.PointWifiBgColor : St.PointBgColor);
        if (Tp.HasBearing()) {
            const double a = Tp.angle * M_PI / 180;
            k.dx = int8_t(RoundEven(std::sin(a) * r));
            k.dy = int8_t(RoundEven(std::cos(a) * r));
            const double p1 = a - M_PI / 4, p2 = a + M_PI / 4;
            k.h1x = int8_t(-RoundEven(std::sin(p1) * L));
            k.h1y = int8_t(RoundEven(std::cos(p1) * L));
            k.h2x = int8_t(-RoundEven(std::sin(p2) * L));
            k.h2y = int8_t(RoundEven(std::cos(p2) * L));
        }
    }
    return k;
}

// Glyphs of track points are small and many: each look is drawn once into a
// sprite and then copied. Drawing is unantialiased, so a sprite copy gives the
// same pixels as drawing in place.
size_t qHash(const GlyphKey &k, size_t seed)
{
    return qHashMulti(seed, k.pen, k.fill, k.kind, k.dx, k.dy, k.h1x, k.h1y, k.h2x, k.h2y, k.size);
}

void DrawGlyph(QPainter &p, const GlyphKey &k, const QPoint &TL)
{
    const int size = k.size, s = size / 2;
    const int left = TL.x(), top = TL.y(), right = left + size, bottom = top + size;
    switch (k.kind) {
    case GlyphParking: {
        p.setPen(QPen(ColorOfTColor(k.pen), 2));
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
        p.setPen(QPen(ColorOfTColor(k.pen), 2));
        p.setBrush(ColorOfTColor(k.fill));
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

void TTrackGlyphSprites::Draw(QPainter &p, const GlyphKey &k, const QPoint &TL)
{
    const int pad = Pad;
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

bool TTrackGlyphCoverage::Begin(int Size, int Width, int Height)
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
    // Columns right of the area count as covered: nothing there shows.
    for (int y = 0; y < Height; ++y)
        for (int x = Width; x < fWords * 64; ++x)
            fMask[size_t(y) * size_t(fWords) + size_t(x / 64)] |= uint64_t(1) << (x % 64);
    return true;
}

bool TTrackGlyphCoverage::Shows(int Kind, int X, int Y)
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

void TTrackGlyphCoverage::Accumulate(const GlyphKey &K, Shape &S, bool Cover)
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

void TTrackGlyphCoverage::BuildShapes()
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

