#include "MapRange.h"
#include "OSM.SlippyMapUtils.h"
#include "geo_utils.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
}

class TestSlippyMapUtils : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void geoPointCreate_data();
    void geoPointCreate();
    void rectContains_data();
    void rectContains();
    void longToMapX_data();
    void longToMapX();
    void latToMapY_data();
    void latToMapY();
    void mapToDegrees_data();
    void mapToDegrees();
    void pixelRoundTrip();
    void zoomOutOfRange();
    void tileAlignRect_data();
    void tileAlignRect();
    void scaleBar_data();
    void scaleBar();
    void scaleBarLengthsStayReadable();
    void scaleBarMatchesGround_data();
    void scaleBarMatchesGround();
};

void TestSlippyMapUtils::geoPointCreate_data()
{
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("lat");
    QTest::addColumn<bool>("ok");
    QTest::addRow("inside") << 37.6 << 55.7 << true;
    QTest::addRow("west edge") << -180.0 << 0.0 << true;
    QTest::addRow("east edge") << 180.0 << 0.0 << true;
    QTest::addRow("lat 85.1 beyond the Mercator limit") << 0.0 << 85.1 << true;
    QTest::addRow("lat -85.1") << 0.0 << -85.1 << true;
    QTest::addRow("lon 180.0001") << 180.0001 << 0.0 << false;
    QTest::addRow("lon -181") << -181.0 << 0.0 << false;
    QTest::addRow("lat 85.11") << 0.0 << 85.11 << false;
    QTest::addRow("lat -90") << 0.0 << -90.0 << false;
    QTest::addRow("lon NaN") << NaN << 0.0 << false;
    QTest::addRow("lat NaN") << 0.0 << NaN << false;
}

void TestSlippyMapUtils::geoPointCreate()
{
    QFETCH(double, lon);
    QFETCH(double, lat);
    QFETCH(bool, ok);
    QCOMPARE(IsMapPosition(lon, lat), ok); // the one range check
    if (!ok) {
        QVERIFY_THROWS_EXCEPTION(EGeoAssertion, TGeoPoint::Create(lon, lat));
        try {
            TGeoPoint::Create(lon, lat);
        } catch (const EGeoAssertion &e) {
            QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Assertion failure"));
        }
        return;
    }
    const TGeoPoint p = TGeoPoint::Create(lon, lat);
    // Longitude first, stored unchanged.
    QCOMPARE(p.Long, lon);
    QCOMPARE(p.Lat, lat);
}

void TestSlippyMapUtils::rectContains_data()
{
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("lat");
    QTest::addColumn<bool>("inside");
    // Rectangle: west 10, east 20, north 50, south 40.
    QTest::addRow("north-west corner") << 10.0 << 50.0 << true;
    QTest::addRow("north-east corner") << 20.0 << 50.0 << true;
    QTest::addRow("south-west corner") << 10.0 << 40.0 << true;
    QTest::addRow("south-east corner") << 20.0 << 40.0 << true;
    QTest::addRow("centre") << 15.0 << 45.0 << true;
    QTest::addRow("west of it") << 9.999 << 45.0 << false;
    QTest::addRow("east of it") << 20.001 << 45.0 << false;
    QTest::addRow("north of it") << 15.0 << 50.001 << false;
    QTest::addRow("south of it") << 15.0 << 39.999 << false;
    QTest::addRow("no position") << NaN << NaN << false;
}

void TestSlippyMapUtils::rectContains()
{
    QFETCH(double, lon);
    QFETCH(double, lat);
    QFETCH(bool, inside);
    const TGeoRect r = TGeoRect::Create(TGeoPoint::Create(10, 50), TGeoPoint::Create(20, 40));
    QCOMPARE(r.Contains(TGeoPoint{lon, lat}), inside);
}

void TestSlippyMapUtils::longToMapX_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<double>("lon");
    QTest::addColumn<qint64>("x"); // -1: throws
    QTest::addRow("z0 west edge") << 0 << -180.0 << qint64(0);
    QTest::addRow("z0 east edge is one past the last column") << 0 << 180.0 << qint64(256);
    QTest::addRow("z1 Greenwich") << 1 << 0.0 << qint64(256);
    QTest::addRow("z20 east edge") << 20 << 180.0 << qint64(268435456);
    QTest::addRow("z10 floors") << 10 << 37.6173 << qint64(158464);
    QTest::addRow("z10 west of Greenwich floors down") << 10 << -0.0001 << qint64(131071);
    QTest::addRow("lon 181") << 3 << 181.0 << qint64(-1);
    QTest::addRow("lon NaN") << 3 << NaN << qint64(-1);
}

void TestSlippyMapUtils::longToMapX()
{
    QFETCH(int, zoom);
    QFETCH(double, lon);
    QFETCH(qint64, x);
    if (x < 0)
        QVERIFY_THROWS_EXCEPTION(EGeoAssertion, LongToMapX(TMapZoomLevel(zoom), lon));
    else
        QCOMPARE(qint64(LongToMapX(TMapZoomLevel(zoom), lon)), x);
}

