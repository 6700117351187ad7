#include "OSM.TrackLayerTiles.h"

#include "OSM.GeoTrack.h"
#include "OSM.TrackGlyphs.h"
#include "OSM.TrackLineMask.h"

#include <QPainter>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <system_error>
#include <thread>

namespace {

uint64_t StyleKey(const TGeoTrackStyle &st)
{
    return qHashMulti(0, st.PointSize, st.LineWidth, st.PointColor, st.PointBgColor, st.PointWifiColor,
                      st.PointWifiBgColor, st.LineColor, st.HighlightColor);
}

// Tiles missing from a frame are drawn on a second thread as well from this
// many on (a zoom step or a jump); a pan's few new tiles are not worth it.
constexpr size_t MinSharedJobs = 4;
// The same for sorting, from this many segments and glyphs on.
constexpr size_t MinSharedSort = 50000;

// A segment reaching over more tile columns (or rows) than this is checked
// by every tile instead of being sorted into all of them.
constexpr int64_t MaxSortedSpan = 4096;
// Tiles of the track's extent numbered directly up to this many (plus one
// per sorted item); beyond, only the tiles touched get a number.
constexpr int64_t MaxDenseCells = int64_t(1) << 20;
// Images of dropped tiles kept for the next ones.
constexpr size_t MaxSpare = 64;

} // namespace

struct TTrackLayerTiles::Lane
{
    TTrackLineMask line;
    TTrackGlyphCoverage coverage;
    TTrackGlyphSprites sprites;
    std::vector<GlyphItem> shown;
};

// Lane 0 is the user-interface thread's, lane 1 the helper's. Paint waits for
// the helper, and only the user-interface thread paints, so no lane is ever
// used by two threads at once, whichever map's tiles they draw.
TTrackLayerTiles::Lane &TTrackLayerTiles::LaneAt(int Index)
{
    static Lane lanes[2];
    return lanes[Index];
}

inline bool TTrackLayerTiles::IsLong(const QPoint &A, const QPoint &B) const
{
    const int64_t m = fLineMargin, T = fTileSize;
    const int64_t dx = std::abs(int64_t(B.x()) - A.x()), dy = std::abs(int64_t(B.y()) - A.y());
    // A sorted segment's ends, relative to a tile it touches, fit 16 bits.
    if (std::max(dx, dy) + 2 * (m + T) >= 32000)
        return true;
    if (std::max(dx, dy) + 2 * m < (MaxSortedSpan - 2) * T)
        return false; // the common case, without dividing
    return std::max(TileOf(std::max(A.x(), B.x()) + m) - TileOf(std::min(A.x(), B.x()) - m),
                    TileOf(std::max(A.y(), B.y()) + m) - TileOf(std::min(A.y(), B.y()) - m))
           >= MaxSortedSpan;
}

TTrackLayerTiles::TTrackLayerTiles(int TileSize) : fTileSize(std::max(TileSize, 1))
{
    if (std::has_single_bit(unsigned(fTileSize)))
        fShift = std::countr_zero(unsigned(fTileSize));
}

