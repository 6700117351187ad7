#include "ClientFixture.h"
#include "OSM.WifiData.h"

#include <QTest>

#include <cmath>

static QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

class TstClientWifi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accessPoints_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("ssids");
        QTest::addRow("cleaned and filtered")
            << 200
            << j("[{'ssid':' \\'HomeNet\\'\\t','bssid':'a4:2b:b0:11:22:33','std':5,'lat':1,'lon':2,'upd':3},"
                 "{'ssid':'NoBssid','lat':1},{'ssid':'','bssid':'10:fe:ed:00:00:01'},"
                 "{'ssid':'Cafe','bssid':'10:fe:ed:00:00:02'}]")
            << 2 << QStringList{"Old", "HomeNet", "Cafe"};
        QTest::addRow("null") << 200 << QByteArray("null") << -1 << QStringList{"Old"};
        QTest::addRow("refused") << 500 << QByteArray() << -1 << QStringList{"Old"};
    }
    void accessPoints()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(int, result);
        QFETCH(QStringList, ssids);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/wifi_aps", status, answer);
        TWifiList list{TWifiData{QStringLiteral("Old"), QStringLiteral("b"), 4, true}};
        QCOMPARE(f.client->GetWifi(list, 55.7499, 37.5999, 55.7519, std::nan("")), result);
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/wifi_aps?minlat=55.7499&minlon=37.5999&maxlat=55.7519&maxlon=NaN"));
        QStringList got;
        for (const TWifiData &w : list)
            got << w.ssid;
        QCOMPARE(got, ssids);
        if (result == 2) {
            QCOMPARE(list[1].bssid, QStringLiteral("a4:2b:b0:11:22:33"));
            QCOMPARE(list[1].std, 5);
            QCOMPARE(list[2].std, 0);
            QVERIFY(!list[1].known);
        }
    }
};

QTEST_GUILESS_MAIN(TstClientWifi)
#include "tst_client_wifi.moc"
