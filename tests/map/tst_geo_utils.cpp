#include "geo_utils.h"
#include "ZtVectorState.h"

#include <QProcess>
#include <QtTest>

#include <cmath>
#include <limits>
#include <numbers>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// One degree of arc on the sphere GeoDestination uses.
constexpr double SphereDegree = 6371009.0 * std::numbers::pi / 180.0;

struct Pair
{
    const char *name;
    double lat1, lon1, lat2, lon2;
};

// From a metre to continental distances, every direction, both hemispheres,
// across the equator and the antimeridian; none near-antipodal.
const Pair GeodesicPairs[] = {
    {"1 m north in Moscow", 55.7558, 37.6173, 55.755809, 37.6173},
    {"10 m diagonal", 48.8566, 2.3522, 48.85666, 2.35228},
    {"100 m east at 60S", -60.0, -45.0, -60.0, -44.9982},
    {"1 km along the equator", 0.0, 0.0, 0.0, 0.009},
    {"across the equator", -0.05, 30.0, 0.05, 30.02},
    {"across the antimeridian", -16.5, 179.9, -16.4, -179.95},
    {"close to the pole", 84.9, 10.0, 84.9001, 10.001},
    {"high latitudes, wide", 80.0, 0.0, 85.0, 100.0},
    {"equator quarter", 0.0, 0.0, 0.0, 90.0},
    {"Lisbon - Moscow", 38.7223, -9.1393, 55.7558, 37.6173},
    {"New York - London", 40.7128, -74.0060, 51.5074, -0.1278},
    {"Sydney - Perth", -33.8688, 151.2093, -31.9505, 115.8605},
    {"Santiago - Buenos Aires", -33.4489, -70.6693, -34.6037, -58.3816},
    {"Cape Town - Cairo", -33.9249, 18.4241, 30.0444, 31.2357},
};
}

class TestGeoUtils : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void vincentyMatchesGeographicLib();
    void geoDistanceWithoutPosition_data();
    void geoDistanceWithoutPosition();
    void arcDistanceIdenticalPoints_data();
    void arcDistanceIdenticalPoints();
    void arcDistanceCloseToGeodesic();
    void geoDestination_data();
    void geoDestination();
    void geoDestinationAcrossAntimeridianThrows();
    void initialBearing_data();
    void initialBearing();
    void distanceText_data();
    void distanceText();
    void geodesicsClearUpperVectorState_data();
    void geodesicsClearUpperVectorState();
};

void TestGeoUtils::vincentyMatchesGeographicLib()
{
    // GeographicLib's geodesic is exact to nanometres; Vincenty must agree
    // within a millimetre.
    QByteArray input;
    for (const Pair &p : GeodesicPairs)
        input += QStringLiteral("%1 %2 %3 %4\n")
                         .arg(p.lat1, 0, 'f', 9).arg(p.lon1, 0, 'f', 9)
                         .arg(p.lat2, 0, 'f', 9).arg(p.lon2, 0, 'f', 9).toLatin1();
    QProcess geod;
    geod.start(QStringLiteral("GeodSolve"), {QStringLiteral("-i"), QStringLiteral("-p"), QStringLiteral("9")});
    QVERIFY2(geod.waitForStarted(10000), "GeodSolve (geographiclib-tools, scripts/setup) is not installed");
    geod.write(input);
    geod.closeWriteChannel();
    QVERIFY(geod.waitForFinished(30000));
    QCOMPARE(geod.exitCode(), 0);
    const QList<QByteArray> lines = geod.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), qsizetype(std::size(GeodesicPairs)));

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Pair &p = GeodesicPairs[i];
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        QCOMPARE(fields.size(), 3); // azi1 azi2 s12
        bool ok = false;
        const double expected = fields[2].toDouble(&ok);
        QVERIFY(ok);
        const double got = VincentyDistance(p.lat1, p.lon1, p.lat2, p.lon2);
        QVERIFY2(std::fabs(got - expected) < 0.001,
                 qPrintable(QStringLiteral("%1: %2 m, GeographicLib %3 m")
                                    .arg(QLatin1String(p.name)).arg(got, 0, 'f', 6).arg(expected, 0, 'f', 6)));
        // GeoDistance takes points longitude first.
        QCOMPARE(GeoDistance(TGeoPoint{p.lon1, p.lat1}, TGeoPoint{p.lon2, p.lat2}), got);
    }
}

