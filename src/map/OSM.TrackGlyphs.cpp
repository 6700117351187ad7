#include "OSM.TrackGlyphs.h"

#include "OSM.GeoTrack.h"

#include <QPainter>

#include <algorithm>
#include <array>
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
            const auto arrow = [r, L](double angle) {
                const double a = angle * M_PI / 180;
                const double p1 = a - M_PI / 4, p2 = a + M_PI / 4;
                return std::array<int8_t, 6>{int8_t(RoundEven(std::sin(a) * r)), int8_t(RoundEven(std::cos(a) * r)),
                                             int8_t(-RoundEven(std::sin(p1) * L)), int8_t(RoundEven(std::cos(p1) * L)),
                                             int8_t(-RoundEven(std::sin(p2) * L)), int8_t(RoundEven(std::cos(p2) * L))};
            };
            // Bearings are mostly whole degrees: their arrows computed once
            // per glyph size (the same arithmetic, so the same offsets).
            // One table per thread: tiles are drawn on two threads.
            thread_local int tableSize = -1;
            thread_local std::array<std::array<int8_t, 6>, 360> table;
            std::array<int8_t, 6> ar;
            const bool inRange = Tp.angle >= 0 && Tp.angle < 360;
            const int whole = inRange ? int(Tp.angle) : -1;
            if (inRange && double(whole) == Tp.angle) {
                if (tableSize != size) {
                    for (int d = 0; d < 360; ++d)
                        table[size_t(d)] = arrow(d);
                    tableSize = size;
                }
                ar = table[size_t(whole)];
            } else {
                ar = arrow(Tp.angle);
            }
            k.dx = ar[0];
            k.dy = ar[1];
            k.h1x = ar[2];
            k.h1y = ar[3];
            k.h2x = ar[4];
            k.h2y = ar[5];
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

void TTrackGlyphSprites::Draw(QImage &Target, const GlyphKey &k, const QPoint &TL)
{
    const int pad = Pad;
    auto it = fSprites.find(k);
    if (it == fSprites.end()) {
        Sprite sp;
        sp.image = QImage(k.size + 2 * pad + 1, k.size + 2 * pad + 1, QImage::Format_ARGB32_Premultiplied);
        sp.image.fill(Qt::transparent);
        QPainter p(&sp.image);
        DrawGlyph(p, k, QPoint(pad, pad));
        p.end();
        for (int y = 0; y < sp.image.height() && sp.opaqueRuns; ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(sp.image.constScanLine(y));
            for (int x = 0; x < sp.image.width();) {
                const int a = qAlpha(line[x]);
                if (a != 0 && a != 255) {
                    sp.opaqueRuns = false;
                    break;
                }
                if (a == 0) {
                    ++x;
                    continue;
                }
                const int from = x;
                while (x < sp.image.width() && qAlpha(line[x]) == 255)
                    ++x;
                sp.runs.push_back(Run{int16_t(y), int16_t(from), int16_t(x)});
            }
        }
        if (fSprites.size() > 4096)
            fSprites.clear();
        it = fSprites.insert(k, std::move(sp));
    }
    const QPoint at = TL - QPoint(pad, pad);
    if (!it->opaqueRuns || Target.format() != QImage::Format_ARGB32_Premultiplied) {
        QPainter p(&Target);
        p.drawImage(at, it->image);
        return;
    }
    // Opaque over anything is the source pixel itself: copy the runs.
    const int w = Target.width(), h = Target.height();
    const qsizetype stride = Target.bytesPerLine();
    uchar *bits = Target.bits();
    for (const Run &r : it->runs) {
        const int y = at.y() + r.y;
        if (y < 0 || y >= h)
            continue;
        const int x0 = std::max(at.x() + r.x0, 0), x1 = std::min(at.x() + r.x1, w);
        if (x0 >= x1)
            continue;
        const QRgb *src = reinterpret_cast<const QRgb *>(it->image.constScanLine(r.y)) + (x0 - at.x());
        QRgb *dst = reinterpret_cast<QRgb *>(bits + y * stride) + x0;
        for (int x = 0; x < x1 - x0; ++x) // short runs: a loop beats a call
            dst[x] = src[x];
    }
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
    // A word left of the area, its words, one more for a sprite's spill;
    // a sprite's height above and below. Everything outside counts as
    // covered: nothing there shows.
    fWords = (Width + 63) / 64 + 2;
    fWidth = Width;
    fHeight = Height;
    fMask.assign(size_t(fWords) * size_t(Height + 2 * fSide), ~uint64_t(0));
    // Columns 0 .. Width - 1 of the area are open: the words after the
    // first, the last of them in part.
    const int full = Width / 64, rest = Width % 64;
    for (int y = 0; y < Height; ++y) {
        uint64_t *row = &fMask[size_t(y + fSide) * size_t(fWords)];
        std::fill(row + 1, row + 1 + full, 0);
        if (rest)
            row[1 + full] = ~uint64_t(0) << rest;
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
    for (Shape &S : fShapes) {
        S.first = 0;
        S.last = fSide;
        while (S.first < S.last && !S.show[size_t(S.first)])
            ++S.first;
        while (S.last > S.first && !S.show[size_t(S.last - 1)])
            --S.last;
    }
}

