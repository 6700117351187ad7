#include "OSM.TileStorage.h"
#include "OSM.TilesProvider.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray PngBytes(QColor c, int size = 256)
{
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(c);
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

TTile T(int z, int x, int y)
{
    return TTile{TMapZoomLevel(z), quint32(x), quint32(y)};
}

void WriteFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// CRC-32 of PNG chunks (ISO 3309), to forge a header.
quint32 Crc32(const QByteArray &data)
{
    quint32 c = 0xFFFFFFFFu;
    for (const char ch : data) {
        c ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

// A small PNG whose header claims width x height: a few hundred bytes that a
// decoder would size a huge image for.
QByteArray ForgedPng(quint32 width, quint32 height)
{
    QByteArray png = PngBytes(Qt::red, 16);
    const auto put = [&png](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            png[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
    };
    // Signature (8), IHDR length (4), "IHDR" (4), then width and height.
    put(16, width);
    put(20, height);
    put(29, Crc32(png.mid(12, 17))); // over "IHDR" and its 13 data bytes
    return png;
}

} // namespace

class tst_TileStorage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void budgetSplit_data();
    void budgetSplit();
    void bitmapCountEvictsOldestEvenAfterHit();
    void countLimitEvictsOneAndMayExceedBytes();
    void oversizedObjectIsStillKept();
    void diskTileIsDecodedAndCached();
    void badDiskFile_data();
    void badDiskFile();
    void preloadedTilesMatchDiskTiles();
    void noFileCacheNeverTouchesDisk();
    void storeWritesWholeFileOnly();
    void storeRefusesNonPng_data();
    void storeRefusesNonPng();
    void storeKeepsTileWhenDiskFails();
    void tileSizeFromItsHeader_data();
    void tileSizeFromItsHeader();
    void cachesChargeDecodedBytes();
    void purgeByAge();
    void providerUrls_data();
    void providerUrls();
};

void tst_TileStorage::budgetSplit_data()
{
    QTest::addColumn<quint32>("budget");
    QTest::addColumn<quint32>("bmpCount");
    QTest::addColumn<quint32>("pngTotal");
    QTest::addColumn<quint32>("pngCount");
    QTest::addColumn<quint32>("stmSize");
    QTest::addRow("default 10 MB") << 10000000u << 12u << 3333333u << 996u << 3520939u;
    QTest::addRow("below one bitmap") << 786431u << 0u << 262143u << 1000u << 524288u;
    QTest::addRow("bitmaps capped at 750") << 1000000000u << 750u << 333333333u << 750u << 470058667u;
}

void tst_TileStorage::budgetSplit()
{
    QFETCH(quint32, budget);
    QFETCH(quint32, bmpCount);
    QFETCH(quint32, pngTotal);
    QFETCH(quint32, pngCount);
    QFETCH(quint32, stmSize);
    const TCacheLimits l = TCacheLimits::FromBudget(budget);
    QCOMPARE(l.BmpCount, bmpCount);
    QCOMPARE(l.PngTotalSize, pngTotal);
    QCOMPARE(l.PngCount, pngCount);
    QCOMPARE(l.StmSize, stmSize);

    TTileStorage storage(budget, QStringLiteral("%d/%d/%d.png"));
    QCOMPARE(storage.BmpCache().SizeLimit(), bmpCount * TTileStorage::BitmapCharge);
    QCOMPARE(storage.StmCache().Capacity(), 0u);
}

void tst_TileStorage::bitmapCountEvictsOldestEvenAfterHit()
{
    // 10 MB budget: 12 bitmaps. Tiles come from memory only.
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetOptions(unsigned(TTileStorageOption::tsoNoFileCache));
    const QByteArray png = PngBytes(Qt::red);
    for (int i = 0; i < 12; ++i)
        QVERIFY(storage.StoreTile(T(5, i, 0), png));
    QCOMPARE(storage.BmpCache().Count(), 12);
    QVERIFY(storage.BmpCache().Find(T(5, 0, 0)));  // a hit on the oldest...
    QVERIFY(storage.StoreTile(T(5, 12, 0), png));
    QCOMPARE(storage.BmpCache().Count(), 12);
    QVERIFY(!storage.BmpCache().Find(T(5, 0, 0))); // ...does not save it
    QVERIFY(storage.BmpCache().Find(T(5, 1, 0)));
    QVERIFY(storage.BmpCache().Find(T(5, 12, 0)));
    // The evicted bitmap is rebuilt from the PNG level.
    QVERIFY(!storage.GetTile(T(5, 0, 0)).isNull());
}

void tst_TileStorage::countLimitEvictsOneAndMayExceedBytes()
{
    TTileObjectCache<QByteArray> cache(2, 100);
    cache.Push(T(1, 0, 0), "a", 10);
    cache.Push(T(1, 1, 0), "b", 10);
    // Count limit reached: exactly one eviction, although 10 + 95 would fit...
    cache.Push(T(1, 0, 1), "c", 95);
    QCOMPARE(cache.Count(), 2);
    QVERIFY(!cache.Find(T(1, 0, 0)));
    // ...and the byte total may now exceed the limit.
    QCOMPARE(cache.TotalSize(), 105u);
    // Without the count limit bytes decide: everything older goes.
    TTileObjectCache<QByteArray> bytes(0, 100);
    bytes.Push(T(1, 0, 0), "a", 60);
    bytes.Push(T(1, 1, 0), "b", 30);
    bytes.Push(T(1, 1, 1), "c", 20);
    QCOMPARE(bytes.Count(), 2);
    QCOMPARE(bytes.TotalSize(), 50u);
}

void tst_TileStorage::oversizedObjectIsStillKept()
{
    // Below one bitmap's share of the budget no bitmap fits, yet the tile must
    // still reach the painter and nothing is read from an empty cache.
    TTileStorage storage(500000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetOptions(unsigned(TTileStorageOption::tsoNoFileCache));
    QVERIFY(storage.StoreTile(T(3, 1, 1), PngBytes(Qt::blue)));
    const QImage img = storage.GetTile(T(3, 1, 1));
    QVERIFY(!img.isNull());
    QCOMPARE(img.pixelColor(10, 10), QColor(Qt::blue));
    QVERIFY(storage.StoreTile(T(3, 2, 1), PngBytes(Qt::green)));
    QCOMPARE(storage.BmpCache().Count(), 1);
    QCOMPARE(storage.GetTile(T(3, 2, 1)).pixelColor(0, 0), QColor(Qt::green));
}

void tst_TileStorage::diskTileIsDecodedAndCached()
{
    QTemporaryDir dir;
    TTileStorage storage(10000000u, QStringLiteral("%d\\%d\\%d.png"));
    storage.SetFileCacheBaseDir(dir.path());
    QCOMPARE(storage.TilePath(T(7, 70, 41)), dir.path() + QStringLiteral("/7/70/41.png"));
    QVERIFY(storage.GetTile(T(7, 70, 41)).isNull());
    WriteFile(dir.filePath(QStringLiteral("7/70/41.png")), PngBytes(Qt::yellow));
    const QImage img = storage.GetTile(T(7, 70, 41));
    QCOMPARE(img.size(), QSize(256, 256));
    QCOMPARE(img.pixelColor(128, 128), QColor(Qt::yellow));
    QCOMPARE(storage.StmCache().Count(), 1);
    QCOMPARE(storage.PngCache().Count(), 1);
    // Served from memory once read, even when the file goes away.
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("7/70/41.png"))));
    QVERIFY(!storage.GetTile(T(7, 70, 41)).isNull());
}