void TestSlippyMapUtils::latToMapY_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<double>("lat");
    QTest::addColumn<qint64>("y"); // -1: throws
    QTest::addRow("z0 equator") << 0 << 0.0 << qint64(128);
    QTest::addRow("z12 equator") << 12 << 0.0 << qint64(524288);
    QTest::addRow("z20 equator") << 20 << 0.0 << qint64(134217728);
    QTest::addRow("z10 Moscow") << 10 << 55.7558 << qint64(81946);
    QTest::addRow("z10 southern hemisphere") << 10 << -33.8688 << qint64(157310);
    QTest::addRow("z2 near north limit") << 2 << 85.05 << qint64(0);
    QTest::addRow("85.06 passes the input check but not the result check") << 5 << 85.06 << qint64(-1);
    QTest::addRow("-85.06 beyond the south limit") << 5 << -85.06 << qint64(-1);
    QTest::addRow("85.2") << 5 << 85.2 << qint64(-1);
    QTest::addRow("NaN") << 5 << NaN << qint64(-1);
}

void TestSlippyMapUtils::latToMapY()
{
    QFETCH(int, zoom);
    QFETCH(double, lat);
    QFETCH(qint64, y);
    if (y < 0)
        QVERIFY_THROWS_EXCEPTION(EGeoAssertion, LatToMapY(TMapZoomLevel(zoom), lat));
    else
        QCOMPARE(qint64(LatToMapY(TMapZoomLevel(zoom), lat)), y);
}

void TestSlippyMapUtils::mapToDegrees_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("isX");
    QTest::addColumn<qint64>("pixel");
    QTest::addColumn<double>("deg"); // NaN: throws
    QTest::addRow("x 0 is -180") << 4 << true << qint64(0) << -180.0;
    QTest::addRow("x S is 180") << 4 << true << qint64(4096) << 180.0;
    QTest::addRow("x S/2 is 0") << 4 << true << qint64(2048) << 0.0;
    QTest::addRow("x S+1 throws") << 4 << true << qint64(4097) << NaN;
    QTest::addRow("y 0 is the north limit") << 4 << false << qint64(0) << 85.0511287798066;
    QTest::addRow("y S/2 is the equator") << 4 << false << qint64(2048) << 0.0;
    QTest::addRow("y S is the south limit") << 4 << false << qint64(4096) << -85.0511287798066;
    QTest::addRow("y S+1 throws") << 4 << false << qint64(4097) << NaN;
}

void TestSlippyMapUtils::mapToDegrees()
{
    QFETCH(int, zoom);
    QFETCH(bool, isX);
    QFETCH(qint64, pixel);
    QFETCH(double, deg);
    const auto z = TMapZoomLevel(zoom);
    const auto p = quint32(pixel);
    if (std::isnan(deg)) {
        if (isX)
            QVERIFY_THROWS_EXCEPTION(EGeoAssertion, MapXToLong(z, p));
        else
            QVERIFY_THROWS_EXCEPTION(EGeoAssertion, MapYToLat(z, p));
        return;
    }
    const double got = isX ? MapXToLong(z, p) : MapYToLat(z, p);
    QVERIFY2(std::fabs(got - deg) < 1e-9, qPrintable(QString::number(got, 'g', 15)));
}

void TestSlippyMapUtils::pixelRoundTrip()
{
    // The map control converts view pixels to degrees and back while panning:
    // a pixel must come back as the same pixel at every zoom.
    for (int z = 0; z <= MaxZoomLevel; ++z) {
        const quint32 size = MapSize(TMapZoomLevel(z));
        for (quint32 frac : {1u, 3u, 7u, 13u, 29u}) {
            const quint32 px = size / 31 * frac + 17;
            QCOMPARE(LongToMapX(TMapZoomLevel(z), MapXToLong(TMapZoomLevel(z), px)), px);
            const quint32 back = LatToMapY(TMapZoomLevel(z), MapYToLat(TMapZoomLevel(z), px));
            // Floor after the trigonometric round trip may land one row up.
            QVERIFY2(back == px || back + 1 == px,
                     qPrintable(QStringLiteral("z%1 y%2 -> %3").arg(z).arg(px).arg(back)));
        }
    }
}

void TestSlippyMapUtils::zoomOutOfRange()
{
    // A zoom beyond the tables must not read past them or overflow 32 bits.
    QVERIFY_THROWS_EXCEPTION(EGeoAssertion, MapSize(21));
    QVERIFY_THROWS_EXCEPTION(EGeoAssertion, LongToMapX(24, 180.0));
    QVERIFY_THROWS_EXCEPTION(EGeoAssertion, MapYToLat(30, 0));
    quint32 px = 0, m = 0;
    QString text;
    QVERIFY_THROWS_EXCEPTION(EGeoAssertion, GetScaleBar(21, px, m, text));
}

