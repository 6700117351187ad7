#pragma once

#include "MapLayer.h"
#include "OSM.TrackLayerTiles.h"
#include "OSM.TrackScreenCache.h"

#include <memory>
#include <vector>

class TGeoTrack;
class TTrackPointInfo;

// The tracks being analysed, in list order. Each keeps its points' map
// pixels (the screen cache) and its drawn pieces (the track tiles); a
// high-density surface gets the line and glyphs drawn at its own pixels.
class TTrackLayer : public TMapLayer
{
public:
    TTrackLayer();
    ~TTrackLayer() override;

    // Owned tracks, drawn in list order.
    std::vector<std::unique_ptr<TGeoTrack>> &Tracks() { return FTracks; }

    void Paint(QPainter &Canvas, const TMapView &View) override;
    bool HitTest(const QPoint &ViewPt, const TMapView &) const override { return !PointsAt(ViewPt).empty(); }

    // Drops what is kept for painting (positions, line, glyphs, drawn
    // tiles); for points changed in place.
    void Invalidate();
    // Writes MapPoint of every track point the last paint showed, and clears
    // it on points no longer shown.
    void UpdateMapPoints();
    // Per track, the last point of the last paint whose glyph covers the
    // view point (as UpdateMapPoints left them).
    std::vector<TTrackPointInfo *> PointsAt(const QPoint &ViewPt) const;

private:
    void DrawTrack(QPainter &Canvas, const TMapView &View, TGeoTrack &Track, TTrackScreenCache &Cache,
                   TTrackLayerTiles &Tiles);
    void DrawTrackAtDevicePixels(QPainter &Canvas, const TMapView &View, const TGeoTrack &Track,
                                 const TTrackScreenCache &Cache, int Margin);

    std::vector<std::unique_ptr<TGeoTrack>> FTracks;
    // Screen positions of the tracks' points, one per track in list order.
    std::vector<TTrackScreenCache> FCaches;
    std::vector<TTrackLayerTiles> FTiles; // the tracks drawn, in the same order
};
