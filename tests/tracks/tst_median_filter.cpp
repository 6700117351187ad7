#include "median_filter.h"
#include "ZtUtils.h"

#include <QtTest>

#include <cmath>

class TestMedianFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void median_data();
    void median();
    void sizeLimits_data();
    void sizeLimits();
    void filterSmoothsPositionOnly();
    void pointWithoutPositionChangesNothing();
};

void TestMedianFilter::median_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<double>>("in");
    QTest::addColumn<QList<double>>("out");
    // Until the window is full a value passes through.
    QTest::addRow("size 3") << 3 << QList<double>{10, 20, 30, 40} << QList<double>{10, 20, 20, 30};
    QTest::addRow("size 3 drops a spike") << 3 << QList<double>{5, 5, 90, 5, 5} << QList<double>{5, 5, 5, 5, 5};
    QTest::addRow("size 4 averages the middle pair") << 4 << QList<double>{1, 2, 3, 4, 10} << QList<double>{1, 2, 3, 2.5, 3.5};
    QTest::addRow("size 1") << 1 << QList<double>{7, -3} << QList<double>{7, -3};
    QTest::addRow("size 5 unsorted") << 5 << QList<double>{9, 1, 8, 2, 7, 3} << QList<double>{9, 1, 8, 2, 7, 3};
    QList<double> in16, out16;
    for (int i = 0; i < 17; ++i)
        in16 << double(16 - i);
    out16 = in16.mid(0, 15);
    out16 << 8.5 << 7.5; // values 1..16, then 0..15 after the ring wraps
    QTest::addRow("size 16 wraps") << 16 << in16 << out16;
}

void TestMedianFilter::median()
{
    QFETCH(int, size);
    QFETCH(QList<double>, in);
    QFETCH(QList<double>, out);
    TMedian m(size);
    QVERIFY(std::isnan(m.Median()));
    QList<double> got;
    for (double v : in)
        got << m.Append(v);
    QCOMPARE(got, out);
    m.Clear();
    QVERIFY(std::isnan(m.Median()));
}

void TestMedianFilter::sizeLimits_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("error");
    QTest::addRow("16 is the largest") << 16 << QString();
    QTest::addRow("17") << 17 << QStringLiteral("Size too large [17], max=16");
    QTest::addRow("99 from the dialog") << 99 << QStringLiteral("Size too large [99], max=16");
    // No window at all would let the ring run past its buffer.
    QTest::addRow("0") << 0 << QStringLiteral("Size too small [0], min=1");
    QTest::addRow("negative") << -4 << QStringLiteral("Size too small [-4], min=1");
}

void TestMedianFilter::sizeLimits()
{
    QFETCH(int, size);
    QFETCH(QString, error);
    try {
        TMedianFilter f(size, QString());
        QVERIFY(error.isEmpty());
        QCOMPARE(f.Sign(), QStringLiteral("median-%1").arg(size));
    } catch (const EZtError &e) {
        QCOMPARE(e.message(), error);
    }
}

void TestMedianFilter::filterSmoothsPositionOnly()
{
    TMedianFilter f(3);
    const double lats[] = {55.0, 55.2, 55.1, 58.0};
    const double lons[] = {37.0, 37.1, 37.2, 30.0};
    QList<double> outLat, outLon;
    for (int i = 0; i < 4; ++i) {
        TTrackPointInfo p(i + 1, 7);
        p.lat = lats[i];
        p.lon = lons[i];
        p.speed = 10 * i;
        p.obj_dt = 45000 + i;
        p.sensors.push_back(std::make_unique<TTrackPointSensorInfo>(1, "event", "e"));
        const TTrackPointInfo &o = f.FilterLocation(p);
        QCOMPARE(&o, &f.FilteredLocation()); // the same object every time
        QCOMPARE(o.uid, i + 1);
        QCOMPARE(o.speed, 10.0 * i);
        QCOMPARE(o.sensors.size(), size_t(1));
        QVERIFY(o.HasEvent);
        QCOMPARE(f.LastLocation().lat, lats[i]); // the input as it came
        outLat << o.lat;
        outLon << o.lon;
    }
    QCOMPARE(outLat, (QList<double>{55.0, 55.2, 55.1, 55.2}));
    QCOMPARE(outLon, (QList<double>{37.0, 37.1, 37.1, 37.1}));
}

void TestMedianFilter::pointWithoutPositionChangesNothing()
{
    TMedianFilter f(3);
    TTrackPointInfo a(1, 7);
    a.lat = 10;
    a.lon = 20;
    f.FilterLocation(a);
    TTrackPointInfo none(2, 7);
    none.lat = 0; // on the equator counts as no position
    none.lon = 25;
    const TTrackPointInfo &o = f.FilterLocation(none);
    QCOMPARE(o.uid, 1);
    QCOMPARE(f.LastLocation().uid, 1);
    // The window did not take the 0: the next two points still pass through.
    TTrackPointInfo b(3, 7);
    b.lat = 30;
    b.lon = 40;
    QCOMPARE(f.FilterLocation(b).lat, 30.0);
}

QTEST_GUILESS_MAIN(TestMedianFilter)
#include "tst_median_filter.moc"