void TestGeoUtils::geoDistanceWithoutPosition_data()
{
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lon2");
    QTest::addColumn<double>("lat2");
    QTest::addRow("same point") << 37.6 << 55.7 << 37.6 << 55.7;
    QTest::addRow("same point on the equator") << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::addRow("NaN latitude in the first") << 37.6 << NaN << 37.7 << 55.7;
    QTest::addRow("NaN longitude in the second") << 37.6 << 55.7 << NaN << 55.8;
    QTest::addRow("both missing") << NaN << NaN << NaN << NaN;
}

void TestGeoUtils::geoDistanceWithoutPosition()
{
    QFETCH(double, lon1);
    QFETCH(double, lat1);
    QFETCH(double, lon2);
    QFETCH(double, lat2);
    QCOMPARE(GeoDistance(TGeoPoint{lon1, lat1}, TGeoPoint{lon2, lat2}), 0.0);
}

void TestGeoUtils::arcDistanceIdenticalPoints_data()
{
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("lat");
    QTest::addRow("origin") << 0.0 << 0.0;
    QTest::addRow("Moscow") << 37.6173 << 55.7558;
    QTest::addRow("far south-west") << -179.5 << -85.0;
}

void TestGeoUtils::arcDistanceIdenticalPoints()
{
    // The zone editor measures a radius whose end may sit on the centre.
    QFETCH(double, lon);
    QFETCH(double, lat);
    QCOMPARE(ArcDistance(TGeoPoint{lon, lat}, TGeoPoint{lon, lat}), 0.0);
}

void TestGeoUtils::arcDistanceCloseToGeodesic()
{
    // The fast distance is an approximation; for zone radii it must stay
    // within a few tenths of a percent of the geodesic, in every direction.
    const TGeoPoint centre{37.6173, 55.7558};
    for (double bearing = 0; bearing < 360; bearing += 30) {
        for (double dist : {5.0, 250.0, 20000.0}) {
            const TGeoPoint edge = GeoDestination(centre, dist, bearing);
            const double arc = ArcDistance(centre, edge);
            const double geo = GeoDistance(centre, edge);
            QVERIFY2(std::fabs(arc - geo) <= geo * 0.003,
                     qPrintable(QStringLiteral("bearing %1, %2 m: arc %3, geodesic %4")
                                        .arg(bearing).arg(dist).arg(arc).arg(geo)));
            // The azimuth step uses the second point's latitude, so the
            // reverse direction differs slightly (the azimuth at the other end).
            QVERIFY(std::fabs(ArcDistance(edge, centre) - arc) <= arc * 1e-5);
        }
    }
}

void TestGeoUtils::geoDestination_data()
{
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("bearing");
    QTest::addColumn<double>("lonTo");
    QTest::addColumn<double>("latTo");
    QTest::addRow("north one degree") << 10.0 << 20.0 << SphereDegree << 0.0 << 10.0 << 21.0;
    QTest::addRow("south one degree") << 10.0 << 20.0 << SphereDegree << 180.0 << 10.0 << 19.0;
    QTest::addRow("east along the equator") << 0.0 << 0.0 << SphereDegree << 90.0 << 1.0 << 0.0;
    QTest::addRow("west along the equator") << 0.0 << 0.0 << 2 * SphereDegree << 270.0 << -2.0 << 0.0;
    QTest::addRow("zero distance") << -70.5 << -33.4 << 0.0 << 45.0 << -70.5 << -33.4;
}

void TestGeoUtils::geoDestination()
{
    QFETCH(double, lon);
    QFETCH(double, lat);
    QFETCH(double, distance);
    QFETCH(double, bearing);
    QFETCH(double, lonTo);
    QFETCH(double, latTo);
    const TGeoPoint p = GeoDestination(TGeoPoint{lon, lat}, distance, bearing);
    QVERIFY2(std::fabs(p.Long - lonTo) < 1e-9 && std::fabs(p.Lat - latTo) < 1e-9,
             qPrintable(QStringLiteral("got %1, %2").arg(p.Long, 0, 'f', 12).arg(p.Lat, 0, 'f', 12)));
}

