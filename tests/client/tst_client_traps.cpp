#include "ClientFixture.h"
#include "ListAnswerRows.h"
#include "OSM.TrapInfo.h"

#include <QTest>

static QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

class TstClientTraps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trapList_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("result");
        QTest::addRow("traps, uid 0 skipped")
            << 200
            << j("[{'uid':1,'obj_id':7,'target_type_id':1,'target_id':9,'condition_id':1,'val':'','is_alarm':true,"
                 "'accept_type_id':1,'msg':'in {{zone}}','subj':'Zone','email':'true','telegram':false},{'uid':0}]")
            << 1;
        QTest::addRow("null is empty") << 200 << QByteArray("null") << 0;
        QTest::addRow("refused") << 500 << QByteArray() << -1;
        // A broken answer is a failure, named once, not an empty list.
        QTest::addRow("malformed") << 200 << QByteArray("[{\"uid\":1,") << -1;
    }
    void trapList()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(int, result);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/user/zones", 200, j("[{'uid':9,'type_id':1,'name':'Home'}]"));
        QCOMPARE(f.client->GetZones(), 1);
        f.srv.answer("/api/v1/user/traps", status, answer);
        QCOMPARE(f.client->GetTraps(), result);
        QCOMPARE(int(f.client->TrapList().size()), qMax(result, 0));
        if (status == 200 && result < 0)
            QCOMPARE(f.log.count(QLatin1String("  X: ")), 1);
        if (result == 1) {
            const TTrapInfo &t = *f.client->TrapList()[0];
            QCOMPARE(t.obj_id, 7);
            QCOMPARE(t.target_type_id, 1u);
            QCOMPARE(t.target_id, 9);
            QVERIFY(t.is_alarm && t.email && !t.telegram);
            QCOMPARE(t.accept_type_id, 1);
            QCOMPARE(t.msg, QStringLiteral("in {{zone}}"));
            QCOMPARE(t.TrapName(), QStringLiteral("Zone:Home"));
            QCOMPARE(t.fObjInfo, nullptr); // object 7 is not listed
            QCOMPARE(f.client->FindTrap(1), &t);
            QVERIFY(f.log.contains(" [1]"));
        }
    }

    // The trap list starts empty; a broken answer fails and is named once.
    void trapListAnswers_data() { addListAnswerRows("Traps", j("[{'uid':1,'obj_id':7},{'uid':2,'obj_id':7}]")); }
    void trapListAnswers()
    {
        QFETCH(ListAnswer, answer);
        QFETCH(int, result);
        ClientFixture f;
        QVERIFY(f.ok());
        answer.serve(f.srv, "/api/v1/user/traps");
        QCOMPARE(f.client->GetTraps(), result);
        QVERIFY(f.client->TrapList().empty());
        QCOMPARE(f.log.count(QLatin1String("  X: ")), result < 0 ? 1 : 0);
    }

    void createUpdateDelete()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        TTrapInfo t(55, 7);
        t.target_type_id = 5;
        t.condition_id = 1;
        t.val = QStringLiteral("90");
        f.srv.answer("POST /api/v1/trap", 200, j("{'uid':12,'obj_id':7,'target_type_id':5,'condition_id':1,'val':'90'}"));
        QCOMPARE(f.client->CreateTrap(t), 12);
        QVERIFY(!f.srv.last().body.startsWith("uid=")); // sent as new
        QCOMPARE(f.client->TrapList().size(), size_t(1));

        f.srv.answer("PUT /api/v1/trap/12", 200, j("{'uid':12,'obj_id':7,'target_type_id':5,'condition_id':2,'val':'5'}"));
        QVERIFY(f.client->UpdateTrap(12, TFieldMap{{"condition_id", "2"}, {"val", "5 km/h"}}));
        QCOMPARE(f.srv.last().body, QByteArray("condition_id=2&val=5%20km%2Fh&"));
        QCOMPARE(f.client->FindTrap(12)->Condition(), QStringLiteral("<5"));

        const int before = f.srv.count();
        QVERIFY(!f.client->UpdateTrap(12, TFieldMap()));
        QCOMPARE(f.srv.count(), before);

        f.srv.answer("DELETE /api/v1/trap/12", 400, j("{'text':'in use'}"));
        QVERIFY(!f.client->DeleteTrap(12));
        QCOMPARE(f.client->TrapList().size(), size_t(1));
        f.srv.answer("DELETE /api/v1/trap/12", 204);
        QVERIFY(f.client->DeleteTrap(12));
        QVERIFY(f.client->TrapList().empty());

        f.srv.answer("POST /api/v1/trap", 400, j("{'text':'bad target'}"));
        QCOMPARE(f.client->CreateTrap(t), -1);
        QVERIFY(f.client->ErrorMessage().startsWith("bad target"));
    }
};

QTEST_GUILESS_MAIN(TstClientTraps)
#include "tst_client_traps.moc"
