#include "OSM.TrackPointInfo.h"

#include <QTest>

#include <cmath>

static const double NaN = std::nan("");

class TstTrackPointInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newPointHasNothing()
    {
        const TTrackPointInfo p(5, 7);
        QCOMPARE(p.uid, 5);
        QCOMPARE(p.obj_id, 7);
        QVERIFY(!p.HasLatLon() && !p.HasBearing() && !p.HasAccuracy() && !p.HasAltitude() && !p.HasSpeed());
        QVERIFY(!p.HasSource());
        QCOMPARE(p.bat, -1);
        QCOMPARE(p.SrcName(), QString());
    }

    void position_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<bool>("has");
        QTest::addRow("ordinary") << 55.75 << 37.6 << true;
        QTest::addRow("on the equator") << 0.0 << 37.6 << false;
        QTest::addRow("on the prime meridian") << 51.5 << 0.0 << false;
        QTest::addRow("no latitude") << NaN << 37.6 << false;
        QTest::addRow("no longitude") << 55.75 << NaN << false;
    }
    void position()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(bool, has);
        TTrackPointInfo p(1, 1);
        p.lat = lat;
        p.lon = lon;
        QCOMPARE(p.HasLatLon(), has);
        TTrackPointInfo q(2, 1);
        q.lat = 55.76;
        q.lon = 37.6;
        QCOMPARE(std::isnan(p.DistanceTo(q)), !has);
        QCOMPARE(std::isnan(p.DistanceTo(55.76, 37.6)), !has);
        QVERIFY(std::isnan(q.DistanceTo(55.76, NaN)));
        if (has)
            QVERIFY(qAbs(q.DistanceTo(p) - 1113) < 2); // 0.01 degree of latitude
    }

    void srcName_data()
    {
        QTest::addColumn<int>("src");
        QTest::addColumn<QString>("name");
        QTest::addRow("none") << -1 << "";
        QTest::addRow("satellite") << 0 << "GNSS";
        QTest::addRow("cell") << 1 << "Cell";
        QTest::addRow("wifi") << 2 << "WiFi";
        QTest::addRow("place") << 3 << "Place";
        QTest::addRow("other") << 7 << "Unknown[7]";
    }
    void srcName()
    {
        QFETCH(int, src);
        QFETCH(QString, name);
        TTrackPointInfo p;
        p.src = src;
        QCOMPARE(p.SrcName(), name);
    }

    void compare_data()
    {
        QTest::addColumn<int>("objA");
        QTest::addColumn<double>("objDtA");
        QTest::addColumn<double>("gpsDtA");
        QTest::addColumn<int>("objB");
        QTest::addColumn<double>("objDtB");
        QTest::addColumn<double>("gpsDtB");
        QTest::addColumn<int>("result");
        QTest::addRow("object first") << 2 << 1.0 << 1.0 << 3 << 0.5 << 0.5 << -1;
        QTest::addRow("then device time") << 2 << 1.0 << 0.0 << 2 << 2.0 << 0.0 << -1;
        QTest::addRow("NaN time before a time") << 2 << NaN << 0.0 << 2 << 1.0 << 0.0 << -1;
        QTest::addRow("time after NaN") << 2 << 1.0 << 0.0 << 2 << NaN << 0.0 << 1;
        QTest::addRow("two NaN times tie, GPS decides") << 2 << NaN << 3.0 << 2 << NaN << 2.0 << 1;
        QTest::addRow("equal") << 2 << 1.0 << 1.0 << 2 << 1.0 << 1.0 << 0;
    }
    void compare()
    {
        QFETCH(int, objA);
        QFETCH(double, objDtA);
        QFETCH(double, gpsDtA);
        QFETCH(int, objB);
        QFETCH(double, objDtB);
        QFETCH(double, gpsDtB);
        QFETCH(int, result);
        TTrackPointInfo a(1, objA), b(2, objB);
        a.obj_dt = objDtA;
        a.gps_dt = gpsDtA;
        b.obj_dt = objDtB;
        b.gps_dt = gpsDtB;
        QCOMPARE(a.Compare(b), result);
        QCOMPARE(b.Compare(a), -result);
    }

    // A copy owns its own sensors, events and zones, and learns HasEvent from them.
    void copyIsDeep()
    {
        TTrackPointInfo a(1, 2);
        a.lat = 55.75;
        a.lon = 37.6;
        a.bat = 80;
        a.MapPoint = QPoint(10, 20);
        a.sensors.push_back(std::make_unique<TTrackPointSensorInfo>(3, QStringLiteral("event"), QStringLiteral("sos")));
        a.events.push_back(std::make_unique<TEventInfo>(4, 2));
        a.zones.push_back(std::make_unique<TZoneInfo>(5, TZoneInfo::Circle));
        const TTrackPointInfo b(a);
        QCOMPARE(b.uid, 1);
        QCOMPARE(b.obj_id, 2);
        QCOMPARE(b.bat, 80);
        QVERIFY(b.HasEvent);
        QCOMPARE(b.MapPoint, QPoint());
        QCOMPARE(b.sensors.size(), size_t(1));
        QCOMPARE(b.events.size(), size_t(1));
        QCOMPARE(b.zones.size(), size_t(1));
        QVERIFY(b.sensors[0].get() != a.sensors[0].get());
        QVERIFY(b.events[0].get() != a.events[0].get());
        QVERIFY(b.zones[0].get() != a.zones[0].get());
        QCOMPARE(b.FindSensor(QStringLiteral("event"))->val, QStringLiteral("sos"));
        QCOMPARE(b.FindSensor(QStringLiteral("Event")), nullptr);

        TTrackPointInfo c(9, 9);
        c.sensors.push_back(std::make_unique<TTrackPointSensorInfo>(8, QStringLiteral("t"), QStringLiteral("1")));
        c = b;
        QCOMPARE(c.uid, 1);
        QCOMPARE(c.sensors.size(), size_t(1));
        QCOMPARE(c.sensors[0]->uid, 3);
    }
};

QTEST_GUILESS_MAIN(TstTrackPointInfo)
#include "tst_TrackPointInfo.moc"
