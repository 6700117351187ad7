#include "OSM.TrackLayerTiles.h"

#include "OSM.GeoTrack.h"
#include "OSM.SlippyMapUtils.h"
#include "OSM.TrackGlyphs.h"
#include "OSM.TrackLineMask.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

uint64_t StyleKey(const TGeoTrackStyle &st)
{
    return qHashMulti(0, st.PointSize, st.LineWidth, st.PointColor, st.PointBgColor, st.PointWifiColor,
                      st.PointWifiBgColor, st.LineColor, st.HighlightColor);
}

// Scratch state of drawing a tile; the user-interface thread draws them all.
TTrackLineMask &LineMask()
{
    static TTrackLineMask mask;
    return mask;
}

TTrackGlyphCoverage &Coverage()
{
    static TTrackGlyphCoverage coverage;
    return coverage;
}

TTrackGlyphSprites &Sprites()
{
    static TTrackGlyphSprites sprites;
    return sprites;
}

// A segment reaching over more tile columns (or rows) than this is checked
// by every tile instead of being sorted into all of them.
constexpr int64_t MaxSortedSpan = 4096;

} // namespace

void TTrackLayerTiles::Reset()
{
    fRevision = 0;
    fStyleKey = 0;
    fBuckets.clear();
    fLong.clear();
    fTiles.clear();
    fTilesDrawn = 0;
}

void TTrackLayerTiles::Paint(QPainter &Canvas, const TGeoTrack &Track, const TTrackScreenCache &Cache,
                             const QPoint &Offset, const QSize &View)
{
    if (View.isEmpty())
        return;
    const uint64_t style = StyleKey(Track.Style());
    if (Cache.Revision() != fRevision || style != fStyleKey) {
        Reset();
        fRevision = Cache.Revision();
        fStyleKey = style;
        Sort(Track, Cache);
    }
    ++fFrame;
    const int64_t T = fTileSize;
    const int64_t tx0 = FloorDiv(Offset.x(), T), tx1 = FloorDiv(int64_t(Offset.x()) + View.width() - 1, T);
    const int64_t ty0 = FloorDiv(Offset.y(), T), ty1 = FloorDiv(int64_t(Offset.y()) + View.height() - 1, T);
    for (int64_t ty = ty0; ty <= ty1; ++ty)
        for (int64_t tx = tx0; tx <= tx1; ++tx) {
            auto it = fTiles.find(Key(tx, ty));
            if (it == fTiles.end()) {
                it = fTiles.insert(Key(tx, ty), Tile{Draw(Track, Cache, tx, ty), 0});
                ++fTilesDrawn;
            }
            it->used = fFrame;
            if (!it->image.isNull())
                Canvas.drawImage(QPoint(int(tx * T - Offset.x()), int(ty * T - Offset.y())), it->image);
        }
    Trim(QRect(int(tx0), int(ty0), int(tx1 - tx0 + 1), int(ty1 - ty0 + 1)));
}

void TTrackLayerTiles::Trim(const QRect &Keep)
{
    // Twice the view's tiles, so that panning back and forth redraws none.
    const qsizetype limit = std::max<qsizetype>(2 * qsizetype(Keep.width()) * Keep.height(), 64);
    if (fTiles.size() <= limit)
        return;
    std::vector<std::pair<uint64_t, uint64_t>> old; // used, key
    for (auto it = fTiles.cbegin(); it != fTiles.cend(); ++it)
        if (it->used != fFrame)
            old.emplace_back(it->used, it.key());
    std::sort(old.begin(), old.end());
    for (size_t i = 0; i < old.size() && fTiles.size() > limit; ++i)
        fTiles.remove(old[i].second);
}

