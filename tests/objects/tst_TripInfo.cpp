#include "OSM.TripInfo.h"

#include <QTest>

#include <cmath>

class TstTripInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusText_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::addRow("new") << 0 << "new";
        QTest::addRow("active") << 1 << "active";
        QTest::addRow("complete") << 2 << "complete";
        QTest::addRow("other") << 3 << "unknown [3]";
    }
    void statusText()
    {
        QFETCH(int, status);
        QFETCH(QString, text);
        TTripInfo t(1, 2);
        t.status = status;
        QCOMPARE(t.StatusText(), text);
    }

    void periodAndDistance_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("stop");
        QTest::addColumn<double>("distance");
        QTest::addColumn<bool>("period");
        QTest::addColumn<bool>("hasDistance");
        const double n = std::nan("");
        QTest::addRow("complete trip") << 45000.5 << 45000.6 << 1200.0 << true << true;
        QTest::addRow("no stop time") << 45000.5 << n << 1200.0 << false << true;
        QTest::addRow("stop before start") << 45000.6 << 45000.5 << 1200.0 << false << true;
        QTest::addRow("no start") << 0.0 << 45000.5 << 1200.0 << false << true;
        QTest::addRow("distance 0") << 45000.5 << 45000.6 << 0.0 << true << false;
        QTest::addRow("no distance") << 45000.5 << 45000.6 << n << true << false;
    }
    void periodAndDistance()
    {
        QFETCH(double, start);
        QFETCH(double, stop);
        QFETCH(double, distance);
        QFETCH(bool, period);
        QFETCH(bool, hasDistance);
        TTripInfo t(1, 2);
        t.start_dt = start;
        t.stop_dt = stop;
        t.distance = distance;
        QCOMPARE(t.HasPeriod(), period);
        QCOMPARE(t.HasDistance(), hasDistance);
    }
};

QTEST_GUILESS_MAIN(TstTripInfo)
#include "tst_TripInfo.moc"
