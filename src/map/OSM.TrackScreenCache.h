#pragma once

#include <QPoint>

#include <cstdint>
#include <vector>

class TGeoTrack;

// Map pixels of a track's points at one zoom, kept between paints so that
// panning a long track costs a subtraction per point instead of a projection.
// The cache notices a different track, added or removed points, moved first
// or last points and a sample of changed positions; Reset covers the rest.
class TTrackScreenCache
{
public:
    static constexpr int NoPosition = INT32_MIN;

    // Brings the pixels up to date for the track at the zoom.
    void Update(const TGeoTrack &Track, int Zoom);
    void Reset();

    // One per point; x is NoPosition for a point without a drawable position.
    const std::vector<QPoint> &MapPixels() const { return fPx; }

    // Indices of the points whose MapPoint the last paint set.
    std::vector<uint32_t> Painted;

private:
    uint64_t Fingerprint(const TGeoTrack &Track) const;

    const TGeoTrack *fTrack = nullptr;
    uint64_t fFingerprint = 0;
    int fZoom = -1;
    std::vector<double> fU, fV; // Web Mercator position in 0..1, zoom free
    std::vector<QPoint> fPx;
};
