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
#include <atomic>
#include <thread>
#include <cerrno>
#include <cstdio>

namespace {

const QByteArray PngSignature("\x89PNG\r\n\x1a\n", 8);

// Decodes PNG bytes only: a body that merely claims to be an image (an HTML
// page with status 200, a truncated file) yields a null image, and so does
// one whose header announces more than a tile (a few kilobytes can say
// 5000 x 5000 pixels, 100 MB decoded); Size then tells what it announced.
QImage DecodePng(const QByteArray &Data, QSize *Size = nullptr)
{
    if (!Data.startsWith(PngSignature))
        return QImage();
    QBuffer buf;
    buf.setData(Data);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "png");
    reader.setDecideFormatFromContent(false);
    const QSize announced = reader.size(); // the header only
    if (Size)
        *Size = announced;
    if (!announced.isValid() || announced.width() > TTileStorage::MaxTileSide
        || announced.height() > TTileStorage::MaxTileSide)
        return QImage();
    return reader.read();
}

uint32_t Charge(const QImage &Image)
{
    return uint32_t(Image.sizeInBytes());
}

// The formats the map draws by a plain copy: RGB32 when opaque.
QImage DrawingFormat(const QImage &Png)
{
    if (Png.format() == QImage::Format_RGB32 || Png.format() == QImage::Format_ARGB32_Premultiplied)
        return Png;
    return Png.convertToFormat(Png.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
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
    const QImage bmp = DrawingFormat(Png);
    FBmpCache.Push(Tile, bmp, Charge(bmp));
    return bmp;
}

void TTileStorage::Preload(const std::vector<TTile> &Tiles)
{
    FPreloaded.clear();
    if (HasOption(TTileStorageOption::tsoNoFileCache))
        return;
    std::vector<TTile> todo;
    for (const TTile &t : Tiles)
        if (!FBmpCache.Find(t) && !FPngCache.Find(t) && !FStmCache.Find(t))
            todo.push_back(t);
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    if (todo.size() < 8 || threads < 2)
        return; // decoding as they are drawn costs no more
    std::vector<QString> paths;
    paths.reserve(todo.size());
    for (const TTile &t : todo)
        paths.push_back(TilePath(t));
    std::vector<TPreloaded> done(todo.size());
    std::atomic<size_t> next{0};
    // Reading and decoding touch nothing shared; a tile that fails is left
    // to GetTile, which deals with damaged files.
    auto work = [&] {
        for (size_t i = next++; i < todo.size(); i = next++) {
            QFile f(paths[i]);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            done[i].data = f.readAll();
            const QImage png = DecodePng(done[i].data);
            if (!png.isNull())
                done[i].png = DrawingFormat(png);
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned k = 1; k < threads; ++k)
        helpers.emplace_back(work);
    work();
    for (auto &h : helpers)
        h.join();
    for (size_t i = 0; i < todo.size(); ++i)
        if (!done[i].png.isNull())
            FPreloaded.insert(todo[i], std::move(done[i]));
}

QImage TTileStorage::GetTile(const TTile &Tile)
{
    if (const QImage *bmp = FBmpCache.Find(Tile))
        return *bmp;
    if (const QImage *png = FPngCache.Find(Tile))
        return PushDecoded(Tile, *png);
    if (auto pre = FPreloaded.find(Tile); pre != FPreloaded.end()) {
        const TPreloaded got = std::move(*pre);
        FPreloaded.erase(pre);
        FStmCache.Push(Tile, got.data, uint32_t(got.data.size()));
        FPngCache.Push(Tile, got.png, Charge(got.png));
        return PushDecoded(Tile, got.png);
    }

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
    FPngCache.Push(Tile, png, Charge(png));
    return PushDecoded(Tile, png);
}

bool TTileStorage::StoreTile(const TTile &Tile, QByteArray Ms, QString *ErrMsg)
{
    const QImage png = PrepareTile(Tile, Ms, ErrMsg);
    if (png.isNull())
        return false;
    KeepTile(Tile, Ms, png);
    return true;
}

QImage TTileStorage::PrepareTile(const TTile &Tile, const QByteArray &Ms, QString *ErrMsg) const
{
    if (ErrMsg)
        ErrMsg->clear();
    QSize announced;
    const QImage png = DecodePng(Ms, &announced);
    if (png.isNull()) {
        if (ErrMsg) {
            if (announced.width() > MaxTileSide || announced.height() > MaxTileSide)
                *ErrMsg = QStringLiteral("tile too large (%1 x %2 pixels)").arg(announced.width()).arg(announced.height());
            else
                *ErrMsg = Ms.startsWith(PngSignature) ? QStringLiteral("damaged PNG image")
                                                      : QStringLiteral("not a PNG image");
        }
        return QImage();
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
    return png;
}

void TTileStorage::KeepTile(const TTile &Tile, const QByteArray &Ms, const QImage &Png)
{
    FPreloaded.remove(Tile); // the new bytes win over a copy read before
    FStmCache.Push(Tile, Ms, uint32_t(Ms.size()));
    FPngCache.Push(Tile, Png, Charge(Png));
    PushDecoded(Tile, Png);
}

void TTileStorage::ClearCache()
{
    FBmpCache.Clear();
    FPngCache.Clear();
    FStmCache.Clear();
    FPreloaded.clear();
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