void tst_TileStorage::badDiskFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addRow("empty file") << QByteArray();
    QTest::addRow("html page") << QByteArray("<html><body>Access blocked</body></html>");
    QTest::addRow("truncated png") << PngBytes(Qt::red).left(40);
}

void tst_TileStorage::badDiskFile()
{
    // A file that gives no image is deleted and the tile counts as missing, so
    // it is downloaded again instead of failing at every paint.
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetFileCacheBaseDir(dir.path());
    const QString path = dir.filePath(QStringLiteral("4/3/2.png"));
    WriteFile(path, content);
    QVERIFY(storage.GetTile(T(4, 3, 2)).isNull());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(storage.StmCache().Count(), 0);
    // A good download afterwards is taken.
    QVERIFY(storage.StoreTile(T(4, 3, 2), PngBytes(Qt::cyan)));
    QCOMPARE(storage.GetTile(T(4, 3, 2)).pixelColor(1, 1), QColor(Qt::cyan));
}

void tst_TileStorage::preloadedTilesMatchDiskTiles()
{
    // A block of tiles read on all cores gives what reading them one by one
    // gives: good tiles decoded, a damaged one deleted, and a tile downloaded
    // after the read winning over the copy read before.
    QTemporaryDir dir;
    TTileStorage storage(400000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetFileCacheBaseDir(dir.path());
    std::vector<TTile> block;
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) {
            block.push_back(T(5, x, y));
            WriteFile(storage.TilePath(block.back()), PngBytes(QColor(x * 60, y * 60, 0)));
        }
    const QString damaged = storage.TilePath(T(5, 2, 2));
    WriteFile(damaged, QByteArray("<html>blocked</html>"));
    storage.Preload(block);
    QVERIFY(storage.StoreTile(T(5, 3, 3), PngBytes(Qt::cyan)));
    for (const TTile &t : block) {
        const QImage img = storage.GetTile(t);
        if (t == T(5, 2, 2)) {
            QVERIFY(img.isNull());
            QVERIFY(!QFile::exists(damaged));
        } else if (t == T(5, 3, 3)) {
            QCOMPARE(img.pixelColor(9, 9), QColor(Qt::cyan));
        } else {
            QCOMPARE(img.format(), QImage::Format_RGB32);
            QCOMPARE(img.pixelColor(9, 9), QColor(int(t.ParameterX) * 60, int(t.ParameterY) * 60, 0));
        }
    }
    QCOMPARE(storage.StmCache().Count(), 15);
}

