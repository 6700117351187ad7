#include "OSM.TrackScreenCache.h"

#include "OSM.GeoTrack.h"
#include "MapRange.h"
#include "OSM.SlippyMapUtils.h"
#include "OSM.TrackGlyphs.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

namespace {

uint64_t Mix(uint64_t h, uint64_t v)
{
    h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

uint64_t Bits(double d)
{
    uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

// Revisions are unique over all caches, so that a reset cache never seems
// to hold what it held before.
uint64_t NextRevision()
{
    static uint64_t last = 0; // user-interface thread only
    return ++last;
}

enum : uint8_t { FlagParking = 1, FlagEvent = 2 };

// Runs A on a second thread and B on this one when there are enough points
// to be worth a thread, else both here.
template <typename FA, typename FB> void RunBoth(size_t Points, FA &&A, FB &&B)
{
    std::thread helper;
    if (Points >= 100000 && std::thread::hardware_concurrency() > 1) {
        try {
            helper = std::thread(std::ref(A));
        } catch (const std::system_error &) {
            // no thread to be had: both here
        }
    }
    B();
    if (helper.joinable())
        helper.join();
    else
        A();
}

} // namespace

void TTrackScreenCache::Reset()
{
    fTrack = nullptr;
    fFingerprint = 0;
    fZoom = -1;
    fRevision = NextRevision();
    fU.clear();
    fV.clear();
    fFlags.clear();
    fPx.clear();
    fBounds = QRect();
    fSegments.clear();
    fGlyphs.clear();
}

uint64_t TTrackScreenCache::Fingerprint(const TGeoTrack &Track) const
{
    const auto &pts = Track.Points();
    uint64_t h = Mix(0, pts.size());
    if (pts.empty())
        return h;
    // The ends and up to 64 points spread over the track.
    const size_t n = pts.size();
    const size_t step = std::max<size_t>(1, n / 64);
    for (size_t i = 0; i < n; i += step)
        h = Mix(Mix(Mix(h, reinterpret_cast<uintptr_t>(pts[i].get())), Bits(pts[i]->lat)), Bits(pts[i]->lon));
    const auto &last = pts.back();
    h = Mix(h, Track.ParkingRevision());
    return Mix(Mix(Mix(h, reinterpret_cast<uintptr_t>(last.get())), Bits(last->lat)), Bits(last->lon));
}

void TTrackScreenCache::Update(const TGeoTrack &Track, int Zoom)
{
    const uint64_t fp = Fingerprint(Track);
    const auto &pts = Track.Points();
    if (&Track != fTrack || fp != fFingerprint || fU.size() != pts.size()) {
        fTrack = &Track;
        fFingerprint = fp;
        fZoom = -1;
        fU.resize(pts.size());
        fV.resize(pts.size());
        fFlags.resize(pts.size());
        // The zoom-free part of LongToMapX and LatToMapY, once per track.
        // Scaling by a power of two is exact, so floor(U * 2^FixBits) shifted
        // right by FixBits - (8 + zoom) is floor(U * MapSize) itself.
        const double fix = double(int64_t(1) << FixBits);
        bool prevParking = false;
        for (size_t i = 0; i < pts.size(); ++i) {
            const TTrackPointInfo &p = *pts[i];
            fFlags[i] = uint8_t((p.IsParking ? FlagParking : 0) | (p.HasEvent ? FlagEvent : 0));
            if (!p.HasLatLon() || !IsMapPosition(p.lon, p.lat)) {
                fU[i] = NoPosition;
                fV[i] = 0;
                continue;
            }
            // A run of parking points is drawn at its first point only (see
            // the glyphs and the line below): that point stands at the
            // parking's centre, where the line enters and leaves it.
            double lat = p.lat, lon = p.lon;
            if (p.IsParking && !prevParking)
                if (const TTrackParking *k = Track.ParkingAt(p.obj_dt); k && !std::isnan(k->Center.Lat))
                    lat = k->Center.Lat, lon = k->Center.Long;
            prevParking = p.IsParking;
            // V lies within -0.0003 .. 1.0003 at the latitude limits: it fits.
            fU[i] = int32_t(std::floor(LongToMercatorU(lon) * fix));
            fV[i] = int32_t(std::floor(LatToMercatorV(lat) * fix));
        }
    }
    if (Zoom == fZoom)
        return;
    fZoom = Zoom;
    fRevision = NextRevision();
    fPx.resize(fU.size());
    const int bits = 8 + Zoom; // MapSize is 2^bits
    const int64_t size = int64_t(1) << bits;
    // Up to zoom 22 the shift is exact; deeper zooms (no tile source has
    // them) scale the fixed point up.
    const int down = std::max(FixBits - bits, 0), up = std::max(bits - FixBits, 0);
    struct Box
    {
        int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    };
    auto project = [&](size_t From, size_t To, Box &B) {
        for (size_t i = From; i < To; ++i) {
            if (fU[i] == NoPosition) {
                fPx[i] = QPoint(NoPosition, NoPosition);
                continue;
            }
            const int64_t x = (int64_t(fU[i]) >> down) << up, y = (int64_t(fV[i]) >> down) << up;
            if (y < 0 || y > size) { // beyond the Mercator limit
                fPx[i] = QPoint(NoPosition, NoPosition);
                continue;
            }
            fPx[i] = QPoint(int(x), int(y));
            B.minX = std::min(B.minX, int(x));
            B.maxX = std::max(B.maxX, int(x));
            B.minY = std::min(B.minY, int(y));
            B.maxY = std::max(B.maxY, int(y));
        }
    };
    // A long track is done in halves on two threads: each half writes only
    // its own pixels and box.
    Box first, second;
    const size_t half = fU.size() / 2;
    RunBoth(fU.size(), [&] { project(0, half, first); }, [&] { project(half, fU.size(), second); });
    const int minX = std::min(first.minX, second.minX), maxX = std::max(first.maxX, second.maxX);
    const int minY = std::min(first.minY, second.minY), maxY = std::max(first.maxY, second.maxY);
    fBounds = minX > maxX ? QRect() : QRect(QPoint(minX, minY), QPoint(maxX, maxY));

    // The line and the glyphs, in the order they are drawn; each list on
    // its own thread, reading the same pixels and flags.
    auto buildSegments = [&] {
        fSegments.clear();
        bool havePrev = false, prevParking = false;
        uint32_t anchor = 0;
        for (size_t i = 0; i < fPx.size(); ++i) {
            if (fPx[i].x() == NoPosition)
                continue;
            const bool parking = fFlags[i] & FlagParking;
            if (!havePrev) {
                havePrev = true;
                anchor = uint32_t(i);
                prevParking = parking;
                continue;
            }
            // A run of parking points is entered at its first point and left from there.
            if (!(prevParking && parking)) {
                if (fPx[i] != fPx[anchor])
                    fSegments.push_back(Segment{anchor, uint32_t(i)});
                anchor = uint32_t(i);
            }
            prevParking = parking;
        }
    };
    auto buildGlyphs = [&] {
        fGlyphs.clear();
        bool parkingDrawn = false;
        for (size_t i = 0; i < fPx.size(); ++i) {
            if (fPx[i].x() == NoPosition)
                continue;
            // One parking glyph per run; an ordinary point ends a run.
            if (fFlags[i] & FlagParking) {
                if (!parkingDrawn)
                    fGlyphs.push_back(Glyph{uint32_t(i), GlyphParking});
                parkingDrawn = true;
            } else {
                fGlyphs.push_back(Glyph{uint32_t(i), (fFlags[i] & FlagEvent) ? GlyphEvent : GlyphPoint});
                parkingDrawn = false;
            }
        }
    };
    RunBoth(fPx.size(), buildSegments, buildGlyphs);
}

void TTrackScreenCache::SetPainted(const QPoint &Offset, const QRect &Area)
{
    fPaintOffset = Offset;
    fPaintArea = Area;
    fSynced = false;
}

void TTrackScreenCache::SyncMapPoints(TGeoTrack &Track)
{
    if (fSynced)
        return;
    fSynced = true;
    auto &pts = Track.Points();
    std::vector<uint32_t> now;
    if (&Track == fTrack && fPx.size() == pts.size() && !fPaintArea.isEmpty()) {
        for (size_t i = 0; i < fPx.size(); ++i)
            if (fPx[i].x() != NoPosition && fPaintArea.contains(fPx[i] - fPaintOffset))
                now.push_back(uint32_t(i));
    }
    // Points shown before but not now lose their position, so the click
    // test never finds a point where it is no longer shown.
    size_t k = 0;
    for (uint32_t idx : fPainted) {
        while (k < now.size() && now[k] < idx)
            ++k;
        if ((k == now.size() || now[k] != idx) && idx < pts.size())
            pts[idx]->MapPoint = QPoint();
    }
    for (uint32_t idx : now)
        pts[idx]->MapPoint = fPx[idx] - fPaintOffset;
    fPainted.swap(now);
}
