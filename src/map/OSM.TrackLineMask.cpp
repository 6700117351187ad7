#include "OSM.TrackLineMask.h"

#include "OSM.SlippyMapUtils.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

void TTrackLineMask::Begin(const QSize &View, int LineWidth)
{
    fView = View;
    fWidth = std::max(LineWidth, 1);
    fMargin = fWidth / 2 + 1; // room for the pixels the widening brings in
    fW = View.width() + 2 * fMargin;
    fH = View.height() + 2 * fMargin;
    fWords = (fW + 63) / 64 + 1;
    fBits.assign(size_t(fWords) * size_t(std::max(fH, 0)), 0);
}

namespace {

// The pixels of every short segment, relative to its first end, as the
// general rasteriser sets them; a segment wholly in the mask sets the same
// pixels wherever it lies.
struct ShortSegment
{
    uint8_t n = 0;
    int8_t x[TTrackLineMask::ShortReach + 1], y[TTrackLineMask::ShortReach + 1];
};
constexpr int ShortSide = 2 * TTrackLineMask::ShortReach + 1;

} // namespace

void TTrackLineMask::AddSegment(const QPoint &A, const QPoint &B)
{
    static const std::vector<ShortSegment> table = [] {
        std::vector<ShortSegment> t(size_t(ShortSide * ShortSide));
        TTrackLineMask m;
        const int c = 2 * ShortReach;
        for (int dy = -ShortReach; dy <= ShortReach; ++dy)
            for (int dx = -ShortReach; dx <= ShortReach; ++dx) {
                m.Begin(QSize(2 * c + 1, 2 * c + 1), 1);
                m.AddSegmentGeneral(QPoint(c, c), QPoint(c + dx, c + dy));
                ShortSegment &s = t[size_t((dy + ShortReach) * ShortSide + dx + ShortReach)];
                for (int y = 0; y < m.fH; ++y)
                    for (int x = 0; x < m.fW; ++x)
                        if (m.fBits[size_t(y) * size_t(m.fWords) + size_t(x >> 6)] >> (x & 63) & 1) {
                            s.x[s.n] = int8_t(x - m.fMargin - c);
                            s.y[s.n] = int8_t(y - m.fMargin - c);
                            ++s.n;
                        }
            }
        return t;
    }();
    const int dx = B.x() - A.x(), dy = B.y() - A.y();
    if (dx >= -ShortReach && dx <= ShortReach && dy >= -ShortReach && dy <= ShortReach) {
        const int ax = A.x() + fMargin, ay = A.y() + fMargin, bx = ax + dx, by = ay + dy;
        if (ax >= 0 && ay >= 0 && bx >= 0 && by >= 0 && ax < fW && bx < fW && ay < fH && by < fH) {
            const ShortSegment &s = table[size_t((dy + ShortReach) * ShortSide + dx + ShortReach)];
            for (int k = 0; k < s.n; ++k)
                Set(ax + s.x[k], ay + s.y[k]);
            return;
        }
    }
    AddSegmentGeneral(A, B);
}

void TTrackLineMask::AddSegmentGeneral(const QPoint &A, const QPoint &B)
{
    // Mask coordinates; 64-bit arithmetic, the ends may lie far outside.
    int64_t x0 = int64_t(A.x()) + fMargin, y0 = int64_t(A.y()) + fMargin;
    int64_t x1 = int64_t(B.x()) + fMargin, y1 = int64_t(B.y()) + fMargin;
    const bool xMajor = std::llabs(x1 - x0) >= std::llabs(y1 - y0);
    if (!xMajor) {
        std::swap(x0, y0);
        std::swap(x1, y1);
    }
    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int64_t majorLimit = xMajor ? fW : fH, minorLimit = xMajor ? fH : fW;
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const int64_t from = std::max<int64_t>(x0, 0), to = std::min<int64_t>(x1, majorLimit - 1);
    if (from > to)
        return;
    if (dx == 0) {
        if (y0 >= 0 && y0 < minorLimit)
            xMajor ? Set(int(x0), int(y0)) : Set(int(y0), int(x0));
        return;
    }
    // minor = y0 + round(dy * (x - x0) / dx), halves rounded up, stepped
    // with a remainder so that no division is made per pixel.
    const int64_t den = 2 * dx;
    int64_t q = 0, r = dx; // the segment's first pixel, without dividing
    if (from != x0) {
        const int64_t num = 2 * dy * (from - x0) + dx;
        q = FloorDiv(num, den);
        r = num - q * den;
    }
    if (from == x0 && to == x1 && y0 >= 0 && y0 < minorLimit && y1 >= 0 && y1 < minorLimit) {
        // Wholly inside, as nearly every segment of a dense track.
        for (int64_t x = from; x <= to; ++x) {
            xMajor ? Set(int(x), int(y0 + q)) : Set(int(y0 + q), int(x));
            r += 2 * dy;
            if (r >= den) {
                r -= den;
                ++q;
            } else if (r < 0) {
                r += den;
                --q;
            }
        }
        return;
    }
    for (int64_t x = from; x <= to; ++x) {
        const int64_t y = y0 + q;
        if (y >= 0 && y < minorLimit)
            xMajor ? Set(int(x), int(y)) : Set(int(y), int(x));
        r += 2 * dy;
        if (r >= den) {
            r -= den;
            ++q;
        } else if (r < 0) {
            r += den;
            --q;
        }
    }
}

void TTrackLineMask::Paint(QPainter &Canvas, const QColor &Color)
{
    const int w = fView.width(), h = fView.height();
    if (w <= 0 || h <= 0)
        return;
    const int outWords = (w + 63) / 64;
    fOut.assign(size_t(outWords) * size_t(h), 0);
    // The wide line is the one-pixel line shifted across its width,
    // horizontally and vertically: the line swept by a square pen.
    std::vector<QPoint> offsets{QPoint(0, 0)};
    for (int k = -(fWidth - 1) / 2; k <= fWidth / 2; ++k)
        if (k != 0) {
            offsets.emplace_back(k, 0);
            offsets.emplace_back(0, k);
        }
    for (int y = 0; y < h; ++y) {
        uint64_t *out = &fOut[size_t(y) * size_t(outWords)];
        for (const QPoint &o : offsets) {
            // Output pixel (x, y) takes mask pixel (x + margin - ox, y + margin - oy).
            const int sy = y + fMargin - o.y();
            const int s = fMargin - o.x(); // 0 <= s < 64
            const uint64_t *src = &fBits[size_t(sy) * size_t(fWords)];
            for (int i = 0; i < outWords; ++i)
                out[i] |= s == 0 ? src[i] : (src[i] >> s) | (src[i + 1] << (64 - s));
        }
    }
    QImage img(reinterpret_cast<const uchar *>(fOut.data()), w, h, outWords * 8, QImage::Format_MonoLSB);
    img.setColorTable({qRgba(0, 0, 0, 0), QColor(Color.red(), Color.green(), Color.blue()).rgb()});
    Canvas.drawImage(QPoint(0, 0), img);
}
