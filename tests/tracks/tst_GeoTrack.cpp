#include "OSM.GeoTrack.h"
#include "geo_utils.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const TDateTime T0 = EncodeDateTime(2024, 3, 1, 10, 0, 0);

TDateTime at(int seconds)
{
    return T0 + seconds / 86400.0;
}

// A positioned point at a second offset from T0 (all three times alike).
std::unique_ptr<TTrackPointInfo> pt(double lon, double lat, int seconds, double speed = 0.0)
{
    static int32_t uid = 0;
    auto p = std::make_unique<TTrackPointInfo>(++uid, 7);
    p->lon = lon;
    p->lat = lat;
    p->sys_dt = p->obj_dt = p->gps_dt = at(seconds);
    p->speed = speed;
    return p;
}

std::unique_ptr<TTrackPointInfo> sensorPt(const QString &sign, const QString &val)
{
    auto p = std::make_unique<TTrackPointInfo>(1, 7); // no position
    p->sensors.push_back(std::make_unique<TTrackPointSensorInfo>(1, sign, val));
    return p;
}

// Where the object waits: a place far from the moving points below.
constexpr double StopLon = 37.70, StopLat = 55.75;

// A drive that stops at StopLon/StopLat for `standing` points spread over
// `seconds`, then drives away. Moving points are 10+ km apart at 50 km/h.
void addStop(TGeoTrack &t, int from, int standing, int seconds)
{
    for (int k = 0; k < standing; ++k)
        t.Points().push_back(pt(StopLon, StopLat, from + (standing > 1 ? k * seconds / (standing - 1) : 0)));
}

QList<bool> parkingFlags(const TGeoTrack &t)
{
    QList<bool> r;
    for (const auto &p : t.Points())
        r << p->IsParking;
    return r;
}

} // namespace

class TestGeoTrack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createdEmpty();
    void styleTable();
    void onePointKeepsStatisticsCleared();
    void stepCounter_data();
    void stepCounter();
    void heartRate_data();
    void heartRate();
    void distanceExtentAndTimes();
    void parkingPointsInStatistics();
    void assignCopiesAndCounts();
    void markParking_data();
    void markParking();
    void parkedPointsOfShortTracks_data();
    void parkedPointsOfShortTracks();
    void markParkingMarksByTimeAndCentre();
    void parkingAtTheEndAfterAnEarlierOne();
    void accuracyDecidesStanding_data();
    void accuracyDecidesStanding();
    void unsortedTimesStillMarked();
    void clearParkingForgetsParkings();
};

void TestGeoTrack::createdEmpty()
{
    TGeoTrack t(QStringLiteral("42"));
    QCOMPARE(t.ObjId(), QStringLiteral("42"));
    QVERIFY(t.Visible());
    QCOMPARE(t.Style().Sign, QStringLiteral("Gray"));
    QCOMPARE(t.Layer(), quint8(0));
    QVERIFY(!t.Info().HasGeoRect());
    QVERIFY(!t.Info().HasCenterPoint());
    QVERIFY(t.Info().ObjTime.IsNan());
}

void TestGeoTrack::styleTable()
{
    // The dialogs list the styles by number, in this order.
    const QStringList names{"Gray", "Blue", "Green", "Purple"};
    for (int i = 0; i < GeoTrackStyleCount; ++i) {
        QCOMPARE(GeoTrackStyles[i].Sign, names[i]);
        QCOMPARE(GeoTrackStyles[i].PointSize, 16);
        QCOMPARE(GeoTrackStyles[i].LineWidth, 4);
    }
    // Red in the low byte.
    QCOMPARE(GeoTrackStyles[1].PointColor, TColor(0xFF0000));
    QCOMPARE(GeoTrackStyles[2].LineColor, TColor(0x808000));
    QCOMPARE(GeoTrackStyles[3].PointBgColor, TColor(0xFF00FF));
    QCOMPARE(GeoTrackStyle(9).Sign, QStringLiteral("Gray"));
}

