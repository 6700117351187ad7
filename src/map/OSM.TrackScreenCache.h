#pragma once

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <vector>

class TGeoTrack;

// What painting a track needs at one zoom, kept between paints so that
// panning costs nothing per point: the map pixels of the points, the line as
// segments between points and the glyphs in drawing order. The cache notices
// a different track, added or removed points, moved first or last points and
// a sample of changed positions; Reset covers the rest.
//
// The view positions of the painted points (their MapPoint) are written on
// demand, by SyncMapPoints, from what the last paint showed: a paint while
// panning then touches no point record at all.
class TTrackScreenCache
{
public:
    static constexpr int NoPosition = INT32_MIN;

    // A piece of the line, between two points (indices).
    struct Segment
    {
        uint32_t a, b;
    };
    // A point's glyph; kind as GlyphKind.
    struct Glyph
    {
        uint32_t index;
        int8_t kind;
    };

    // Brings everything up to date for the track at the zoom.
    void Update(const TGeoTrack &Track, int Zoom);
    void Reset();

    // One per point; x is NoPosition for a point without a drawable position.
    const std::vector<QPoint> &MapPixels() const { return fPx; }
    // The line in drawing order. A run of parking points is entered at its
    // first point and left from there; points on one pixel make no segment.
    const std::vector<Segment> &Segments() const { return fSegments; }
    // Glyphs in drawing order: every point but the second and later points
    // of a parking run.
    const std::vector<Glyph> &Glyphs() const { return fGlyphs; }
    // The smallest rectangle holding every point with a position.
    const QRect &PixelBounds() const { return fBounds; }
    // Changes whenever the pixels, segments or glyphs do.
    uint64_t Revision() const { return fRevision; }

    // Records what a paint showed: the points whose view pixel (map pixel
    // minus Offset) lies in Area. An empty Area: the track was not shown.
    void SetPainted(const QPoint &Offset, const QRect &Area);
    // Gives the points the last paint showed their view position in MapPoint
    // and takes it from points shown before but not then.
    void SyncMapPoints(TGeoTrack &Track);
    // Indices of the points whose MapPoint is set, ascending (after a sync).
    const std::vector<uint32_t> &Painted() const { return fPainted; }

private:
    uint64_t Fingerprint(const TGeoTrack &Track) const;

    const TGeoTrack *fTrack = nullptr;
    uint64_t fFingerprint = 0;
    int fZoom = -1;
    uint64_t fRevision = 0;
    // Web Mercator position, zoom free, in fixed point: floor(U * 2^FixBits),
    // so that a zoom's pixel is a shift of it and exactly floor(U * MapSize).
    // fU is NoPosition for a point without a drawable position.
    static constexpr int FixBits = 30;
    std::vector<int32_t> fU, fV;
    std::vector<uint8_t> fFlags; // parking, event
    std::vector<QPoint> fPx;
    QRect fBounds;
    std::vector<Segment> fSegments;
    std::vector<Glyph> fGlyphs;

    QPoint fPaintOffset;
    QRect fPaintArea;
    bool fSynced = true;
    std::vector<uint32_t> fPainted;
};
