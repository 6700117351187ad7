#include "OSM.EventInfo.h"
#include "ZtDates.h"

#include <QTest>

class TstEventInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The happening's time falls back from device to GPS to service time.
    void sign_data()
    {
        QTest::addColumn<double>("obj");
        QTest::addColumn<double>("gps");
        QTest::addColumn<double>("sys");
        QTest::addColumn<QString>("sign");
        const double a = EncodeDateTime(2025, 2, 3, 14, 5, 6);
        const double b = EncodeDateTime(2025, 2, 3, 14, 5, 7);
        const double c = EncodeDateTime(2025, 2, 3, 14, 5, 8);
        const double n = NoDateTime;
        QTest::addRow("device time") << a << b << c << "Event{03.02.2025 14:05:06; obj:7; trap:9}";
        QTest::addRow("GPS time") << n << b << c << "Event{03.02.2025 14:05:07; obj:7; trap:9}";
        QTest::addRow("service time") << n << n << c << "Event{03.02.2025 14:05:08; obj:7; trap:9}";
    }
    void sign()
    {
        QFETCH(double, obj);
        QFETCH(double, gps);
        QFETCH(double, sys);
        QFETCH(QString, sign);
        TEventInfo e(1, 7);
        e.trap_id = 9;
        e.h_obj_dt = obj;
        e.h_gps_dt = gps;
        e.h_sys_dt = sys;
        QCOMPARE(e.Sign(), sign);
        TEventInfo copy(e);
        QCOMPARE(copy.Sign(), sign);
    }
};

QTEST_GUILESS_MAIN(TstEventInfo)
#include "tst_EventInfo.moc"
