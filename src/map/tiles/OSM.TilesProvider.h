#pragma once

#include "OSM.SlippyMapUtils.h"

#include <QString>

// A source of raster map tiles: zoom range, attribution and the download URL
// of a tile. GetTileURL is called from several download threads at once, so
// providers keep it free of side effects.
class TTilesProvider
{
public:
    virtual ~TTilesProvider() = default;

    TMapZoomLevel MinZoomLevel = 0;
    TMapZoomLevel MaxZoomLevel = 0;
    QString TilesCopyright;
    QString APIKey;

    // Named provider properties; the base has none and throws std::runtime_error.
    virtual QString GetProperty(const QString &Index) const;
    virtual void SetProperty(const QString &Index, const QString &Value);
    virtual QString GetTileURL(const TTile &Tile) const = 0;
};

// Stands in when no source is configured: tiles come only from the caches.
class TDummyTilesProvider : public TTilesProvider
{
public:
    TDummyTilesProvider();
    QString GetTileURL(const TTile &Tile) const override;
};

// OpenStreetMap-style tile servers. The pattern takes the zoom, column and row
// either as {z}, {x} and {y}, or as three %d in that order.
class TOSMTilesProvider : public TTilesProvider
{
public:
    static const QString DefaultTileURL;

    explicit TOSMTilesProvider(const QString &TileURLPattern = QString());

    QString TileURLPatt;

    QString GetTileURL(const TTile &Tile) const override;

    // True when the pattern carries all three tile placeholders in a form
    // GetTileURL understands.
    static bool IsValidPattern(const QString &Pattern);
};
