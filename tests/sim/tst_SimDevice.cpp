// The simulated device's answers to the command queue: the exact answer
// formats the device dialogs read, and the set commands applied to its state.

#include "SimDevice.h"

#include <QTest>

namespace {
SimDevice device()
{
    return SimDevice::makeDefault(QStringLiteral("track.example"),
                                  {{QStringLiteral("HomeNet"), QStringLiteral("a4:2b:b0:11:22:33"), 5, false},
                                   {QStringLiteral("Cafe"), QStringLiteral("10:fe:ed:00:00:01"), 4, false}},
                                  {QStringLiteral("HomeNet")});
}

QStringList lines(const SimDevice::Answer &a)
{
    return QString::fromUtf8(a.body).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
}

class TestSimDevice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void queryAnswersAreText()
    {
        SimDevice d = device();
        for (const char *q : {"get config", "get places", "get filters", "reboot"}) {
            const SimDevice::Answer a = d.execute(QString::fromLatin1(q));
            QVERIFY2(a.contentType.startsWith(QLatin1String("text/plain")), q);
            QVERIFY2(!a.body.isEmpty(), q);
        }
        QCOMPARE(d.execute(QStringLiteral("reboot")).body, QByteArray("OK: reboot"));
    }

    // A set command changes what the next query shows, line for line.
    void setThenGet_data()
    {
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("absent");

        QTest::addRow("config booleans and periods")
            << "set config use_places=false tracking_period=600" << "get config"
            << QStringList{"use_places=false", "tracking_period=600", "service_enabled=1"} << QStringList{"tracking_period=300"};
        QTest::addRow("config line breaks come back percent-encoded")
            << "set config sms_quick_answers=Yes%0D%0ANo" << "get config" << QStringList{"sms_quick_answers=Yes%0D%0ANo"} << QStringList{};
        QTest::addRow("config keeps a literal percent and equals sign")
            << "set config sms_quick_phrases=50%off=today%20only" << "get config"
            << QStringList{"sms_quick_phrases=50%25off%3Dtoday%20only"} << QStringList{};
        QTest::addRow("config refuses a period that is not a number")
            << "set config tracking_period=abc" << "get config" << QStringList{"tracking_period=300"} << QStringList{"tracking_period=abc"};
        QTest::addRow("places replaced, blanks as \\s")
            << R"(set places place0={"name":"My\\sHome","ssid":["HomeNet","My\\sNet"]})" << "get places"
            << QStringList{R"(place0={"name":"My Home","ssid":[HomeNet,My Net]})"} << QStringList{"place1="};
        QTest::addRow("a name a bare list cannot hold comes quoted")
            << "set places place0={\"name\":\"Dacha\",\"ssid\":[\"Net,\\\\s2nd\\\\s[floor]\",\"Caf\u00e9\\\\s\\\"Zo\u00eb\\\"\",\"Home\"]}"
            << "get places" << QStringList{"place0={\"name\":\"Dacha\",\"ssid\":[\"Net, 2nd [floor]\",\"Caf\u00e9 \\\"Zo\u00eb\\\"\",Home]}"}
            << QStringList{"place1="};
        QTest::addRow("add places: a network with a blank")
            << "add places place0={\"name\":\"Dacha\",\"wifi\":[{\"ssid\":\"My%20Net\",\"bssid\":\"aa:aa:aa:aa:aa:03\"}]}"
            << "get places" << QStringList{"place1={\"name\":\"Dacha\",\"ssid\":[My Net]}"} << QStringList{"My%20Net"};
        QTest::addRow("places all deleted")
            << "set places" << "get places" << QStringList{R"(vifi0={"ssid":"Cafe","bssid":"10:fe:ed:00:00:01","std":4})"}
            << QStringList{"place0="};
        QTest::addRow("place added from access points")
            << R"(add places place0={"name":"Big%20Office","wifi":[{"ssid":"Work","bssid":"aa:aa:aa:aa:aa:01"},{"ssid":"Work","bssid":"aa:aa:aa:aa:aa:02"}]})"
            << "get places"
            << QStringList{R"(place0={"name":"Home","ssid":[HomeNet]})", R"(place1={"name":"Big Office","ssid":[Work]})",
                           R"(wifi1={"ssid":"Work","bssid":"aa:aa:aa:aa:aa:01","std":0})",
                           R"(wifi2={"ssid":"Work","bssid":"aa:aa:aa:aa:aa:02","std":0})"}
            << QStringList{};
        QTest::newRow("filters replaced, blanks as %20")
            << R"(set filters filter0={"note":"No%20ads","conditions":[{"type":1,"arg":"18"}],"actions":[{"type":1,"arg":1}]} filter1={"note":"a\/b","conditions":[],"actions":[]})"
            << "get filters"
            << QStringList{R"(filter0={"note":"No ads","conditions":[{"type":1,"arg":"18"}],"actions":[{"type":1,"arg":1}]})",
                           R"(filter1={"note":"a/b","conditions":[],"actions":[]})"}
            << QStringList{"Ads"};
        QTest::addRow("a bad filter leaves every filter as it was")
            << R"(set filters filter0={"note":"x","conditions":[],"actions":[]} filter1={"note":"y","conditions":[{"type":"0"}],"actions":[]})"
            << "get filters" << QStringList{R"(filter0={"note":"Ads","conditions":[{"type":0,"arg":""}],"actions":[{"type":0,"arg":0}]})"}
            << QStringList{"filter1="};
    }

    void setThenGet()
    {
        QFETCH(QString, set);
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, absent);
        SimDevice d = device();
        d.execute(set);
        const QStringList got = lines(d.execute(query));
        for (const QString &e : expected)
            QVERIFY2(got.contains(e), qPrintable(e + QStringLiteral("\n-- got --\n") + got.join(QLatin1Char('\n'))));
        for (const QString &a : absent)
            for (const QString &g : got)
                QVERIFY2(!g.contains(a), qPrintable(g));
    }

    void refusedSetsSayWhy()
    {
        SimDevice d = device();
        QVERIFY(d.execute(QStringLiteral("set filters filter0={broken")).body.startsWith("ERROR"));
        QVERIFY(d.execute(QStringLiteral(R"(set places place0={"name":"Empty","ssid":[]})")).body.startsWith("ERROR"));
        QCOMPARE(d.places().size(), 1);
        QVERIFY(d.execute(QStringLiteral("set config nosuchkey=1")).body.contains("refused: nosuchkey=1"));
    }

    void stateSurvivesJson()
    {
        SimDevice d = device();
        d.execute(QStringLiteral("set config tracking_period=120"));
        d.execute(QStringLiteral(R"(add places place0={"name":"Gym","wifi":[{"ssid":"GymNet","bssid":"01:02:03:04:05:06"}]})"));
        SimDevice back = SimDevice::fromJson(d.toJson());
        QCOMPARE(back.execute(QStringLiteral("get config")).body, d.execute(QStringLiteral("get config")).body);
        QCOMPARE(back.execute(QStringLiteral("get places")).body, d.execute(QStringLiteral("get places")).body);
        QCOMPARE(back.execute(QStringLiteral("get filters")).body, d.execute(QStringLiteral("get filters")).body);
    }
};

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_SimDevice.moc"