void tst_TileStorage::noFileCacheNeverTouchesDisk()
{
    QTemporaryDir dir;
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetFileCacheBaseDir(dir.path());
    storage.SetOptions(unsigned(TTileStorageOption::tsoNoFileCache));
    const QString empty = dir.filePath(QStringLiteral("2/1/1.png"));
    WriteFile(empty, QByteArray());
    WriteFile(dir.filePath(QStringLiteral("2/1/2.png")), PngBytes(Qt::red));
    QVERIFY(storage.GetTile(T(2, 1, 2)).isNull());
    QVERIFY(storage.GetTile(T(2, 1, 1)).isNull());
    QVERIFY(QFile::exists(empty)); // not even the empty file was looked at
    QVERIFY(storage.StoreTile(T(2, 0, 0), PngBytes(Qt::red)));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("2/0/0.png"))));
}

void tst_TileStorage::storeWritesWholeFileOnly()
{
    QTemporaryDir dir;
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetFileCacheBaseDir(dir.path());
    const QByteArray png = PngBytes(Qt::magenta);
    const QString path = dir.filePath(QStringLiteral("12/2000/1300.png"));
    WriteFile(path, "old");
    QString err;
    QVERIFY(storage.StoreTile(T(12, 2000, 1300), png, &err));
    QVERIFY2(err.isEmpty(), qPrintable(err));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), png);
    // Written through a temporary file that is renamed: nothing else is left.
    QCOMPARE(QDir(dir.filePath(QStringLiteral("12/2000"))).entryList(QDir::Files), QStringList{"1300.png"});

    TTileStorage readOnly(10000000u, QStringLiteral("%d/%d/%d.png"));
    readOnly.SetFileCacheBaseDir(dir.path());
    readOnly.SetOptions(unsigned(TTileStorageOption::tsoReadOnlyFileCache));
    QVERIFY(readOnly.StoreTile(T(12, 1, 1), png));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("12/1/1.png"))));
    QVERIFY(!readOnly.GetTile(T(12, 1, 1)).isNull());
}