void TestGeoTrack::onePointKeepsStatisticsCleared()
{
    TGeoTrack t;
    t.Points().push_back(pt(37.6, 55.7, 0));
    t.Points().back()->sensors.push_back(std::make_unique<TTrackPointSensorInfo>(1, "heartRate", "70"));
    t.UpdateInfo();
    QCOMPARE(t.Info().PointsCount, 1);
    QCOMPARE(t.Info().GoodPointsCount, 0);
    QCOMPARE(t.Info().MaxHeartRate, 0);
    QVERIFY(!t.Info().HasGeoRect());
    QVERIFY(t.Info().SysTime.IsNan());
}

void TestGeoTrack::stepCounter_data()
{
    QTest::addColumn<QStringList>("readings");
    QTest::addColumn<int>("steps");
    QTest::addRow("restart in the middle") << QStringList{"100", "250", "400", "20", "90"} << 370;
    QTest::addRow("one segment") << QStringList{"1000", "1200", "1500"} << 500;
    QTest::addRow("maximum counts, not the last") << QStringList{"100", "300", "250"} << 200;
    QTest::addRow("zeros and junk ignored") << QStringList{"100", "0", "abc", "", "160"} << 60;
    QTest::addRow("single reading") << QStringList{"500", "x"} << 0;
    QTest::addRow("two restarts") << QStringList{"50", "80", "10", "40", "5", "25"} << 30 + 30 + 20;
}

void TestGeoTrack::stepCounter()
{
    QFETCH(QStringList, readings);
    QFETCH(int, steps);
    TGeoTrack t;
    for (const QString &r : readings)
        t.Points().push_back(sensorPt(QStringLiteral("stepCounter"), r));
    t.UpdateInfo();
    QCOMPARE(t.Info().StepCounter, steps);
}

void TestGeoTrack::heartRate_data()
{
    QTest::addColumn<QStringList>("readings");
    QTest::addColumn<QList<int>>("minMaxAvg");
    QTest::addRow("zero ignored") << QStringList{"60", "0", "80"} << QList<int>{60, 80, 70};
    QTest::addRow("half rounds to even, up") << QStringList{"61", "62"} << QList<int>{61, 62, 62};
    QTest::addRow("half rounds to even, down") << QStringList{"60", "61"} << QList<int>{60, 61, 60};
    QTest::addRow("none") << QStringList{"0", "-5"} << QList<int>{0, 0, 0};
}

void TestGeoTrack::heartRate()
{
    QFETCH(QStringList, readings);
    QFETCH(QList<int>, minMaxAvg);
    TGeoTrack t;
    for (const QString &r : readings)
        t.Points().push_back(sensorPt(QStringLiteral("heartRate"), r));
    t.UpdateInfo();
    QCOMPARE((QList<int>{t.Info().MinHeartRate, t.Info().MaxHeartRate, t.Info().AvgHeartRate}), minMaxAvg);
}

void TestGeoTrack::distanceExtentAndTimes()
{
    TGeoTrack t;
    t.Points().push_back(pt(37.60, 55.70, 0));
    auto noPos = std::make_unique<TTrackPointInfo>(99, 7);
    noPos->obj_dt = at(-5000); // not positioned: must not widen the times
    t.Points().push_back(std::move(noPos));
    t.Points().push_back(pt(37.64, 55.71, 600));
    t.Points().back()->osm_id = QStringLiteral("addr-1");
    t.Points().push_back(pt(37.62, 55.74, 1500));
    t.Points().back()->gps_dt = NaN; // a missing time does not hide the others
    t.UpdateInfo();

    const TGeoTrackInfo &i = t.Info();
    QCOMPARE(i.PointsCount, 4);
    QCOMPARE(i.GoodPointsCount, 3);
    QCOMPARE(i.AddressCount, 1);
    const double expected = GeoDistance({37.60, 55.70}, {37.64, 55.71}) + GeoDistance({37.64, 55.71}, {37.62, 55.74});
    QVERIFY(std::fabs(i.Distance - expected) < 1e-6);

    // The first point counts for the extent too.
    QCOMPARE(i.GeoRect.TopLeft.Long, 37.60);
    QCOMPARE(i.GeoRect.TopLeft.Lat, 55.74);
    QCOMPARE(i.GeoRect.BottomRight.Long, 37.64);
    QCOMPARE(i.GeoRect.BottomRight.Lat, 55.70);
    QVERIFY(std::fabs(i.CenterPoint.Long - 37.62) < 1e-12);
    QVERIFY(std::fabs(i.CenterPoint.Lat - 55.72) < 1e-12);
    QVERIFY(std::fabs(i.Width - GeoDistance({37.60, 55.72}, {37.64, 55.72})) < 1e-6);
    QVERIFY(std::fabs(i.Height - GeoDistance({37.62, 55.70}, {37.62, 55.74})) < 1e-6);
    QVERIFY(i.Width > 2000 && i.Height > 4000);

    QCOMPARE(i.ObjDuration, 1500);
    QCOMPARE(i.SysDuration, 1500);
    QCOMPARE(i.GpsDuration, 600);
    QCOMPARE(i.ObjTime.Min, at(0));
}