void TestSlippyMapUtils::tileAlignRect_data()
{
    // Rectangles as left, top, exclusive right, exclusive bottom.
    QTest::addColumn<QList<int>>("in");
    QTest::addColumn<QList<int>>("out");
    QTest::addRow("widened to tiles") << QList<int>{10, 10, 300, 256} << QList<int>{0, 0, 512, 256};
    QTest::addRow("already aligned stays") << QList<int>{256, 512, 768, 1024} << QList<int>{256, 512, 768, 1024};
    QTest::addRow("one pixel past an edge") << QList<int>{255, 511, 257, 513} << QList<int>{0, 256, 512, 768};
    QTest::addRow("empty at an edge") << QList<int>{256, 256, 256, 256} << QList<int>{256, 256, 256, 256};
    QTest::addRow("negative left still covered") << QList<int>{-10, -300, 10, 10} << QList<int>{-256, -512, 256, 256};
}

void TestSlippyMapUtils::tileAlignRect()
{
    QFETCH(QList<int>, in);
    QFETCH(QList<int>, out);
    const QRect r = TileAlignRect(QRect(in[0], in[1], in[2] - in[0], in[3] - in[1]));
    QCOMPARE((QList<int>{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}), out);
}

void TestSlippyMapUtils::scaleBar_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<uint>("px");
    QTest::addColumn<uint>("metres");
    QTest::addColumn<QString>("text");
    QTest::addRow("z0") << 0 << 64u << 10000000u << QStringLiteral("10000 km");
    QTest::addRow("z12") << 12 << 79u << 3000u << QStringLiteral("3 km");
    QTest::addRow("z13 exactly 1 km") << 13 << 52u << 1000u << QStringLiteral("1 km");
    QTest::addRow("z14 metres") << 14 << 52u << 500u << QStringLiteral("500 m");
    QTest::addRow("z18") << 18 << 84u << 50u << QStringLiteral("50 m");
    QTest::addRow("z20") << 20 << 67u << 10u << QStringLiteral("10 m");
}

void TestSlippyMapUtils::scaleBar()
{
    QFETCH(int, zoom);
    QFETCH(uint, px);
    QFETCH(uint, metres);
    QFETCH(QString, text);
    quint32 gotPx = 0, gotM = 0;
    QString gotText;
    GetScaleBar(TMapZoomLevel(zoom), gotPx, gotM, gotText);
    QCOMPARE(gotPx, px);
    QCOMPARE(gotM, metres);
    QCOMPARE(gotText, text);
}

void TestSlippyMapUtils::scaleBarLengthsStayReadable()
{
    for (int z = MinZoomLevel; z <= MaxZoomLevel; ++z) {
        quint32 px = 0, m = 0;
        QString text;
        GetScaleBar(TMapZoomLevel(z), px, m, text);
        QVERIFY2(px >= 51 && px <= 98, qPrintable(QStringLiteral("zoom %1: %2 px").arg(z).arg(px)));
        QVERIFY(m > 0);
    }
}

void TestSlippyMapUtils::scaleBarMatchesGround_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<double>("lat");
    for (int zoom : {5, 12, 15, 18}) {
        QTest::addRow("z%d equator", zoom) << zoom << 0.0;
        QTest::addRow("z%d 58 N", zoom) << zoom << 58.0;
        QTest::addRow("z%d 70 S", zoom) << zoom << -70.0;
    }
}

void TestSlippyMapUtils::scaleBarMatchesGround()
{
    // The bar's pixels laid along the parallel cover the metres it names.
    QFETCH(int, zoom);
    QFETCH(double, lat);
    quint32 px = 0, m = 0;
    QString text;
    GetScaleBar(TMapZoomLevel(zoom), lat, px, m, text);
    QVERIFY2(px >= 40 && px <= MaxScaleBarPx, qPrintable(QString::number(px)));
    const quint32 x0 = MapSize(TMapZoomLevel(zoom)) / 2;
    const double ground = VincentyDistance(lat, MapXToLong(TMapZoomLevel(zoom), x0), lat,
                                           MapXToLong(TMapZoomLevel(zoom), x0 + px));
    // Rounding the bar to whole pixels and the sphere of the map against the
    // ellipsoid leave about one per cent.
    QVERIFY2(std::abs(ground - m) < 0.015 * m, qPrintable(QStringLiteral("%1 px = %2 m, named %3 (%4)")
                                                               .arg(px).arg(ground).arg(m).arg(text)));
    QCOMPARE(text, m >= 1000 ? QStringLiteral("%1 km").arg(m / 1000) : QStringLiteral("%1 m").arg(m));
}

QTEST_GUILESS_MAIN(TestSlippyMapUtils)
#include "tst_SlippyMapUtils.moc"