void tst_TileStorage::storeRefusesNonPng_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addRow("html with status 200") << QByteArray("<!DOCTYPE html><html><title>Blocked</title></html>");
    QByteArray jpeg;
    {
        QImage img(256, 256, QImage::Format_RGB32);
        img.fill(Qt::red);
        QBuffer buf(&jpeg);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "JPG");
    }
    QTest::addRow("jpeg") << jpeg;
    QTest::addRow("png header only") << PngBytes(Qt::red).left(8);
    QTest::addRow("empty") << QByteArray();
}

void tst_TileStorage::storeRefusesNonPng()
{
    QFETCH(QByteArray, body);
    QTemporaryDir dir;
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetFileCacheBaseDir(dir.path());
    QString err;
    QVERIFY(!storage.StoreTile(T(9, 5, 5), body, &err));
    QVERIFY(!err.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("9/5/5.png"))));
    QVERIFY(storage.GetTile(T(9, 5, 5)).isNull());
    QCOMPARE(storage.StmCache().Count() + storage.PngCache().Count() + storage.BmpCache().Count(), 0);
}

void tst_TileStorage::storeKeepsTileWhenDiskFails()
{
    QTemporaryDir dir;
    // The cache root is a plain file: no tile folder can be made below it.
    const QString root = dir.filePath(QStringLiteral("blocked"));
    WriteFile(root, "x");
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetFileCacheBaseDir(root);
    QString err;
    QVERIFY(storage.StoreTile(T(6, 1, 2), PngBytes(Qt::darkGreen), &err));
    QVERIFY(!err.isEmpty());
    QCOMPARE(storage.GetTile(T(6, 1, 2)).pixelColor(3, 3), QColor(Qt::darkGreen));
}

void tst_TileStorage::purgeByAge()
{
    QTemporaryDir dir;
    const QDateTime now = QDateTime::currentDateTime();
    struct F { QString path; qint64 ageSecs; bool deleted; };
    const QList<F> files = {
        {"10/1/1.png", 30 * 86400 + 5, true},       // exactly 30 whole days
        {"10/1/2.png", 30 * 86400 - 60, false},     // a minute younger
        {"11/5/7.png", 90 * 86400, true},
        {"new.png", 0, false},
        {".keep/3/3.png", 90 * 86400, false},       // hidden folders are not walked
    };
    for (const F &f : files) {
        const QString path = dir.filePath(f.path);
        WriteFile(path, "png");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(now.addSecs(-f.ageSecs), QFileDevice::FileModificationTime));
    }
    QStringList log;
    QCOMPARE(PurgeTileCache(dir.path(), 30, [&](const QString &s) { log << s; }), 2);
    for (const F &f : files)
        QVERIFY2(QFile::exists(dir.filePath(f.path)) != f.deleted, qPrintable(f.path));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("10/1"))).isDir()); // folders stay
    QVERIFY(log.isEmpty());
}

void tst_TileStorage::providerUrls_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("url");
    QTest::addRow("default is the OSM server over https")
        << QString() << QStringLiteral("https://tile.openstreetmap.org/13/4663/2371.png");
    QTest::addRow("braces") << QStringLiteral("http://127.0.0.1:8080/t/{z}/{x}/{y}.png?k=1")
                            << QStringLiteral("http://127.0.0.1:8080/t/13/4663/2371.png?k=1");
    QTest::addRow("braces reordered") << QStringLiteral("https://h/{x}-{y}@{z}.png")
                                      << QStringLiteral("https://h/4663-2371@13.png");
    QTest::addRow("printf order") << QStringLiteral("http://tiles.local/%d/%d/%d.png")
                                  << QStringLiteral("http://tiles.local/13/4663/2371.png");
    QTest::newRow("extra placeholder left alone") << QStringLiteral("http://h/%d/%d/%d/%d.png")
                                         << QStringLiteral("http://h/13/4663/2371/%d.png");
}

void tst_TileStorage::providerUrls()
{
    QFETCH(QString, pattern);
    QFETCH(QString, url);
    TOSMTilesProvider p(pattern);
    QCOMPARE(p.GetTileURL(T(13, 4663, 2371)), url);
    QCOMPARE(p.MaxZoomLevel, TMapZoomLevel(19));
    QCOMPARE(TDummyTilesProvider().GetTileURL(T(1, 0, 0)), QString());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, p.GetProperty(QStringLiteral("x")));
}