void TestGeoTrack::parkingPointsInStatistics()
{
    // Distance stops at a parking; a run of parking points is one parking.
    TGeoTrack t;
    t.Points().push_back(pt(37.60, 55.70, 0));
    t.Points().push_back(pt(37.61, 55.70, 60));
    t.Points().push_back(pt(37.61, 55.70, 120));
    t.Points().push_back(pt(37.61, 55.70, 500));
    t.Points().push_back(pt(37.62, 55.70, 560));
    t.Points().push_back(pt(37.63, 55.70, 600));
    t.Points().push_back(pt(37.63, 55.70, 900));
    for (int k : {1, 2, 3, 6})
        t.Points()[size_t(k)]->IsParking = true;
    t.UpdateInfo();
    const TGeoTrackInfo &i = t.Info();
    QCOMPARE(i.ParkPointsCount, 4);
    QCOMPARE(i.ParkingCount, 2);
    const double expected = GeoDistance({37.62, 55.70}, {37.63, 55.70});
    QVERIFY2(std::fabs(i.Distance - expected) < 1e-6, qPrintable(QString::number(i.Distance)));
}

void TestGeoTrack::assignCopiesAndCounts()
{
    TTrackPointList src;
    src.push_back(pt(37.60, 55.70, 0));
    src.push_back(pt(37.61, 55.71, 60));
    TGeoTrack t(QStringLiteral("7"));
    QCOMPARE(t.Assign(src), 2);
    QCOMPARE(t.Info().GoodPointsCount, 2);
    src[0]->lat = 10; // the track holds its own copies
    QCOMPARE(t.Points()[0]->lat, 55.70);
    t.Clear();
    QVERIFY(t.ObjId().isEmpty());
    QVERIFY(t.Points().empty());
    QCOMPARE(t.Info().PointsCount, 0);
    // Taking the points: the same statistics, the very records, none left behind.
    const TTrackPointInfo *first = src[1].get();
    QCOMPARE(t.Assign(std::move(src)), 2);
    QCOMPARE(t.Info().GoodPointsCount, 2);
    QCOMPARE(t.Points()[1].get(), first);
    QVERIFY(src.empty());
}

void TestGeoTrack::markParking_data()
{
    QTest::addColumn<int>("standing");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("parkings");
    QTest::addRow("three points, 299 s: too short") << 3 << 299 << 0;
    QTest::addRow("three points, 300 s: a parking") << 3 << 300 << 1;
    QTest::addRow("two points, an hour: too few") << 2 << 3600 << 0;
    QTest::addRow("ten points, 20 min") << 10 << 1200 << 1;
}

void TestGeoTrack::markParking()
{
    QFETCH(int, standing);
    QFETCH(int, seconds);
    QFETCH(int, parkings);
    TGeoTrack t;
    t.Points().push_back(pt(37.50, 55.70, -600, 50));
    addStop(t, 0, standing, seconds);
    t.Points().push_back(pt(37.90, 55.80, seconds + 600, 50));
    t.MarkParking();

    // The points stay the service's; the parking is a record beside them.
    QCOMPARE(int(t.Points().size()), standing + 2);
    QCOMPARE(int(t.Parkings().size()), parkings);
    if (parkings == 0) {
        QVERIFY(!parkingFlags(t).contains(true));
        return;
    }
    const TTrackParking &k = t.Parkings().front();
    QVERIFY(std::fabs(k.Center.Long - StopLon) < 1e-12 && std::fabs(k.Center.Lat - StopLat) < 1e-12);
    QCOMPARE(k.Start, t.Points()[1]->obj_dt);
    QCOMPARE(k.End, t.Points()[size_t(standing)]->obj_dt);
    QCOMPARE(k.Duration, seconds);
    QList<bool> flags(standing + 2, true);
    flags.first() = flags.last() = false;
    QCOMPARE(parkingFlags(t), flags);
    for (int i = 1; i <= standing; ++i)
        QCOMPARE(t.Points()[size_t(i)]->ParkingDuration, seconds);

    t.UpdateInfo();
    QCOMPARE(t.Info().PointsCount, standing + 2);
    QCOMPARE(t.Info().ParkingCount, 1);
    QCOMPARE(t.Info().ParkPointsCount, standing);
}

