#include "ClientFixture.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackPointInfo.h"
#include "RecordAnswerRows.h"

#include <QDir>
#include <QTest>

// Every call that reads one record: a broken answer fails, is named once
// and leaves the record as it was; the record itself is read.
class TstClientRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void brokenAnswerKeepsTheRecord_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<ListAnswer>("answer");
        QTest::addColumn<bool>("ok");
        const QByteArray user = R"({"uid":7,"login":"alice","name":"Alice","email":"a@x.org"})";
        const QByteArray object = R"({"uid":4,"id":"four","name":"Fetched","lat":55.5,"lon":37.5})";
        addRecordAnswerRows(QStringLiteral("GetUser"), user);
        addRecordAnswerRows(QStringLiteral("UpdateUser"), user);
        addRecordAnswerRows(QStringLiteral("GetObject"), object);
        addRecordAnswerRows(QStringLiteral("CreateObject"), object);
        // Whole answers that still are not this object.
        QTest::addRow("GetObject: another object") << "GetObject" << ListAnswer{R"({"uid":5,"name":"Other"})"} << false;
        QTest::addRow("GetObject: sensors not a list")
            << "GetObject" << ListAnswer{R"({"uid":4,"name":"Fetched","lat":55.5,"lon":37.5,"sensors":{}})"} << false;
        QTest::addRow("GetObject: alarms not a list")
            << "GetObject" << ListAnswer{R"({"uid":4,"name":"Fetched","lat":55.5,"lon":37.5,"alarms":7})"} << false;
        QTest::addRow("CreateObject: sensors not a list")
            << "CreateObject" << ListAnswer{R"({"uid":4,"name":"Fetched","sensors":"x"})"} << false;
    }
    void brokenAnswerKeepsTheRecord()
    {
        QFETCH(QString, call);
        QFETCH(ListAnswer, answer);
        QFETCH(bool, ok);
        ClientFixture f;
        QVERIFY(f.ok());
        TVelmoraClient &c = *f.client;
        TUserInfo &user = c.UserInfo();
        user.Uid = 3;
        user.Login = QStringLiteral("bob");
        user.Name = QStringLiteral("Bob");
        c.ObjList().push_back(std::make_unique<TObjectInfo>(4, QStringLiteral("four")));
        TObjectInfo *held = c.FindObject(4);
        held->name = QStringLiteral("Held");
        held->last_point->lat = 10;
        held->last_point->lon = 20;

        if (call == QLatin1String("GetUser") || call == QLatin1String("UpdateUser")) {
            answer.serve(f.srv, QStringLiteral("/api/v1/user"));
            const bool result = call == QLatin1String("GetUser") ? c.GetUser() : c.UpdateUser({{QStringLiteral("name"), QStringLiteral("Alice")}});
            QCOMPARE(result, ok);
            QCOMPARE(user.Name, ok ? QStringLiteral("Alice") : QStringLiteral("Bob"));
            QCOMPARE(user.Login, ok ? QStringLiteral("alice") : QStringLiteral("bob"));
            QCOMPARE(user.Uid, ok ? 7 : 3);
        } else if (call == QLatin1String("GetObject")) {
            answer.serve(f.srv, QStringLiteral("/api/v1/object/4"));
            QCOMPARE(c.GetObject(held), ok);
            QCOMPARE(held->uid, 4);
            QCOMPARE(held->name, ok ? QStringLiteral("Fetched") : QStringLiteral("Held"));
            QCOMPARE(held->last_point->lat, ok ? 55.5 : 10.0);
            QCOMPARE(held->last_point->lon, ok ? 37.5 : 20.0);
        } else {
            answer.serve(f.srv, QStringLiteral("/api/v1/object"));
            QCOMPARE(c.CreateObject({{QStringLiteral("id"), QStringLiteral("four")}}), ok ? 4 : -1);
            QCOMPARE(int(c.ObjList().size()), ok ? 2 : 1);
            QCOMPARE(c.ObjList().front()->name, QStringLiteral("Held"));
        }
        QVERIFY2(f.log.count(QLatin1String("  X: ")) == (ok ? 0 : 1), qPrintable(f.log));
        QVERIFY2(!f.log.contains(QLatin1String("  x: ")), qPrintable(f.log));
    }
};

QTEST_GUILESS_MAIN(TstClientRecords)
#include "tst_client_records.moc"