QTEST_GUILESS_MAIN(tst_TileStorage)
#include "tst_TileStorage.moc"

// The header decides: up to 512 x 512 (high-density tiles) a tile is taken,
// beyond it it is refused before any decoding, from a download or the disk.
void tst_TileStorage::tileSizeFromItsHeader_data()
{
    QTest::addColumn<QByteArray>("png");
    QTest::addColumn<bool>("taken");
    QTest::addRow("256 x 256") << PngBytes(Qt::red, 256) << true;
    QTest::addRow("512 x 512") << PngBytes(Qt::red, 512) << true;
    QTest::addRow("513 x 513") << PngBytes(Qt::red, 513) << false;
    QTest::addRow("header 512 x 513") << ForgedPng(512, 513) << false;
    QTest::addRow("header 513 x 512") << ForgedPng(513, 512) << false;
    QTest::addRow("header 5000 x 5000") << ForgedPng(5000, 5000) << false;
    QTest::addRow("header 2^31-1 square") << ForgedPng(0x7FFFFFFF, 0x7FFFFFFF) << false;
}

void tst_TileStorage::tileSizeFromItsHeader()
{
    QFETCH(QByteArray, png);
    QFETCH(bool, taken);
    QTemporaryDir dir;
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetFileCacheBaseDir(dir.path());
    QString err;
    QCOMPARE(storage.StoreTile(T(9, 5, 5), png, &err), taken);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("9/5/5.png"))), taken);
    if (!taken) {
        // A size past what PNG itself allows is refused as damaged.
        const bool named = err.startsWith(QLatin1String("tile too large")) || QTest::currentDataTag() == QLatin1String("header 2^31-1 square");
        QVERIFY2(named && !err.isEmpty(), qPrintable(err));
        QCOMPARE(storage.StmCache().Count() + storage.PngCache().Count() + storage.BmpCache().Count(), 0);
    }
    // The same bytes found on disk (an older cache) are refused and removed.
    TTileStorage fresh(10000000u, QStringLiteral("%d/%d/%d.png"));
    fresh.SetFileCacheBaseDir(dir.path());
    const QString path = dir.filePath(QStringLiteral("3/1/1.png"));
    WriteFile(path, png);
    QCOMPARE(fresh.GetTile(T(3, 1, 1)).isNull(), !taken);
    QCOMPARE(QFile::exists(path), taken);
}

// Each level is charged what its image really takes: a 512-pixel tile four
// times an ordinary one, so the byte limits hold whatever the tiles' size.
void tst_TileStorage::cachesChargeDecodedBytes()
{
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetOptions(unsigned(TTileStorageOption::tsoNoFileCache));
    const QByteArray small = PngBytes(Qt::red, 256), large = PngBytes(Qt::blue, 512);
    QVERIFY(storage.StoreTile(T(5, 0, 0), small));
    QCOMPARE(storage.BmpCache().TotalSize(), 256u * 256 * 4);
    QCOMPARE(storage.PngCache().TotalSize(), 256u * 256 * 4);
    QCOMPARE(storage.StmCache().TotalSize(), uint32_t(small.size()));
    QVERIFY(storage.StoreTile(T(5, 1, 0), large));
    QCOMPARE(storage.BmpCache().TotalSize(), 256u * 256 * 4 + 512u * 512 * 4);
    QCOMPARE(storage.PngCache().TotalSize(), 256u * 256 * 4 + 512u * 512 * 4);
    // Twelve bitmaps' worth of budget (3 MB): large tiles evict by bytes long
    // before the count of twelve is reached.
    for (int i = 2; i < 12; ++i)
        QVERIFY(storage.StoreTile(T(5, i, 0), large));
    QVERIFY(storage.BmpCache().TotalSize() <= storage.BmpCache().SizeLimit());
    QVERIFY(storage.BmpCache().Count() < 12);
    QVERIFY(storage.PngCache().TotalSize() <= storage.PngCache().SizeLimit());
}