void TestGeoTrack::parkedPointsOfShortTracks_data()
{
    // A track written as one letter a point, `step` seconds apart: m drives
    // (50 km/h, 15+ km from anything), s stands at the stop, . has no
    // position. Expected after marking: P a parked point, - a point that is
    // not parked; and the number of parkings found.
    QTest::addColumn<QString>("track");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("parkings");
    QTest::addRow("three standing, 300 s") << "msssm" << 150 << "-PPP-" << 1;
    QTest::addRow("three standing, 298 s") << "msssm" << 149 << "-----" << 0;
    QTest::addRow("two standing, 10 min") << "mssm" << 600 << "----" << 0;
    QTest::addRow("parking ends at the last point") << "msss" << 150 << "-PPP" << 1;
    QTest::addRow("second parking ends at the last point") << "msssmsss" << 150 << "-PPP-PPP" << 2;
    QTest::addRow("standing from the first point") << "ssss" << 150 << "-PPP" << 1;
    // Pairs with a point without position are skipped, so the point after
    // it joins no cluster; the parking's time range still marks both.
    QTest::addRow("point without position inside") << "ms.sssm" << 100 << "-PPPPP-" << 1;
    QTest::addRow("too few pairs around a point without position") << "ms.ssm" << 150 << "------" << 0;
    QTest::addRow("one point") << "s" << 600 << "-" << 0;
    QTest::addRow("driving only") << "mmmm" << 600 << "----" << 0;
}

void TestGeoTrack::parkedPointsOfShortTracks()
{
    QFETCH(QString, track);
    QFETCH(int, step);
    QFETCH(QString, expected);
    QFETCH(int, parkings);
    TGeoTrack t;
    for (int k = 0; k < track.size(); ++k) {
        if (track[k] == u's') {
            t.Points().push_back(pt(StopLon, StopLat, k * step));
        } else if (track[k] == u'm') {
            t.Points().push_back(pt(37.0 + 0.3 * k, 55.0, k * step, 50));
        } else {
            auto p = std::make_unique<TTrackPointInfo>(900 + k, 7);
            p->sys_dt = p->obj_dt = p->gps_dt = at(k * step);
            t.Points().push_back(std::move(p));
        }
    }
    const auto originals = [&] {
        QList<const TTrackPointInfo *> r;
        for (const auto &p : t.Points())
            r << p.get();
        return r;
    }();
    t.MarkParking();
    QString got;
    for (const auto &p : t.Points())
        got += !originals.contains(p.get()) ? u'S' : p->IsParking ? u'P' : u'-';
    QCOMPARE(got, expected);
    QCOMPARE(int(t.Parkings().size()), parkings);
}

void TestGeoTrack::markParkingMarksByTimeAndCentre()
{
    // A point whose speed is missing counts as standing wherever it is: the
    // parking's centre is the middle of the spread-out points.
    TGeoTrack t;
    t.Points().push_back(pt(37.0, 55.0, 0, 50));
    t.Points().push_back(pt(37.2, 55.2, 100, NaN));
    t.Points().push_back(pt(37.6, 55.4, 200, NaN));
    t.Points().push_back(pt(37.4, 55.6, 400, NaN));
    t.Points().push_back(pt(38.5, 56.5, 500, 50));
    t.MarkParking();
    QCOMPARE(int(t.Points().size()), 5);
    QCOMPARE(int(t.Parkings().size()), 1);
    const TTrackParking &k = t.Parkings().front();
    QCOMPARE(k.Duration, 300);
    QVERIFY(std::fabs(k.Center.Long - 37.4) < 1e-12);
    QVERIFY(std::fabs(k.Center.Lat - 55.4) < 1e-12);
    QCOMPARE(t.Points()[1]->ParkingDuration, 300);
    QCOMPARE(parkingFlags(t), (QList<bool>{false, true, true, true, false}));
}

