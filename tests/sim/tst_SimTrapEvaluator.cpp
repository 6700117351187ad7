// Trap conditions against simulated positions.

#include "SimGeo.h"
#include "SimTrapEvaluator.h"

#include <QTest>

namespace {
SimPoint pointAt(double lat, double lon, int src = 0)
{
    SimPoint p;
    p.uid = 1;
    p.sysMs = p.objMs = 1'000'000;
    p.lat = lat;
    p.lon = lon;
    p.src = src;
    p.speed = 50;
    p.bat = 20;
    p.heart = 90;
    p.event = QStringLiteral("charger_connected");
    return p;
}

SimZone circle()
{
    SimZone z;
    z.uid = 7;
    z.typeId = 1;
    z.geom = QStringLiteral(R"({"center":[56.27574,57.998649],"radius":100})");
    SimGeo::parseGeom(z, nullptr);
    return z;
}
}

class TestSimTrapEvaluator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compare_data()
    {
        QTest::addColumn<int>("condition");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("val");
        QTest::addColumn<bool>("holds");
        QTest::addRow("greater, numbers not texts") << 1 << "100" << "90" << true;
        QTest::addRow("greater, equal") << 1 << "90" << "90" << false;
        QTest::addRow("less") << 2 << "9.5" << "10" << true;
        QTest::addRow("equal numbers written apart") << 3 << "90.0" << "90" << true;
        QTest::addRow("not equal") << 4 << "90" << "91" << true;
        QTest::addRow("at least") << 5 << "90" << "90" << true;
        QTest::addRow("at least, below") << 5 << "89.9" << "90" << false;
        QTest::addRow("at least, above") << 5 << "91" << "90" << true;
        QTest::addRow("at most") << 6 << "91" << "90" << false;
        QTest::addRow("at most, equal") << 6 << "90" << "90" << true;
        QTest::addRow("at most, below") << 6 << "89.9" << "90" << true;
        QTest::addRow("contains") << 7 << "110" << "10" << true;
        QTest::addRow("contains, number not held") << 7 << "120" << "10" << false;
        QTest::addRow("text equal, any case") << 3 << "Stop" << "stop" << true;
        QTest::addRow("text is not greater") << 1 << "b" << "a" << false;
        QTest::addRow("text contains") << 7 << "charger_connected" << "charger" << true;
        QTest::addRow("no reading never holds") << 4 << "" << "x" << false;
        QTest::addRow("unknown condition") << 9 << "5" << "1" << false;
    }

    void compare()
    {
        QFETCH(int, condition);
        QFETCH(QString, value);
        QFETCH(QString, val);
        QFETCH(bool, holds);
        QCOMPARE(SimTrapEvaluator::compare(condition, value, val), holds);
    }

    void zoneEnterAndLeave_data()
    {
        QTest::addColumn<int>("condition");
        QTest::addColumn<double>("lat");
        QTest::addColumn<int>("src");
        QTest::addColumn<int>("expected"); // 1 holds, 0 does not, -1 cannot tell
        QTest::addRow("enter, inside") << 1 << 57.998649 << 0 << 1;
        QTest::addRow("enter, 150 m north") << 1 << 57.99999 << 0 << 0;
        QTest::addRow("leave, 150 m north") << 2 << 57.99999 << 0 << 1;
        QTest::addRow("leave, inside") << 2 << 57.9987 << 0 << 0;
        QTest::addRow("cell position tells nothing") << 1 << 57.998649 << 1 << -1;
        QTest::addRow("place position counts") << 1 << 57.998649 << 3 << 1;
    }

    void zoneEnterAndLeave()
    {
        QFETCH(int, condition);
        QFETCH(double, lat);
        QFETCH(int, src);
        QFETCH(int, expected);
        const SimZone z = circle();
        SimTrap t;
        t.targetTypeId = 1;
        t.targetId = z.uid;
        t.conditionId = condition;
        const auto h = SimTrapEvaluator::holds(t, &z, {}, pointAt(lat, 56.27574, src), 1'000'000);
        QCOMPARE(h.has_value() ? int(*h) : -1, expected);
        // A trap whose zone is gone never fires.
        QCOMPARE(SimTrapEvaluator::holds(t, nullptr, {}, pointAt(lat, 56.27574, src), 1'000'000), std::optional<bool>(false));
    }

    void otherTargets()
    {
        const SimPoint p = pointAt(58, 56);
        SimTrap speed;
        speed.targetTypeId = 5;
        speed.conditionId = 1;
        speed.val = QStringLiteral("49.5");
        QCOMPARE(SimTrapEvaluator::holds(speed, nullptr, {}, p, p.sysMs), std::optional<bool>(true));

        SimTrap battery;
        battery.targetTypeId = 4;
        battery.conditionId = 2;
        battery.val = QStringLiteral("15");
        QCOMPARE(SimTrapEvaluator::holds(battery, nullptr, {}, p, p.sysMs), std::optional<bool>(false));

        // A sensor trap reads the sensor of the trap's target id by its sign.
        SimTrap sensor;
        sensor.targetTypeId = 2;
        sensor.targetId = 12;
        sensor.conditionId = 7;
        sensor.val = QStringLiteral("charger");
        const QList<SimSensor> sensors{{11, QStringLiteral("heart"), {}, {}}, {12, QStringLiteral("event"), {}, {}}};
        QCOMPARE(SimTrapEvaluator::holds(sensor, nullptr, sensors, p, p.sysMs), std::optional<bool>(true));
        sensor.targetId = 13;
        QCOMPARE(SimTrapEvaluator::holds(sensor, nullptr, sensors, p, p.sysMs), std::optional<bool>(false));

        // Time-out in minutes since the last report.
        SimTrap timeout;
        timeout.targetTypeId = 3;
        timeout.val = QStringLiteral("10");
        QCOMPARE(SimTrapEvaluator::holds(timeout, nullptr, {}, p, p.sysMs + 10 * 60000), std::optional<bool>(false));
        QCOMPARE(SimTrapEvaluator::holds(timeout, nullptr, {}, p, p.sysMs + 10 * 60000 + 1), std::optional<bool>(true));
        timeout.val = QStringLiteral("soon");
        QCOMPARE(SimTrapEvaluator::holds(timeout, nullptr, {}, p, p.sysMs + 100 * 60000), std::optional<bool>(false));
    }
};

QTEST_GUILESS_MAIN(TestSimTrapEvaluator)
#include "tst_SimTrapEvaluator.moc"
