#pragma once

#include "OSM.SlippyMapUtils.h"
#include "OSM.TrackScreenCache.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <vector>

class QPainter;
class TGeoTrack;

// A track painted in square tiles of map pixels at the current zoom, each
// drawn once and kept: panning then copies a few images however many points
// the track has. A tile holds exactly the pixels of drawing the whole track
// (line, then every glyph in order) clipped to it, so the tiles meet without
// seams. Segments and glyphs are sorted into the tiles they touch first, in
// runs; only tiles in view are drawn.
class TTrackLayerTiles
{
public:
    explicit TTrackLayerTiles(int TileSize = 256);

    // Paints the track over the view whose top-left is the map pixel Offset.
    void Paint(QPainter &Canvas, const TGeoTrack &Track, const TTrackScreenCache &Cache, const QPoint &Offset,
               const QSize &View);
    // Forgets the sorted track and the tiles, keeping the buffers for the
    // next sort (a zoom step sorts a million points again).
    void Reset();

    // Tiles drawn since the last Reset (for tests and measurements).
    int TilesDrawn() const { return fTilesDrawn; }

private:
    struct Tile
    {
        QImage image; // null: nothing of the track there
        uint64_t used = 0;
    };
    // What a cell draws: a run of consecutive segments or glyphs (indices
    // into the cache's lists). Consecutive points of a track mostly stay in
    // one tile, so a run stands for hundreds of items: sorting writes one
    // entry per run, and an item reaching into several tiles is a run of one
    // in each of them.
    struct Run
    {
        uint32_t first, count;
    };
    // A glyph to draw in a tile: its point's index (the kind in the top two
    // bits) and its pixel in the tile's own coordinates.
    struct GlyphItem
    {
        uint32_t point;
        int16_t x, y;
    };
    static constexpr int KindShift = 30;
    // The runs of every cell, one flat list sorted by cell: those of cell
    // c are runs[start[c] .. start[c + 1]).
    struct CellLists
    {
        std::vector<uint32_t> start;
        std::vector<Run> runs;
    };

    static uint64_t Key(int64_t Tx, int64_t Ty) { return (uint64_t(uint32_t(Tx)) << 32) | uint32_t(Ty); }
    int64_t TileOf(int64_t V) const { return fShift >= 0 ? V >> fShift : FloorDiv(V, fTileSize); }
    void Sort(const TGeoTrack &Track, const TTrackScreenCache &Cache);
    bool IsLong(const QPoint &A, const QPoint &B) const;
    template <typename F> void ForSegmentTiles(const QPoint &A, const QPoint &B, F &&Each) const;
    template <typename F> void SortInto(CellLists &Lists, uint32_t Count, std::vector<std::byte> &Scratch, F &&ForTiles);
    template <typename F> void ForGlyphTiles(const QPoint &P, F &&Each) const;
    int64_t Cell(int64_t Tx, int64_t Ty, bool Add);
    // Scratch of drawing tiles, one per thread that draws them.
    struct Lane;
    static Lane &LaneAt(int Index);
    // A tile to draw: its cell (looked up beforehand, Cell is not safe on
    // two threads) and an image to reuse; the drawn image comes back in it.
    struct Job
    {
        int64_t tx, ty, cell;
        QImage image;
        bool drawn = false;
    };
    void DrawJobs(const TGeoTrack &Track, const TTrackScreenCache &Cache, std::vector<Job> &Jobs);
    // Reads only what Sort made, and the job: safe on two threads at once.
    // Takes the job's image unless the tile holds nothing.
    QImage Draw(const TGeoTrack &Track, const TTrackScreenCache &Cache, Job &J, Lane &L) const;
    void Trim(const QRect &Keep);

    int fTileSize;
    int fShift = -1; // log2 of the tile size, -1 when it is no power of two
    uint64_t fRevision = 0;
    uint64_t fStyleKey = 0;
    int fLineMargin = 0, fGlyphReach = 0, fGlyphSide = 0;
    // Cells are the tiles of the track's extent, numbered row by row; an
    // extent of too many tiles (a long journey at a deep zoom) numbers the
    // tiles touched instead, in a hash.
    int64_t fTx0 = 0, fTy0 = 0, fColumns = 0, fRows = 0;
    bool fDense = true;
    QHash<uint64_t, uint32_t> fCellOf;
    int64_t fLastKey = -1, fLastCell = -1;
    CellLists fSegs, fGlyphs;
    std::vector<uint32_t> fLong; // segments across too many tiles to sort
    std::vector<std::byte> fScratch, fGlyphScratch; // of sorting, kept between zooms
    QHash<uint64_t, Tile> fTiles;
    std::vector<QImage> fSpare; // images of dropped tiles, drawn over again
    uint64_t fFrame = 0;
    int fTilesDrawn = 0;
};
