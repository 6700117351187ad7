// The --faults rules: what is accepted, what is refused, and that waits stay bounded.

#include "SimFaults.h"

#include <QTest>

class TestSimFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count");
        QTest::addRow("empty") << "" << true << 0;
        QTest::addRow("every kind") << "*:delay=0.1,500=0.1,503=0.1,malformed=0.1,truncated=0.1,stall=0.1,drop=0.1" << true << 7;
        QTest::addRow("two paths") << "/api/v1/user/objects:503=0.5;/tiles/:delay=1@100" << true << 2;
        QTest::addRow("unknown kind") << "*:boom=1" << false << 0;
        QTest::addRow("rate above one") << "*:500=2" << false << 0;
        QTest::addRow("rate not a number") << "*:500=often" << false << 0;
        QTest::addRow("no path") << "503=1" << false << 0;
        QTest::addRow("negative wait") << "*:delay=1@-5" << false << 0;
    }

    void parse()
    {
        QFETCH(QString, rules);
        QFETCH(bool, ok);
        QFETCH(int, count);
        SimFaults f;
        QString error;
        QCOMPARE(f.parse(rules, &error), ok);
        QCOMPARE(error.isEmpty(), ok);
        QCOMPARE(int(f.rules().size()), count);
    }

    void decide()
    {
        SimFaults f;
        QVERIFY(f.parse(QStringLiteral("/api/v1/user/:503=1,delay=1@999999;/tiles/:drop=0"), nullptr));
        const SimFaults::Decision d = f.decide(QStringLiteral("/api/v1/user/zones"));
        QCOMPARE(d.fault, SimFaults::Kind::Status503);
        QCOMPARE(d.delayMs, SimFaults::MaxWaitMs); // capped
        QCOMPARE(f.decide(QStringLiteral("/api/v1/object/1")).fault, SimFaults::Kind::None);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(f.decide(QStringLiteral("/tiles/1/0/0.png")).fault, SimFaults::Kind::None);
    }
};

QTEST_GUILESS_MAIN(TestSimFaults)
#include "tst_SimFaults.moc"
