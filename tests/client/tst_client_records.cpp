#include "CallLimits.h"
#include "ClientFixture.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackPointInfo.h"
#include "RecordAnswerRows.h"

#include <QDir>
#include <QImage>
#include <QBuffer>
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

    // Each kind of answer has its own size limit: past it the call fails
    // ("answer too large"), keeps what was held and saves no file; at the
    // limit the answer is taken. The limit of one kind does not bind another.
    void answerSizePerKind_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("over"); // the answer's size minus the call's limit
        QTest::addColumn<bool>("ok");
        for (const char *call : {"GetTrack", "GetCommandResponse", "GetPhoto", "GetObject"}) {
            QTest::addRow("%s, one byte over", call) << call << 1 << false;
            QTest::addRow("%s, at the limit", call) << call << 0 << true;
        }
    }
    void answerSizePerKind()
    {
        QFETCH(QString, call);
        QFETCH(int, over);
        QFETCH(bool, ok);
        ClientFixture f;
        QVERIFY(f.ok());
        TVelmoraClient &c = *f.client;
        const QString photos = f.dir.path() + QStringLiteral("/PhotoCache/");
        c.SetPhotoDir(photos);
        // A picture, a track, a device answer and an object, each of its own size.
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(Qt::green);
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        const QByteArray track = R"([{"uid":1,"lat":55.5,"lon":37.5},{"uid":2,"lat":55.6,"lon":37.6}])";
        const QByteArray device = QByteArray(3000, 'd');
        const QByteArray object = R"({"uid":4,"id":"four","name":"Fetched"})";
        f.srv.answer("/api/v1/object/4/track", 200, track);
        f.srv.answer("/api/v1/cmdlog/33/response", 200, device, "text/plain");
        f.srv.answer("/api/v1/object/4/img", 200, png, "image/png");
        f.srv.answer("/api/v1/object/4", 200, object);
        TAnswerLimits limits; // each kind's limit is its own answer's size less "over"
        const qint64 big = 1 << 20;
        limits.apiBytes = call == QLatin1String("GetTrack") ? track.size() - over
                        : call == QLatin1String("GetObject") ? object.size() - over : big;
        limits.deviceAnswerBytes = call == QLatin1String("GetCommandResponse") ? device.size() - over : big;
        limits.photoBytes = call == QLatin1String("GetPhoto") ? png.size() - over : big;
        SetCallLimits(c, limits);

        c.ObjList().push_back(std::make_unique<TObjectInfo>(4, QStringLiteral("four")));
        TObjectInfo *held = c.FindObject(4);
        held->name = QStringLiteral("Held");
        held->has_image = true;
        bool result = false;
        if (call == QLatin1String("GetTrack")) {
            const int n = c.GetTrack(4, 0, 1);
            result = n == 2;
            QVERIFY2(n == (ok ? 2 : -1), qPrintable(f.log));
        } else if (call == QLatin1String("GetCommandResponse")) {
            result = c.GetCommandResponse(33);
            QCOMPARE(QFile::exists(c.ResponseDir() + QStringLiteral("33.txt")), ok);
        } else if (call == QLatin1String("GetPhoto")) {
            result = c.GetPhoto(held);
            QCOMPARE(!held->photo.isNull(), ok);
            QCOMPARE(QDir(photos).entryList(QDir::Files).size(), ok ? 1 : 0);
        } else {
            result = c.GetObject(held);
            QVERIFY2(held->name == (ok ? QStringLiteral("Fetched") : QStringLiteral("Held")), qPrintable(f.log));
        }
        QCOMPARE(result, ok);
        QCOMPARE(f.log.contains(QLatin1String("  X: answer too large")), !ok);
        QVERIFY2(f.log.count(QLatin1String("  X: ")) == (ok ? 0 : 1), qPrintable(f.log));
    }
};

QTEST_GUILESS_MAIN(TstClientRecords)
#include "tst_client_records.moc"
