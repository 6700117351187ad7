#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"

#include <QTest>
#include <QUrlQuery>

class TstTrapInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void condition_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<int>("cond");
        QTest::addColumn<QString>("val");
        QTest::addColumn<QString>("text");
        QTest::addRow("zone entering") << 1u << 1 << "" << "→]";
        QTest::addRow("zone leaving") << 1u << 2 << "" << "[→";
        QTest::addRow("speed above") << 5u << 1 << "90" << ">90";
        QTest::addRow("battery below") << 4u << 2 << "20" << "<20";
        QTest::addRow("sensor equal") << 2u << 3 << "on" << "==on";
        QTest::addRow("sensor not equal") << 2u << 4 << "off" << "<>off";
        QTest::addRow("value then dots") << 3u << 5 << "10" << "10..";
        QTest::addRow("dots then value") << 3u << 6 << "10" << "..10";
        QTest::addRow("dots around") << 5u << 7 << "10" << "..10..";
        QTest::addRow("unknown condition") << 5u << 8 << "10" << "8";
        QTest::addRow("unknown target") << 9u << 1 << "10" << "1";
    }
    void condition()
    {
        QFETCH(uint, type);
        QFETCH(int, cond);
        QFETCH(QString, val);
        QFETCH(QString, text);
        TTrapInfo t(1, 2);
        t.target_type_id = type;
        t.condition_id = cond;
        t.val = val;
        QCOMPARE(t.Condition(), text);
    }

    void names_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("name");
        QTest::addRow("zone in list") << 1u << 11 << "Zone:Home";
        QTest::addRow("zone missing from list") << 1u << 99 << "Zone:";
        QTest::addRow("sensor of the object") << 2u << 5 << "Sensor:Door";
        QTest::addRow("sensor missing") << 2u << 6 << "Sensor:";
        QTest::addRow("timeout") << 3u << 11 << "Timeout:";
        QTest::addRow("battery") << 4u << 11 << "Battery:";
        QTest::addRow("speed") << 5u << 11 << "Speed:";
        QTest::addRow("unknown type") << 7u << 11 << "7:11";
    }
    void names()
    {
        QFETCH(uint, type);
        QFETCH(int, target);
        QFETCH(QString, name);
        TZoneList zones;
        zones.push_back(std::make_unique<TZoneInfo>(11, TZoneInfo::Circle));
        zones.back()->name = QStringLiteral("Home");
        TObjectInfo obj(2, QStringLiteral("phone"));
        obj.sensors.push_back(std::make_unique<TSensorInfo>(5));
        obj.sensors.back()->name = QStringLiteral("Door");
        TTrapInfo t(1, 2);
        t.fZoneList = &zones;
        t.fObjInfo = &obj;
        t.target_type_id = type;
        t.target_id = target;
        QCOMPARE(t.TrapName(), name);
    }

    void namesWithoutReferences()
    {
        TTrapInfo t(1, 2);
        t.target_type_id = 1;
        t.target_id = 11;
        QCOMPARE(t.TrapName(), QStringLiteral("Zone:"));
        t.target_type_id = 2;
        QCOMPARE(t.TrapName(), QStringLiteral("Sensor:"));
    }

    void urlString_data()
    {
        QTest::addColumn<int>("uid");
        QTest::addColumn<bool>("hasUid");
        QTest::addRow("new trap") << 0 << false;
        QTest::addRow("saved trap") << 42 << true;
    }
    void urlString()
    {
        QFETCH(int, uid);
        QFETCH(bool, hasUid);
        TTrapInfo t(uid, 3);
        t.target_type_id = 5;
        t.target_id = 0;
        t.condition_id = 1;
        t.val = QStringLiteral("90 & more");
        t.is_alarm = true;
        t.accept_type_id = 1;
        t.msg = QStringLiteral("{{name}}: speed {{speed}} > 90%");
        t.subj = QStringLiteral("Speed");
        t.email = false;
        t.telegram = true;
        const QString s = t.ToUrlString();
        QVERIFY(s.endsWith(QLatin1Char('&')));
        QCOMPARE(s.startsWith(QStringLiteral("uid=")), hasUid);
        QStringList keys;
        for (const QString &part : s.chopped(1).split('&'))
            keys << part.section('=', 0, 0);
        QStringList expected{"obj_id", "target_type_id", "target_id", "condition_id", "val", "is_alarm",
                             "accept_type_id", "msg", "subj", "email", "telegram"};
        if (hasUid)
            expected.prepend("uid");
        QCOMPARE(keys, expected);
        const QUrlQuery q(s);
        QCOMPARE(q.queryItemValue("val", QUrl::FullyDecoded), t.val);
        QCOMPARE(q.queryItemValue("msg", QUrl::FullyDecoded), t.msg);
        QCOMPARE(q.queryItemValue("is_alarm"), QStringLiteral("true"));
        QCOMPARE(q.queryItemValue("email"), QStringLiteral("false"));
        QCOMPARE(q.queryItemValue("telegram"), QStringLiteral("true"));
    }
};

QTEST_GUILESS_MAIN(TstTrapInfo)
#include "tst_TrapInfo.moc"
