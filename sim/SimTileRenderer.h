#pragma once

#include "SimRoute.h"

#include <QByteArray>
#include <QCache>
#include <QList>

#include <mutex>

// Draws offline map tiles: a land colour, a river, a coordinate grid, the
// street grid of the city and the simulated routes as main streets. Tiles are
// the same for the same world, so they are cached and carry a stable ETag.
class SimTileRenderer
{
public:
    static constexpr int TileSize = 256;

    SimTileRenderer(const QList<SimRoute> &routes, quint64 seed);

    static bool validTile(int z, int x, int y);
    // PNG bytes of the tile; empty for an invalid tile.
    QByteArray png(int z, int x, int y);
    QByteArray etag(int z, int x, int y) const;

private:
    QByteArray render(int z, int x, int y) const;

    QList<SimRoute> fRoutes;
    quint64 fSeed;
    std::mutex fCacheMutex;
    QCache<quint64, QByteArray> fCache;
};
