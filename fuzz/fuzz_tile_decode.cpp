// A downloaded map tile: the storage's checks and decoding (PNG only, at
// most 512 x 512 pixels by its header) and its caches, in memory.

#include "FuzzSupport.h"
#include "OSM.TileStorage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size))
        return 0;
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetOptions(unsigned(TTileStorageOption::tsoNoFileCache));
    const TTile tile{TMapZoomLevel(5), 1, 2};
    QString err;
    if (storage.StoreTile(tile, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), &err)) {
        const QImage img = storage.GetTile(tile);
        if (img.isNull() || img.width() > TTileStorage::MaxTileSide || img.height() > TTileStorage::MaxTileSide)
            std::abort();
    }
    return 0;
}
