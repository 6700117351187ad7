#pragma once

#include "OSM.TrackScreenCache.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <unordered_map>
#include <vector>

class QPainter;
class TGeoTrack;

// A track painted in square tiles of map pixels at the current zoom, each
// drawn once and kept: panning then copies a few images however many points
// the track has. A tile holds exactly the pixels of drawing the whole track
// (line, then every glyph in order) clipped to it, so the tiles meet without
// seams. Segments and glyphs are sorted into the tiles they touch first;
// only tiles in view are drawn.
class TTrackLayerTiles
{
public:
    explicit TTrackLayerTiles(int TileSize = 256) : fTileSize(TileSize) {}

    // Paints the track over the view whose top-left is the map pixel Offset.
    void Paint(QPainter &Canvas, const TGeoTrack &Track, const TTrackScreenCache &Cache, const QPoint &Offset,
               const QSize &View);
    void Reset();

    // Tiles drawn since the last Reset (for tests and measurements).
    int TilesDrawn() const { return fTilesDrawn; }

private:
    struct Bucket
    {
        std::vector<uint32_t> segments, glyphs;
    };
    struct Tile
    {
        QImage image; // null: nothing of the track there
        uint64_t used = 0;
    };

    static uint64_t Key(int64_t Tx, int64_t Ty) { return (uint64_t(uint32_t(Tx)) << 32) | uint32_t(Ty); }
    void Sort(const TGeoTrack &Track, const TTrackScreenCache &Cache);
    void AddSegment(uint32_t S, const QPoint &A, const QPoint &B);
    QImage Draw(const TGeoTrack &Track, const TTrackScreenCache &Cache, int64_t Tx, int64_t Ty);
    void Trim(const QRect &Keep);

    int fTileSize;
    uint64_t fRevision = 0;
    uint64_t fStyleKey = 0;
    int fLineMargin = 0, fGlyphReach = 0;
    // Node-based, so a bucket stays put while others are added.
    std::unordered_map<uint64_t, Bucket> fBuckets;
    std::vector<uint32_t> fLong; // segments across too many tiles to sort
    QHash<uint64_t, Tile> fTiles;
    uint64_t fFrame = 0;
    int fTilesDrawn = 0;
};
