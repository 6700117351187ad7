// The persistent address cache: its line format, loading, saving and counts.

#include "OSM.AddressCache.h"
#include "ZtUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
}

} // namespace

class TestAddressCache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void csvLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("lastRead");
        QTest::addColumn<QString>("address");
        QTest::addRow("plain") << "w1;3;01.02.2024 10:20:30;5 Main St;" << "" << "w1" << 3
                               << EncodeDateTime(2024, 2, 1, 10, 20, 30) << "5 Main St";
        QTest::addRow("address holding ;") << "w1;0;NaN;5 Main St;Apt 2;" << "" << "w1" << 0 << 0.0 << "5 Main St;Apt 2";
        QTest::addRow("no final ;") << "w1;1;NaN;Elm Rd" << "" << "w1" << 1 << 0.0 << "Elm Rd";
        QTest::addRow("CR LF line end") << "w1;1;NaN;Elm Rd;\r" << "" << "w1" << 1 << 0.0 << "Elm Rd";
        QTest::addRow("unreadable count and date") << "w1;x;junk;A;" << "" << "w1" << 0 << 0.0 << "A";
        QTest::addRow("three fields") << "w1;1;NaN" << "Bad CSV [w1;1;NaN]" << "" << 0 << 0.0 << "";
        QTest::addRow("empty id") << ";1;NaN;A;" << "Empty OsmId [;1;NaN;A;]" << "" << 0 << 0.0 << "";
        QTest::addRow("escaped id and address") << R"(n\;1;1;NaN;a\rb\nc\\d;)" << "" << "n;1" << 1 << 0.0 << "a\rb\nc\\d";
        QTest::addRow("escaped final ;") << R"(w1;1;NaN;ends in\;;)" << "" << "w1" << 1 << 0.0 << "ends in;";
        QTest::addRow("older file's backslash stays") << R"(w1;1;NaN;C:\x y;)" << "" << "w1" << 1 << 0.0 << "C:\\x y";
    }
    void csvLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, error);
        QFETCH(QString, id);
        QFETCH(int, count);
        QFETCH(double, lastRead);
        QFETCH(QString, address);
        TAddressCacheItem item;
        try {
            item.AssignCsv(line);
            QVERIFY2(error.isEmpty(), "the line should have been refused");
        } catch (const EZtError &e) {
            QCOMPARE(e.message(), error);
            return;
        }
        QCOMPARE(item.OsmId, id);
        QCOMPARE(item.ReadCount, count);
        QCOMPARE(item.LastRead, lastRead);
        QCOMPARE(item.Address, address);
        // Written back, the line reads the same.
        TAddressCacheItem again(item.ToCsvString());
        QCOMPARE(again.OsmId, id);
        QCOMPARE(again.Address, address);
        QCOMPARE(again.ReadCount, count);
    }

    void survivesARestart()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/velmora.address");
        {
            TAddressCache cache(file);
            QCOMPARE(cache.Count(), 0);
            cache.SetAddress(QStringLiteral("w1"), QStringLiteral("5 Main St;Apt 2"));
            cache.SetAddress(QStringLiteral("w2"), QStringLiteral("Line\nbreak\r"));
            cache.SetAddress(QStringLiteral("w;4\n"), QStringLiteral("odd id"));
            cache.SetAddress(QStringLiteral("w3"), QStringLiteral("Улица 1"));
            QCOMPARE(cache.GetAddress(QStringLiteral("w3")), QStringLiteral("Улица 1"));
        } // saved here
        const QByteArray text = ReadAll(file);
        QVERIFY(!text.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(text.count('\n'), 4); // one line per item
        TAddressCache cache(file);
        QCOMPARE(cache.Count(), 4);
        QCOMPARE(cache.Item(QStringLiteral("w1"))->Address, QStringLiteral("5 Main St;Apt 2"));
        QCOMPARE(cache.Item(QStringLiteral("w2"))->Address, QStringLiteral("Line\nbreak\r"));
        QCOMPARE(cache.Item(QStringLiteral("w;4\n"))->Address, QStringLiteral("odd id"));
        QCOMPARE(cache.Item(QStringLiteral("w3"))->ReadCount, 1);
        QVERIFY(cache.Item(QStringLiteral("w3"))->LastRead > 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("velmora.address")});
    }

    void badLinesAreSkipped()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/a.address");
        WriteAll(file, "a;1;NaN;First;\r\nb;1;NaN\n;2;NaN;No id;\n\na;5;NaN;Duplicate;\nc;0;NaN;Third;\n");
        TAddressCache cache(file);
        QCOMPARE(cache.Count(), 2);
        QCOMPARE(cache.GetAddress(QStringLiteral("a")), QStringLiteral("First"));
        QCOMPARE(cache.GetAddress(QStringLiteral("c")), QStringLiteral("Third"));
        QCOMPARE(cache.Load(), 0); // everything already present
    }

    void missingFileAndEmptyName()
    {
        QTemporaryDir dir;
        TAddressCache cache(dir.path() + QStringLiteral("/none.address"));
        QCOMPARE(cache.Count(), 0);
        QCOMPARE(cache.Load(), -1);
        QVERIFY_THROWS_EXCEPTION(EZtError, TAddressCache{QString()});
    }

    void setAndGet()
    {
        QTemporaryDir dir;
        TAddressCache cache(dir.path() + QStringLiteral("/a.address"));
        cache.SetAddress(QString(), QStringLiteral("ignored"));
        cache.SetAddress(QStringLiteral("n"), QString());
        QCOMPARE(cache.Count(), 0);
        cache.SetAddress(QStringLiteral("k"), QStringLiteral("One"));
        QCOMPARE(cache.Item(QStringLiteral("k"))->ReadCount, 0);
        QCOMPARE(cache.Item(QStringLiteral("k"))->LastRead, 0.0);
        cache.SetAddress(QStringLiteral("k"), QStringLiteral("Two"));
        QCOMPARE(cache.Item(QStringLiteral("k"))->ReadCount, 1);
        QCOMPARE(cache.GetAddress(QStringLiteral("K")), QString()); // ids compare exactly
        QCOMPARE(cache.GetAddress(QStringLiteral("k")), QStringLiteral("Two"));
        QCOMPARE(cache.Item(QStringLiteral("k"))->ReadCount, 2);
        cache.SetAddress(QStringLiteral("k"), QString());
        QCOMPARE(cache.Count(), 0);
    }

    void saveReplacesTheFile()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/a.address");
        WriteAll(file, "old;0;NaN;Old;\n");
        TAddressCache cache(file);
        cache.SetAddress(QStringLiteral("old"), QString());
        cache.SetAddress(QStringLiteral("new"), QStringLiteral("New"));
        QVERIFY(cache.Save());
        QVERIFY(ReadAll(file).startsWith("new;0;"));
        QVERIFY(!ReadAll(file).contains("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAddressCache)
#include "tst_AddressCache.moc"