void TTrackLayerTiles::Sort(const TGeoTrack &Track, const TTrackScreenCache &Cache)
{
    const TGeoTrackStyle &st = Track.Style();
    const int size = std::max(st.PointSize, 1), s = size / 2;
    // A segment sets pixels up to the line width from its centre line; a
    // glyph's sprite starts PointSize div 2 plus the padding before its point.
    fLineMargin = std::max(st.LineWidth, 1) + 1;
    fGlyphReach = s + TTrackGlyphSprites::Pad;
    const int side = size + 2 * TTrackGlyphSprites::Pad + 1;
    const auto &px = Cache.MapPixels();
    const int64_t T = fTileSize;

    uint64_t lastKey = ~uint64_t(0);
    Bucket *last = nullptr;
    auto bucket = [&](int64_t tx, int64_t ty) -> Bucket & {
        const uint64_t k = Key(tx, ty);
        if (k != lastKey) {
            lastKey = k;
            last = &fBuckets[k];
        }
        return *last;
    };

    const auto &segs = Cache.Segments();
    for (uint32_t i = 0; i < segs.size(); ++i) {
        const QPoint A = px[segs[i].a], B = px[segs[i].b];
        const int64_t m = fLineMargin;
        const int64_t x0 = FloorDiv(std::min(A.x(), B.x()) - m, T), x1 = FloorDiv(std::max(A.x(), B.x()) + m, T);
        const int64_t y0 = FloorDiv(std::min(A.y(), B.y()) - m, T), y1 = FloorDiv(std::max(A.y(), B.y()) + m, T);
        if ((x1 - x0 + 1) * (y1 - y0 + 1) <= 4) {
            for (int64_t ty = y0; ty <= y1; ++ty)
                for (int64_t tx = x0; tx <= x1; ++tx)
                    bucket(tx, ty).segments.push_back(i);
            continue;
        }
        if (std::max(x1 - x0, y1 - y0) >= MaxSortedSpan) {
            fLong.push_back(i);
            continue;
        }
        // A long segment: along its major axis, one band of tiles at a time,
        // with the minor range it covers within that band.
        const bool xMajor = std::abs(B.x() - A.x()) >= std::abs(B.y() - A.y());
        const double ax = xMajor ? A.x() : A.y(), ay = xMajor ? A.y() : A.x();
        const double bx = xMajor ? B.x() : B.y(), by = xMajor ? B.y() : B.x();
        const int64_t b0 = xMajor ? x0 : y0, b1 = xMajor ? x1 : y1;
        const double lo = std::min(ax, bx), hi = std::max(ax, bx);
        for (int64_t band = b0; band <= b1; ++band) {
            const double from = std::clamp(double(band * T - m), lo, hi);
            const double to = std::clamp(double((band + 1) * T + m), lo, hi);
            const double ya = ay + (by - ay) * (from - ax) / (bx - ax);
            const double yb = ay + (by - ay) * (to - ax) / (bx - ax);
            const int64_t m0 = FloorDiv(int64_t(std::floor(std::min(ya, yb))) - m - 1, T);
            const int64_t m1 = FloorDiv(int64_t(std::ceil(std::max(ya, yb))) + m + 1, T);
            for (int64_t k = m0; k <= m1; ++k)
                (xMajor ? bucket(band, k) : bucket(k, band)).segments.push_back(i);
        }
    }

    const auto &glyphs = Cache.Glyphs();
    for (uint32_t g = 0; g < glyphs.size(); ++g) {
        const QPoint tl = px[glyphs[g].index] - QPoint(fGlyphReach, fGlyphReach);
        const int64_t x0 = FloorDiv(tl.x(), T), x1 = FloorDiv(int64_t(tl.x()) + side - 1, T);
        const int64_t y0 = FloorDiv(tl.y(), T), y1 = FloorDiv(int64_t(tl.y()) + side - 1, T);
        for (int64_t ty = y0; ty <= y1; ++ty)
            for (int64_t tx = x0; tx <= x1; ++tx)
                bucket(tx, ty).glyphs.push_back(g);
    }
}

QImage TTrackLayerTiles::Draw(const TGeoTrack &Track, const TTrackScreenCache &Cache, int64_t Tx, int64_t Ty)
{
    const auto found = fBuckets.find(Key(Tx, Ty));
    const Bucket *b = found == fBuckets.end() ? nullptr : &found->second;
    const int64_t T = fTileSize;
    const QPoint origin(int(Tx * T), int(Ty * T));
    const auto &px = Cache.MapPixels();
    const auto &segs = Cache.Segments();
    std::vector<uint32_t> crossing; // long segments that pass this tile
    for (uint32_t i : fLong) {
        const QPoint A = px[segs[i].a] - origin, B = px[segs[i].b] - origin;
        const int m = fLineMargin;
        if (std::max(A.x(), B.x()) >= -m && std::min(A.x(), B.x()) < T + m && std::max(A.y(), B.y()) >= -m
            && std::min(A.y(), B.y()) < T + m)
            crossing.push_back(i);
    }
    if ((!b || (b->segments.empty() && b->glyphs.empty())) && crossing.empty())
        return QImage();

    const TGeoTrackStyle &st = Track.Style();
    const int edge = fTileSize;
    QImage img(edge, edge, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);

    // The line: every segment's pixels set in one mask, painted once.
    TTrackLineMask &line = LineMask();
    line.Begin(QSize(edge, edge), st.LineWidth);
    if (b)
        for (uint32_t i : b->segments)
            line.AddSegment(px[segs[i].a] - origin, px[segs[i].b] - origin);
    for (uint32_t i : crossing)
        line.AddSegment(px[segs[i].a] - origin, px[segs[i].b] - origin);
    line.Paint(p, ColorOfTColor(st.LineColor));
    if (!b || b->glyphs.empty())
        return img;

    // The glyphs: from the last back, which can show; then those in order.
    const auto &glyphs = Cache.Glyphs();
    const int size = std::max(st.PointSize, 1), s = size / 2;
    std::vector<uint32_t> shown(b->glyphs.begin(), b->glyphs.end());
    if (Coverage().Begin(size, edge, edge)) {
        const QPoint corner(fGlyphReach, fGlyphReach);
        size_t kept = shown.size();
        for (size_t g = shown.size(); g-- > 0;) {
            const TTrackScreenCache::Glyph &gl = glyphs[shown[g]];
            const QPoint tl = px[gl.index] - origin - corner;
            if (Coverage().Shows(gl.kind, tl.x(), tl.y()))
                shown[--kept] = shown[g];
        }
        shown.erase(shown.begin(), shown.begin() + std::ptrdiff_t(kept));
    }
    const auto &pts = Track.Points();
    for (uint32_t g : shown) {
        const TTrackScreenCache::Glyph &gl = glyphs[g];
        const GlyphKey k = TrackGlyphKey(st, *pts[gl.index], gl.kind);
        Sprites().Draw(p, k, px[gl.index] - origin - QPoint(s, s));
    }
    return img;
}