void TTrackLayerTiles::Reset()
{
    fRevision = 0;
    fStyleKey = 0;
    fSegs.start.clear();
    fSegs.runs.clear();
    fGlyphs.start.clear();
    fGlyphs.runs.clear();
    fCellOf.clear();
    fLong.clear();
    for (auto it = fTiles.begin(); it != fTiles.end() && fSpare.size() < MaxSpare; ++it)
        if (!it->image.isNull())
            fSpare.push_back(std::move(it->image));
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
    const int64_t tx0 = TileOf(Offset.x()), tx1 = TileOf(int64_t(Offset.x()) + View.width() - 1);
    const int64_t ty0 = TileOf(Offset.y()), ty1 = TileOf(int64_t(Offset.y()) + View.height() - 1);
    // The tiles in view not drawn yet, drawn together first.
    std::vector<Job> jobs;
    for (int64_t ty = ty0; ty <= ty1; ++ty)
        for (int64_t tx = tx0; tx <= tx1; ++tx)
            if (!fTiles.contains(Key(tx, ty))) {
                Job j{tx, ty, Cell(tx, ty, false), QImage()};
                if (!fSpare.empty()) {
                    j.image = std::move(fSpare.back());
                    fSpare.pop_back();
                }
                jobs.push_back(std::move(j));
            }
    if (!jobs.empty())
        DrawJobs(Track, Cache, jobs);
    for (Job &j : jobs) {
        if (!j.drawn && !j.image.isNull() && fSpare.size() < MaxSpare)
            fSpare.push_back(std::move(j.image)); // nothing there: the image is not needed
        fTiles.insert(Key(j.tx, j.ty), Tile{j.drawn ? std::move(j.image) : QImage(), 0});
        ++fTilesDrawn;
    }
    for (int64_t ty = ty0; ty <= ty1; ++ty)
        for (int64_t tx = tx0; tx <= tx1; ++tx) {
            auto it = fTiles.find(Key(tx, ty));
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
    for (size_t i = 0; i < old.size() && fTiles.size() > limit; ++i) {
        auto it = fTiles.find(old[i].second);
        if (fSpare.size() < MaxSpare && !it->image.isNull())
            fSpare.push_back(std::move(it->image));
        fTiles.erase(it);
    }
}

template <typename F> void TTrackLayerTiles::ForSegmentTiles(const QPoint &A, const QPoint &B, F &&Each) const
{
    const int64_t T = fTileSize, m = fLineMargin;
    const int64_t x0 = TileOf(std::min(A.x(), B.x()) - m), x1 = TileOf(std::max(A.x(), B.x()) + m);
    const int64_t y0 = TileOf(std::min(A.y(), B.y()) - m), y1 = TileOf(std::max(A.y(), B.y()) + m);
    if ((x1 - x0 + 1) * (y1 - y0 + 1) <= 4) {
        for (int64_t ty = y0; ty <= y1; ++ty)
            for (int64_t tx = x0; tx <= x1; ++tx)
                Each(tx, ty);
        return;
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
        const int64_t m0 = TileOf(int64_t(std::floor(std::min(ya, yb))) - m - 1);
        const int64_t m1 = TileOf(int64_t(std::ceil(std::max(ya, yb))) + m + 1);
        for (int64_t k = m0; k <= m1; ++k)
            xMajor ? Each(band, k) : Each(k, band);
    }
}

template <typename F> void TTrackLayerTiles::ForGlyphTiles(const QPoint &P, F &&Each) const
{
    const int64_t left = int64_t(P.x()) - fGlyphReach, top = int64_t(P.y()) - fGlyphReach;
    const int64_t x0 = TileOf(left), x1 = TileOf(left + fGlyphSide - 1);
    const int64_t y0 = TileOf(top), y1 = TileOf(top + fGlyphSide - 1);
    for (int64_t ty = y0; ty <= y1; ++ty)
        for (int64_t tx = x0; tx <= x1; ++tx)
            Each(tx, ty);
}

int64_t TTrackLayerTiles::Cell(int64_t Tx, int64_t Ty, bool Add)
{
    if (fDense) {
        const int64_t cx = Tx - fTx0, cy = Ty - fTy0;
        return cx < 0 || cy < 0 || cx >= fColumns || cy >= fRows ? -1 : cy * fColumns + cx;
    }
    // Consecutive items mostly fall into one tile: one look-up per change.
    const int64_t k = int64_t(Key(Tx, Ty));
    if (k == fLastKey)
        return fLastCell;
    auto it = fCellOf.constFind(uint64_t(k));
    if (it == fCellOf.constEnd()) {
        if (!Add)
            return -1;
        it = fCellOf.insert(uint64_t(k), uint32_t(fCellOf.size()));
    }
    fLastKey = k;
    fLastCell = *it;
    return fLastCell;
}

void TTrackLayerTiles::Sort(const TGeoTrack &Track, const TTrackScreenCache &Cache)
{
    const TGeoTrackStyle &st = Track.Style();
    const int size = std::max(st.PointSize, 1), s = size / 2;
    // A segment sets pixels up to the line width from its centre line; a
    // glyph's sprite starts PointSize div 2 plus the padding before its point.
    fLineMargin = std::max(st.LineWidth, 1) + 1;
    fGlyphReach = s + TTrackGlyphSprites::Pad;
    fGlyphSide = size + 2 * TTrackGlyphSprites::Pad + 1;
    const auto &px = Cache.MapPixels();
    const auto &segs = Cache.Segments();
    const auto &glyphs = Cache.Glyphs();

    // The extent in tiles: the points' bounds with the larger of the reaches.
    const QRect bounds = Cache.PixelBounds();
    fLastKey = fLastCell = -1;
    fCellOf.clear();
    if (bounds.isEmpty()) {
        fDense = true;
        fColumns = fRows = 0;
    } else {
        const int64_t reach = std::max(fLineMargin, fGlyphReach + fGlyphSide) + 1;
        fTx0 = TileOf(bounds.left() - reach);
        fTy0 = TileOf(bounds.top() - reach);
        fColumns = TileOf(bounds.right() + reach) - fTx0 + 1;
        fRows = TileOf(bounds.bottom() + reach) - fTy0 + 1;
        fDense = fColumns * fRows <= MaxDenseCells + int64_t(segs.size() + glyphs.size());
    }

    fLong.clear();
    // Each item reports its tiles: One for an item within a single tile (the
    // common case, which extends the current run), Each for every tile of
    // one reaching into several.
    auto sortSegments = [&] {
        SortInto(fSegs, uint32_t(segs.size()), fScratch, [&](uint32_t i, auto &&One, auto &&Each) {
            const QPoint A = px[segs[i].a], B = px[segs[i].b];
            const int m = fLineMargin;
            const int64_t x0 = TileOf(std::min(A.x(), B.x()) - m), x1 = TileOf(std::max(A.x(), B.x()) + m);
            const int64_t y0 = TileOf(std::min(A.y(), B.y()) - m), y1 = TileOf(std::max(A.y(), B.y()) + m);
            if (x0 == x1 && y0 == y1)
                One(x0, y0);
            else if (IsLong(A, B))
                fLong.push_back(i);
            else
                ForSegmentTiles(A, B, Each);
        });
    };
    auto sortGlyphs = [&] {
        SortInto(fGlyphs, uint32_t(glyphs.size()), fGlyphScratch, [&](uint32_t g, auto &&One, auto &&Each) {
            const QPoint P = px[glyphs[g].index];
            const int64_t left = int64_t(P.x()) - fGlyphReach, top = int64_t(P.y()) - fGlyphReach;
            const int64_t x0 = TileOf(left), x1 = TileOf(left + fGlyphSide - 1);
            const int64_t y0 = TileOf(top), y1 = TileOf(top + fGlyphSide - 1);
            if (x0 == x1 && y0 == y1)
                One(x0, y0);
            else
                ForGlyphTiles(P, Each);
        });
    };
    // With cells numbered over the extent the two sorts share nothing but
    // what they read: the glyphs are sorted on a second thread meanwhile.
    // Numbering touched tiles writes one hash; those sort one after the other.
    std::thread helper;
    if (fDense && glyphs.size() + segs.size() >= MinSharedSort && std::thread::hardware_concurrency() > 1) {
        try {
            helper = std::thread(sortGlyphs);
        } catch (const std::system_error &) {
            // no thread to be had: sorted below
        }
    }
    sortSegments();
    if (helper.joinable())
        helper.join();
    else
        sortGlyphs();
}

// A counting sort of runs. One pass notes every run with its cell and counts
// the runs per cell; the counts summed give each cell's start; the runs are
// then placed. The pass goes through the items in order and every run is
// noted before any later item, so each cell's runs keep the drawing order.
// Flat arrays kept between sorts, no list per tile.
template <typename F>
void TTrackLayerTiles::SortInto(CellLists &Lists, uint32_t Count, std::vector<std::byte> &Scratch, F &&ForTiles)
{
    // The scratch holds the entries being sorted, as raw bytes.
    struct Entry
    {
        uint32_t cell;
        Run run;
    };
    size_t n = 0, capacity = Scratch.size() / sizeof(Entry);
    if (capacity < Count / 8 + 1024) {
        capacity = Count / 8 + 1024;
        Scratch.resize(capacity * sizeof(Entry));
    }
    Entry *entries = reinterpret_cast<Entry *>(Scratch.data());
    std::vector<uint32_t> &start = Lists.start;
    start.assign(size_t(fDense ? fColumns * fRows : 0) + 1, 0);
    auto cellOf = [&](int64_t tx, int64_t ty) -> int64_t {
        if (fDense) {
            const int64_t cx = tx - fTx0, cy = ty - fTy0;
            return cx < 0 || cy < 0 || cx >= fColumns || cy >= fRows ? -1 : cy * fColumns + cx;
        }
        const int64_t c = Cell(tx, ty, true);
        if (size_t(c) + 2 > start.size())
            start.resize(size_t(c) + 2, 0);
        return c;
    };
    // Notes a run, and its cell's count in start[cell + 1].
    auto note = [&](int64_t c, Run r) {
        if (n == capacity) {
            capacity *= 2;
            Scratch.resize(capacity * sizeof(Entry));
            entries = reinterpret_cast<Entry *>(Scratch.data());
        }
        entries[n++] = Entry{uint32_t(c), r};
        ++start[size_t(c) + 1];
    };
    int64_t runCell = -1;
    Run run{0, 0};
    auto flush = [&] {
        if (run.count > 0)
            note(runCell, run);
        run.count = 0;
    };
    for (uint32_t i = 0; i < Count; ++i)
        ForTiles(
            i,
            [&](int64_t tx, int64_t ty) {
                const int64_t c = cellOf(tx, ty);
                if (run.count > 0 && c == runCell && run.first + run.count == i) {
                    ++run.count;
                    return;
                }
                flush();
                if (c >= 0) {
                    runCell = c;
                    run = Run{i, 1};
                }
            },
            [&](int64_t tx, int64_t ty) {
                flush();
                const int64_t c = cellOf(tx, ty);
                if (c >= 0)
                    note(c, Run{i, 1});
            });
    flush();
    for (size_t c = 1; c < start.size(); ++c)
        start[c] += start[c - 1];
    Lists.runs.resize(n);
    // start[c] moves to the end of cell c while placing, then back.
    for (size_t k = 0; k < n; ++k)
        Lists.runs[start[entries[k].cell]++] = entries[k].run;
    for (size_t c = start.size() - 1; c > 0; --c)
        start[c] = start[c - 1];
    start[0] = 0;
}

void TTrackLayerTiles::DrawJobs(const TGeoTrack &Track, const TTrackScreenCache &Cache, std::vector<Job> &Jobs)
{
    // Tiles are independent images and Draw only reads the sorted lists, the
    // track and the cache: two threads take the next tile in turn (dense
    // tiles cost far more than sparse ones), each with its own scratch.
    std::atomic<size_t> next{0};
    auto work = [&](Lane &lane) {
        for (size_t k; (k = next.fetch_add(1, std::memory_order_relaxed)) < Jobs.size();) {
            QImage img = Draw(Track, Cache, Jobs[k], lane);
            Jobs[k].drawn = !img.isNull();
            if (Jobs[k].drawn)
                Jobs[k].image = std::move(img); // else the unused image stays in the job
        }
    };
    std::thread helper;
    if (Jobs.size() >= MinSharedJobs && std::thread::hardware_concurrency() > 1) {
        try {
            helper = std::thread(work, std::ref(LaneAt(1)));
        } catch (const std::system_error &) {
            // no thread to be had: this one draws them all
        }
    }
    work(LaneAt(0));
    if (helper.joinable())
        helper.join();
}

QImage TTrackLayerTiles::Draw(const TGeoTrack &Track, const TTrackScreenCache &Cache, Job &J, Lane &L) const
{
    const int64_t Tx = J.tx, Ty = J.ty, cell = J.cell;
    auto span = [cell](const CellLists &l) {
        if (cell < 0 || size_t(cell) + 1 >= l.start.size())
            return std::pair<const Run *, const Run *>{nullptr, nullptr};
        return std::pair<const Run *, const Run *>{l.runs.data() + l.start[size_t(cell)],
                                                   l.runs.data() + l.start[size_t(cell) + 1]};
    };
    const auto [segFrom, segTo] = span(fSegs);
    const auto [glyphFrom, glyphTo] = span(fGlyphs);
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
    if (segFrom == segTo && glyphFrom == glyphTo && crossing.empty())
        return QImage();

    const TGeoTrackStyle &st = Track.Style();
    const int edge = fTileSize;
    QImage img = std::move(J.image);
    if (img.size() != QSize(edge, edge) || img.format() != QImage::Format_ARGB32_Premultiplied)
        img = QImage(edge, edge, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);

    // The line: every segment's pixels set in one mask, painted once.
    TTrackLineMask &line = L.line;
    line.Begin(QSize(edge, edge), st.LineWidth);
    for (const Run *r = segFrom; r != segTo; ++r)
        for (uint32_t i = r->first, end = r->first + r->count; i != end; ++i)
            line.AddSegment(px[segs[i].a] - origin, px[segs[i].b] - origin);
    for (uint32_t i : crossing)
        line.AddSegment(px[segs[i].a] - origin, px[segs[i].b] - origin);
    {
        QPainter p(&img);
        line.Paint(p, ColorOfTColor(st.LineColor));
    }
    if (glyphFrom == glyphTo)
        return img;

    // The glyphs: from the last back, which can show; then those in order.
    const int size = std::max(st.PointSize, 1), s = size / 2;
    std::vector<GlyphItem> &shown = L.shown;
    shown.clear();
    const auto &glyphs = Cache.Glyphs();
    for (const Run *r = glyphFrom; r != glyphTo; ++r)
        for (uint32_t g = r->first, end = r->first + r->count; g != end; ++g) {
            const QPoint P = px[glyphs[g].index] - origin;
            shown.push_back(GlyphItem{glyphs[g].index | (uint32_t(uint8_t(glyphs[g].kind)) << KindShift), int16_t(P.x()),
                                      int16_t(P.y())});
        }
    if (L.coverage.Begin(size, edge, edge)) {
        size_t kept = shown.size();
        for (size_t g = shown.size(); g-- > 0;) {
            const GlyphItem &gl = shown[g];
            if (L.coverage.Shows(int(gl.point >> KindShift), gl.x - fGlyphReach, gl.y - fGlyphReach))
                shown[--kept] = gl;
        }
        shown.erase(shown.begin(), shown.begin() + std::ptrdiff_t(kept));
    }
    const auto &pts = Track.Points();
    constexpr uint32_t IndexMask = (uint32_t(1) << KindShift) - 1;
    for (size_t g = 0; g < shown.size(); ++g) {
        // The point records lie anywhere in memory: ask for one a few ahead.
        if (g + 8 < shown.size())
            __builtin_prefetch(pts[shown[g + 8].point & IndexMask].get());
        const GlyphItem &gl = shown[g];
        const GlyphKey k = TrackGlyphKey(st, *pts[gl.point & IndexMask], int8_t(gl.point >> KindShift));
        L.sprites.Draw(img, k, QPoint(gl.x - s, gl.y - s));
    }
    return img;
}
