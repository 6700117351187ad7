#include "kalman_filter.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
}

class TestKalmanFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void estimates();
    void defaultsForNaN();
    void label_data();
    void label();
    void filterSkipsPointsWithoutPosition();
};

void TestKalmanFilter::estimates()
{
    TKalman k(0.001, 0.2);
    // First value: gain 0.5 on an estimate equal to the value.
    QCOMPARE(k.Kalman(10.0), 10.0);
    QVERIFY(std::fabs(k.err_estimate - 0.0005) < 1e-15);
    // Second: gain 0.0005 / 0.0015, a third of the way.
    const double second = k.Kalman(13.0);
    QVERIFY(std::fabs(second - 11.0) < 1e-12);
    // The estimate error grows with the jump: |10 - 11| * 0.2 added.
    QVERIFY(std::fabs(k.err_estimate - (2.0 / 3.0 * 0.0005 + 0.2)) < 1e-12);
    // And the large error makes the next step follow almost fully.
    const double third = k.Kalman(13.0);
    QVERIFY(third > 12.98 && third < 13.0);
}

void TestKalmanFilter::defaultsForNaN()
{
    TKalman k(NaN, NaN);
    QCOMPARE(k.err_measure, 0.001);
    QCOMPARE(k.q_measure, 0.2);
    QCOMPARE(k.err_estimate, 0.001);
    QVERIFY(std::isnan(k.last_estimate));
}

void TestKalmanFilter::label_data()
{
    QTest::addColumn<double>("err");
    QTest::addColumn<double>("q");
    QTest::addColumn<QString>("sign");
    QTest::addRow("defaults") << 0.001 << 0.2 << QStringLiteral("kalman-0.0010-0.20");
    QTest::addRow("negative error") << -0.5 << 1.0 << QStringLiteral("kalman--0.5000-1.00");
    QTest::addRow("NaN takes the defaults") << NaN << NaN << QStringLiteral("kalman-0.0010-0.20");
}

void TestKalmanFilter::label()
{
    QFETCH(double, err);
    QFETCH(double, q);
    QFETCH(QString, sign);
    QCOMPARE(TKalmanFilter(err, q).Sign(), sign);
}

void TestKalmanFilter::filterSkipsPointsWithoutPosition()
{
    TKalmanFilter f(0.001, 0.2);
    TTrackPointInfo a(1, 7);
    a.lat = 55.0;
    a.lon = 37.0;
    QCOMPARE(f.FilterLocation(a).lat, 55.0);
    TTrackPointInfo none(2, 7); // NaN position
    QCOMPARE(f.FilterLocation(none).uid, 1);
    TTrackPointInfo b(3, 7);
    b.lat = 55.3;
    b.lon = 37.6;
    const TTrackPointInfo &o = f.FilterLocation(b);
    QCOMPARE(o.uid, 3);
    QVERIFY(std::fabs(o.lat - 55.1) < 1e-9); // the skipped point did not move the estimate
    QVERIFY(std::fabs(o.lon - 37.2) < 1e-9);
}

QTEST_GUILESS_MAIN(TestKalmanFilter)
#include "tst_kalman_filter.moc"
