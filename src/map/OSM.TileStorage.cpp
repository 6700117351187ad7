#include "OSM.TileStorage.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

const QByteArray PngSignature("\x89PNG\r\n\x1a\n", 8);

// Decodes PNG bytes only: a body that merely claims to be an image (an HTML
// page with status 200, a truncated file) yields a null image.
QImage DecodePng(const QByteArray &Data)
{
    if (!Data.startsWith(PngSignature))
        return QImage();
    QBuffer buf;
    buf.setData(Data);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "png");
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

} // namespace

TCacheLimits TCacheLimits::FromBudget(uint32_t CacheSize)
{
    TCacheLimits l;
    l.BmpCount = std::min<uint32_t>(CacheSize / 786432, 750);
    l.PngTotalSize = CacheSize / 3;
    l.PngCount = (3000 - l.BmpCount) / 3;
    l.StmSize = CacheSize - l.BmpCount * TTileStorage::BitmapCharge - CacheSize / 3;
    return l;
}

TTileStorage::TTileStorage(uint32_t CacheSize, const QString &TilePathPatt)
    : TTileStorage(TCacheLimits::FromBudget(CacheSize), TilePathPatt)
{}

TTileStorage::TTileStorage(const TCacheLimits &CacheLimits, const QString &TilePathPatt)
    : FBmpCache(CacheLimits.BmpCount, CacheLimits.BmpCount * BitmapCharge)
    , FPngCache(CacheLimits.PngCount, CacheLimits.PngTotalSize)
    , FStmCache(0, CacheLimits.StmSize)
    , FLimits(CacheLimits)
    , FTilePathPatt(TilePathPatt)
{}

QString TTileStorage::TilePath(const TTile &Tile) const
{
    QString rel = FTilePathPatt;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString values[3] = {QString::number(Tile.Zoom), QString::number(Tile.ParameterX),
                               QString::number(Tile.ParameterY)};
    for (const QString &v : values) {
        const int at = int(rel.indexOf(QLatin1String("%d")));
        if (at < 0)
            break;
        rel.replace(at, 2, v);
    }
    QString base = FFileCacheBaseDir;
    if (!base.isEmpty() && !base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + rel;
}

QByteArray TTileStorage::ReadTileFile(const TTile &Tile)
{
    const QString path = TilePath(Tile);
    QFile f(path);
    if (!f.exists())
        return QByteArray();
    QByteArray data;
    if (f.open(QIODevice::ReadOnly))
        data = f.readAll();
    f.close();
    if (data.isEmpty())
        QFile::remove(path);
    return data;
}

QImage TTileStorage::PushDecoded(const TTile &Tile, const QImage &Png)
{
    // The cache image the map paints into is RGB32: an opaque tile kept in
    // that format is drawn by a plain copy, and a decoded image already in a
    // drawing format is shared rather than converted again.
    QImage bmp = Png;
    if (bmp.format() != QImage::Format_RGB32 && bmp.format() != QImage::Format_ARGB32_Premultiplied)
        bmp = bmp.convertToFormat(bmp.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    FBmpCache.Push(Tile, bmp, BitmapCharge);
    return bmp;
}

QImage TTileStorage::GetTile(const TTile &Tile)
{
    if (const QImage *bmp = FBmpCache.Find(Tile))
        return *bmp;
    if (const QImage *png = FPngCache.Find(Tile))
        return PushDecoded(Tile, *png);

    QByteArray data;
    bool fromDisk = false;
    if (const QByteArray *stm = FStmCache.Find(Tile)) {
        data = *stm;
    } else {
        if (HasOption(TTileStorageOption::tsoNoFileCache))
            return QImage();
        data = ReadTileFile(Tile);
        if (data.isEmpty())
            return QImage();
        fromDisk = true;
    }
    const QImage png = DecodePng(data);
    if (png.isNull()) {
        // A damaged tile would fail at every paint: forget it and let the
        // caller fetch a fresh copy.
        FStmCache.Remove(Tile);
        if (fromDisk && !HasOption(TTileStorageOption::tsoReadOnlyFileCache))
            QFile::remove(TilePath(Tile));
        return QImage();
    }
    if (fromDisk)
        FStmCache.Push(Tile, data, uint32_t(data.size()));
    FPngCache.Push(Tile, png, uint32_t(data.size()));
    return PushDecoded(Tile, png);
}

bool TTileStorage::StoreTile(const TTile &Tile, QByteArray Ms, QString *ErrMsg)
{
    if (ErrMsg)
        ErrMsg->clear();
    const QImage png = DecodePng(Ms);
    if (png.isNull()) {
        if (ErrMsg)
            *ErrMsg = Ms.startsWith(PngSignature) ? QStringLiteral("damaged PNG image")
                                                  : QStringLiteral("not a PNG image");
        return false;
    }
    if (!HasOption(TTileStorageOption::tsoNoFileCache) && !HasOption(TTileStorageOption::tsoReadOnlyFileCache)) {
        const QString path = TilePath(Tile);
        QDir().mkpath(QFileInfo(path).absolutePath());
        // Temporary file and rename: a crash never leaves half a tile behind.
        QSaveFile f(path);
        bool ok = f.open(QIODevice::WriteOnly) && f.write(Ms) == Ms.size();
        ok = ok && f.commit();
        if (!ok && ErrMsg)
            *ErrMsg = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        // The tile stays usable from memory even when the disk refuses it.
    }
    const uint32_t size = uint32_t(Ms.size());
    FStmCache.Push(Tile, Ms, size);
    FPngCache.Push(Tile, png, size);
    PushDecoded(Tile, png);
    return true;
}

void TTileStorage::ClearCache()
{
    FBmpCache.Clear();
    FPngCache.Clear();
    FStmCache.Clear();
}

int PurgeTileCache(const QString &Dir, int MaxAgeDays, const std::function<void(const QString &)> &Log)
{
    int count = 0;
    QDir dir(Dir);
    const QDateTime now = QDateTime::currentDateTime();
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QFileInfo &fi : entries) {
        if (fi.isDir() && !fi.isSymLink()) {
            if (!fi.fileName().startsWith(QLatin1Char('.')))
                count += PurgeTileCache(fi.filePath(), MaxAgeDays, Log);
            continue;
        }
        if (!fi.isFile())
            continue;
        const qint64 ageDays = fi.lastModified().secsTo(now) / 86400;
        if (ageDays < MaxAgeDays)
            continue;
        const QByteArray native = QFile::encodeName(fi.filePath());
        if (std::remove(native.constData()) == 0) {
            ++count;
        } else if (Log) {
            Log(QStringLiteral("\r  error del %1: %2").arg(fi.filePath()).arg(errno));
        }
    }
    return count;
}