void TestGeoUtils::geoDestinationAcrossAntimeridianThrows()
{
    // Longitudes are not wrapped: a circle zone crossing 180 is refused.
    QVERIFY_THROWS_EXCEPTION(EGeoAssertion, GeoDestination(TGeoPoint{179.9, 0.0}, 50000.0, 90.0));
}

void TestGeoUtils::initialBearing_data()
{
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("long2");
    QTest::addColumn<double>("bearing"); // NaN: none
    // From (10, 20): whole quarters, and either side of north, where the
    // bearing wraps from just under 360 to just over 0.
    QTest::addRow("north") << 11.0 << 20.0 << 0.0;
    QTest::addRow("a little east of north") << 11.0 << 20.001 << 0.056246;
    QTest::addRow("a little west of north") << 11.0 << 19.999 << 359.943754;
    QTest::addRow("south") << 9.0 << 20.0 << 180.0;
    QTest::addRow("east along the parallel") << 10.0 << 20.001 << 89.999913;
    QTest::addRow("west along the parallel") << 10.0 << 19.999 << 270.000087;
    QTest::addRow("the same point") << 10.0 << 20.0 << qQNaN();
    QTest::addRow("no position") << qQNaN() << 20.0 << qQNaN();
}

void TestGeoUtils::initialBearing()
{
    QFETCH(double, lat2);
    QFETCH(double, long2);
    QFETCH(double, bearing);
    const double b = InitialBearing(TGeoPoint{20, 10}, TGeoPoint{long2, lat2});
    if (std::isnan(bearing)) {
        QVERIFY(std::isnan(b));
        return;
    }
    QVERIFY(b >= 0 && b < 360);
    QVERIFY2(std::abs(b - bearing) < 1e-5, qPrintable(QString::number(b, 'f', 6)));
}

void TestGeoUtils::distanceText_data()
{
    QTest::addColumn<double>("metres");
    QTest::addColumn<QString>("text");
    QTest::addRow("missing") << NaN << QStringLiteral("NaN");
    QTest::addRow("zero") << 0.0 << QStringLiteral("0 m");
    QTest::addRow("rounds down") << 12.4 << QStringLiteral("12 m");
    QTest::addRow("metre branch chosen before rounding") << 999.6 << QStringLiteral("1000 m");
    QTest::addRow("one kilometre") << 1000.0 << QStringLiteral("1.00 km");
    QTest::addRow("two decimals of km") << 1500.0 << QStringLiteral("1.50 km");
    QTest::addRow("long distance") << 1234567.0 << QStringLiteral("1234.57 km");
}

void TestGeoUtils::distanceText()
{
    QFETCH(double, metres);
    QFETCH(QString, text);
    QCOMPARE(DistanceText(metres), text);
}

void TestGeoUtils::geodesicsClearUpperVectorState_data()
{
    QTest::addColumn<int>("dirtiedBy");
    QTest::addRow("Qt's hash of a 64-byte key") << 0;
    QTest::addRow("a 256-bit register written directly") << 1;
}

// With the upper halves of the AVX registers left in use, a million
// geodesics took seven times as long inside the program as in a bare process.
void TestGeoUtils::geodesicsClearUpperVectorState()
{
    QFETCH(int, dirtiedBy);
    ClearUpperVectorState();
    if (dirtiedBy == 0) {
        const QByteArray key(64, 'k');
        QVERIFY(qHash(key, size_t(0x9e3779b97f4a7c15ull)) != 0);
    } else {
#if defined(__x86_64__)
        if (__builtin_cpu_supports("avx"))
            __asm__ volatile("vpcmpeqd %%ymm0, %%ymm0, %%ymm0" ::: "xmm0");
#endif
    }
    if (!UpperVectorStateInUse())
        QSKIP("this CPU or Qt build leaves no upper register state to clear");
    const double d = VincentyDistance(55.7558, 37.6173, 55.755809, 37.6173);
    QVERIFY(!UpperVectorStateInUse());
    QVERIFY(d > 0.9 && d < 1.1);
}

QTEST_GUILESS_MAIN(TestGeoUtils)
#include "tst_geo_utils.moc"
