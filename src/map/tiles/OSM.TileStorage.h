#pragma once

#include "OSM.SlippyMapUtils.h"
#include "OSM.TileObjectCache.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

struct TCacheLimits
{
    uint32_t BmpCount = 0;     // decoded bitmaps
    uint32_t PngTotalSize = 0; // bytes of decoded PNG images (charged their PNG length)
    uint32_t PngCount = 0;     // decoded PNG images
    uint32_t StmSize = 0;      // bytes of raw PNG data

    // One byte budget split over the three levels.
    static TCacheLimits FromBudget(uint32_t CacheSize);
};

enum class TTileStorageOption : uint8_t {
    tsoNoFileCache = 1,       // never read or write disk files
    tsoReadOnlyFileCache = 2, // read disk files but never write them
};

// Tiles that have arrived: decoded bitmaps, decoded PNG images and raw PNG
// bytes in memory, in front of a disk cache of one PNG file per tile.
// Used only on the user-interface thread.
class TTileStorage
{
public:
    // A bitmap of an ordinary tile; the budget is split in these (FromBudget).
    // Each cached image is charged its real decoded bytes.
    static constexpr uint32_t BitmapCharge = 256 * 256 * 4;
    // The largest tile side taken (high-density tiles are 512): a PNG whose
    // header says more is refused before it is decoded.
    static constexpr int MaxTileSide = 512;

    // TilePathPatt: a tile's path below the root with three %d (zoom, column, row).
    TTileStorage(uint32_t CacheSize, const QString &TilePathPatt);
    TTileStorage(const TCacheLimits &CacheLimits, const QString &TilePathPatt);

    QString FileCacheBaseDir() const { return FFileCacheBaseDir; }
    void SetFileCacheBaseDir(const QString &Dir) { FFileCacheBaseDir = Dir; }
    unsigned Options() const { return FOptions; }
    void SetOptions(unsigned Options) { FOptions = Options; }
    bool HasOption(TTileStorageOption o) const { return FOptions & unsigned(o); }
    TCacheLimits Limits() const { return FLimits; }

    // The tile's bitmap (RGB32 when opaque, else ARGB32 premultiplied), or a null image when neither the
    // memory caches nor the disk hold a usable copy. A disk file that is empty or
    // does not decode is deleted, so the tile counts as missing and is fetched again.
    QImage GetTile(const TTile &Tile);

    // Takes downloaded bytes. Only a PNG image is accepted: anything else (an
    // HTML error page, say) is refused with ErrMsg set and nothing is stored.
    // The file is written atomically; a failed write is reported in ErrMsg but
    // the tile is still cached in memory, and the answer stays true.
    bool StoreTile(const TTile &Tile, QByteArray Ms, QString *ErrMsg = nullptr);
    // StoreTile in two parts. PrepareTile decodes the bytes and writes the
    // file; it touches no cache and may run on another thread (the folder and
    // options are set before tiles arrive). A null image, ErrMsg set, when the
    // bytes are no PNG image. KeepTile then puts what PrepareTile accepted
    // into the memory caches.
    QImage PrepareTile(const TTile &Tile, const QByteArray &Ms, QString *ErrMsg) const;
    void KeepTile(const TTile &Tile, const QByteArray &Ms, const QImage &Png);

    // Empties the memory caches; disk files stay.
    void ClearCache();

    // Reads and decodes, on all cores at once, those of the tiles that no
    // memory cache holds and the disk has; GetTile then takes them without
    // decoding. What GetTile has not taken by the next Preload is dropped.
    void Preload(const std::vector<TTile> &Tiles);

    // The disk path of a tile.
    QString TilePath(const TTile &Tile) const;

    const TTileObjectCache<QImage> &BmpCache() const { return FBmpCache; }
    const TTileObjectCache<QImage> &PngCache() const { return FPngCache; }
    const TTileObjectCache<QByteArray> &StmCache() const { return FStmCache; }

private:
    QByteArray ReadTileFile(const TTile &Tile);
    QImage PushDecoded(const TTile &Tile, const QImage &Png);

    TTileObjectCache<QImage> FBmpCache;
    TTileObjectCache<QImage> FPngCache;
    TTileObjectCache<QByteArray> FStmCache;
    struct TPreloaded
    {
        QByteArray data;
        QImage png;
    };
    QHash<TTile, TPreloaded> FPreloaded;
    TCacheLimits FLimits;
    QString FFileCacheBaseDir;
    QString FTilePathPatt;
    unsigned FOptions = 0;
};

// Deletes disk tiles whose last write is MaxAgeDays whole days old or older,
// walking Dir depth first; sub-folders whose names begin with "." are skipped
// and folders are never deleted. Returns the number of files deleted; failed
// deletions go to Log as "\r  error del <path>: <errno>".
int PurgeTileCache(const QString &Dir, int MaxAgeDays,
                   const std::function<void(const QString &)> &Log = {});
