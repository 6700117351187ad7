// Address lookup through the service into the cache.

#include "ClientFixture.h"
#include "OSM.AddressCache.h"

#include <QFile>
#include <QTest>

class TestClientAddress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void asksOnlyForMissingIdsAndSavesAtOnce()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        const QString file = f.dir.path() + QStringLiteral("/velmora.address");
        TAddressCache cache(file);
        cache.SetAddress(QStringLiteral("b"), QStringLiteral("Known"));
        f.srv.answer(QStringLiteral("/api/v1/osm/lookup"), 200,
                     R"([{"osm_id":"a","address":"Alpha 1"},{"osm_id":"c","address":"Gamma; 3"},{"osm_id":"d","address":""}])");
        QCOMPARE(f.client->OsmLookup(QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, cache), 2);
        QCOMPARE(f.srv.last().method, QStringLiteral("POST"));
        QCOMPARE(f.srv.last().body, QByteArray("ids=a,c"));
        QVERIFY2(f.log.endsWith(QStringLiteral("200 [2]")), qPrintable(f.log));
        QCOMPARE(cache.Count(), 3);
        QVERIFY(!cache.Contains(QStringLiteral("d"))); // an empty address is not stored

        // Already on disk, before the cache is destroyed.
        {
            TAddressCache reread(file + QStringLiteral(".copy"));
            QVERIFY(QFile::copy(file, file + QStringLiteral(".copy")));
            QCOMPARE(reread.Load(), 3);
            QCOMPARE(reread.GetAddress(QStringLiteral("c")), QStringLiteral("Gamma; 3"));
        }

        f.srv.clear();
        QCOMPARE(f.client->OsmLookup(QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, cache), -1);
        QCOMPARE(f.client->OsmLookup(QString(), cache), -1);
        QCOMPARE(f.srv.count(), 0);
    }

    void failedLookups_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("logged");
        QTest::addRow("refused") << 500 << QByteArray() << "500";
        QTest::addRow("member missing") << 200 << QByteArray("{}") << "\r  X: no data";
        QTest::addRow("member null") << 200 << QByteArray(R"({"OsmLookup":null})") << "\r  X: no data";
        QTest::addRow("member not an array") << 200 << QByteArray(R"({"OsmLookup":{"osm_id":"a"}})")
                                             << "\r  X: member \"OsmLookup\" is not an array";
    }
    void failedLookups()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, logged);
        ClientFixture f;
        QVERIFY(f.ok());
        TAddressCache cache(f.dir.path() + QStringLiteral("/velmora.address"));
        f.srv.answer(QStringLiteral("/api/v1/osm/lookup"), status, answer);
        QCOMPARE(f.client->OsmLookup(QStringLiteral("a,b"), cache), -1);
        QVERIFY2(f.log.endsWith(logged), qPrintable(f.log));
        QCOMPARE(cache.Count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestClientAddress)
#include "tst_client_address.moc"