void TestGeoTrack::parkingAtTheEndAfterAnEarlierOne()
{
    // Every pair of the track is examined, also after a parking was
    // found: a stop at the very end is found with all its points.
    TGeoTrack t;
    t.Points().push_back(pt(37.50, 55.70, 0, 50));
    addStop(t, 600, 3, 400);
    t.Points().push_back(pt(37.90, 55.80, 1600, 50));
    t.Points().push_back(pt(38.10, 55.90, 2200, 0));
    t.Points().push_back(pt(38.10, 55.90, 2500, 0));
    t.Points().push_back(pt(38.10, 55.90, 2800, 0));
    t.MarkParking();

    QCOMPARE(int(t.Points().size()), 8);
    QCOMPARE(int(t.Parkings().size()), 2);
    QCOMPARE(t.Parkings().back().End, t.Points().back()->obj_dt);
    QCOMPARE(parkingFlags(t), (QList<bool>{false, true, true, true, false, true, true, true}));
    QCOMPARE(t.Points()[5]->ParkingDuration, 600);
    QCOMPARE(t.Points().back()->ParkingDuration, 600);
    t.UpdateInfo();
    QCOMPARE(t.Info().ParkingCount, 2);
}

void TestGeoTrack::accuracyDecidesStanding_data()
{
    QTest::addColumn<double>("acc");
    QTest::addColumn<bool>("parking");
    // Points creep 15 m apart at 10 km/h: standing only if within accuracy.
    QTest::addRow("accuracy 50 m") << 50.0 << true;
    QTest::addRow("accuracy 10 m") << 10.0 << false;
    QTest::addRow("accuracy unknown: 1 km") << NaN << true;
}

void TestGeoTrack::accuracyDecidesStanding()
{
    QFETCH(double, acc);
    QFETCH(bool, parking);
    TGeoTrack t;
    for (int k = 0; k < 6; ++k) {
        t.Points().push_back(pt(37.6, 55.7 + k * 0.000135, k * 120, 10));
        t.Points().back()->acc = acc;
    }
    t.MarkParking();
    QCOMPARE(parkingFlags(t).contains(true), parking);
}

void TestGeoTrack::unsortedTimesStillMarked()
{
    // With a point out of time order the marking cannot search by time and
    // must still find every point of the parking's period.
    TGeoTrack t;
    t.Points().push_back(pt(37.50, 55.70, 0, 50));
    t.Points().push_back(pt(37.30, 55.60, 5000, 50)); // late stamp, early in the list
    addStop(t, 600, 4, 600);
    t.Points().push_back(pt(37.90, 55.80, 1500, 50));
    auto early = std::make_unique<TTrackPointInfo>(500, 7); // no position, time inside the stop
    early->obj_dt = at(700);
    t.Points().push_back(std::move(early));
    t.MarkParking();

    QCOMPARE(parkingFlags(t), (QList<bool>{false, false, true, true, true, true, false, true}));
    QCOMPARE(t.Points().back()->ParkingDuration, 600);
}

void TestGeoTrack::clearParkingForgetsParkings()
{
    TGeoTrack t;
    t.Points().push_back(pt(37.50, 55.70, 0, 50));
    addStop(t, 600, 3, 400);
    t.Points().push_back(pt(37.90, 55.80, 1600, 50));
    t.MarkParking();
    QCOMPARE(int(t.Points().size()), 5);
    QCOMPARE(int(t.Parkings().size()), 1);
    const quint32 marked = t.ParkingRevision();
    t.ClearParking();
    QVERIFY(t.ParkingRevision() != marked);
    QCOMPARE(int(t.Points().size()), 5);
    QVERIFY(t.Parkings().empty());
    for (const auto &p : t.Points()) {
        QVERIFY(!p->IsParking);
        QCOMPARE(p->ParkingDuration, 0);
    }
}

QTEST_GUILESS_MAIN(TestGeoTrack)
#include "tst_GeoTrack.moc"
