#include "location_filter.h"
#include "median_filter.h"
#include "ZtDates.h"

#include <QtTest>

#include <cmath>

class TestLocationFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passesThrough();
    void savedLocationRoundTrip();
    void restore_data();
    void restore();
    void medianSeededFromSavedLocation();
};

void TestLocationFilter::passesThrough()
{
    TLocationFilter f;
    QCOMPARE(f.Sign(), QStringLiteral("filtered"));
    TTrackPointInfo p(5, 7);
    p.lat = 1.5;
    p.lon = 2.5;
    p.osm_id = QStringLiteral("x");
    const TTrackPointInfo &o = f.FilterLocation(p);
    QCOMPARE(o.uid, 5);
    QCOMPARE(o.lat, 1.5);
    QCOMPARE(o.osm_id, QStringLiteral("x"));
    QCOMPARE(f.LastLocation().lon, 2.5);
}

void TestLocationFilter::savedLocationRoundTrip()
{
    TLocationFilter f;
    TTrackPointInfo p(5, 7);
    p.obj_dt = EncodeDateTime(2024, 3, 1, 10, 20, 30);
    p.acc = 12.5;
    p.lat = 55.123456;
    p.lon = 37.654321;
    p.alt = 150;
    f.FilterLocation(p);
    const QString text = f.ToString();
    QCOMPARE(text, QStringLiteral("1709288430,12.500000,55.123456,37.654321,150.000000"));

    TLocationFilter g(text);
    QVERIFY(std::fabs(g.LastLocation().obj_dt - p.obj_dt) < 1e-9);
    QCOMPARE(g.LastLocation().acc, 12.5);
    QCOMPARE(g.LastLocation().lat, 55.123456);
    QCOMPARE(g.LastLocation().lon, 37.654321);
    QCOMPARE(g.LastLocation().alt, 150.0);
    QCOMPARE(g.ToString(), text);
}

void TestLocationFilter::restore_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("accLatLonAlt"); // NaN where not restored
    const double n = std::numeric_limits<double>::quiet_NaN();
    QTest::addRow("empty") << QString() << QList<double>{n, n, n, n};
    QTest::addRow("three parts are not enough") << "0,1,2" << QList<double>{n, n, n, n};
    QTest::addRow("four parts") << "0,5,10.5,20.25" << QList<double>{5, 10.5, 20.25, n};
    QTest::addRow("junk numbers") << "x,y,1.5,z,w" << QList<double>{n, 1.5, n, n};
}

void TestLocationFilter::restore()
{
    QFETCH(QString, text);
    QFETCH(QList<double>, accLatLonAlt);
    TLocationFilter f(text);
    const TTrackPointInfo &l = f.LastLocation();
    const QList<double> got{l.acc, l.lat, l.lon, l.alt};
    for (int i = 0; i < 4; ++i) {
        if (std::isnan(accLatLonAlt[i]))
            QVERIFY2(std::isnan(got[i]), qPrintable(QString::number(i)));
        else
            QCOMPARE(got[i], accLatLonAlt[i]);
    }
}

void TestLocationFilter::medianSeededFromSavedLocation()
{
    // A restored median filter starts with the saved position in its window.
    TMedianFilter f(3, QStringLiteral("0,5,10,20"));
    QCOMPARE(f.Sign(), QStringLiteral("median-3"));
    TTrackPointInfo p(1, 7);
    p.lat = 11;
    p.lon = 21;
    f.FilterLocation(p);
    p.lat = 30;
    p.lon = 40;
    const TTrackPointInfo &o = f.FilterLocation(p);
    QCOMPARE(o.lat, 11.0); // median of 10, 11, 30
    QCOMPARE(o.lon, 21.0);
}

QTEST_GUILESS_MAIN(TestLocationFilter)
#include "tst_location_filter.moc"
