#include "ObjEditForm.h"
#include "ClientFixture.h"
#include "OSM.ObjectInfo.h"
#include "ZtFlash.h"
#include "ZtLed.h"
#include "TestPaths.h"
#include "common.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrlQuery>
#include <QtTest>

// The object editor against a recording server: what it sends, and what the
// object holds afterwards.
class tst_ObjEditForm : public QObject
{
    Q_OBJECT

    static void fill(TObjectInfo &o, int uid)
    {
        o.uid = uid;
        o.id = QStringLiteral("862001");
        o.name = QStringLiteral("Van");
        o.track_color = 0x00FF00;
        o.users_list = QStringLiteral("ann");
    }

    static QMap<QString, QString> sent(const RecordedRequest &r)
    {
        QMap<QString, QString> out;
        for (const auto &[k, v] : QUrlQuery(QString::fromUtf8(r.body)).queryItems(QUrl::FullyDecoded))
            out.insert(k, v);
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Translation.LoadDefaults(TestPaths::sourceDir() + QStringLiteral("/translations/defaults.txt"));
    }

    void sendsOnlyChangedFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addRow("name, blanks trimmed") << "EdName" << "  Truck 2 " << "name" << "Truck 2";
        QTest::addRow("friends") << "EdFriends" << "ann,bob" << "users_list" << "ann,bob";
        QTest::addRow("colour red") << "color" << "" << "track_color" << "#FF0000";
    }
    void sendsOnlyChangedFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, key);
        QFETCH(QString, value);
        ClientFixture f;
        QVERIFY(f.ok());
        TObjectInfo o;
        fill(o, 7);
        TObjEditForm ed;
        ed.Open(f.client.get(), &o);
        QVERIFY(!ed.ButSave->isEnabled());
        QCOMPARE(ed.EdId->isReadOnly(), true);
        if (field == u"color") {
            ed.SetTrackColor(0x0000FF); // red is the low byte
        } else {
            auto *e = ed.findChild<QLineEdit *>(field);
            e->clear();
            QTest::keyClicks(e, typed);
        }
        QVERIFY(ed.ButSave->isEnabled());
        QTest::mouseClick(ed.ButSave, Qt::LeftButton);
        QCOMPARE(ed.result(), int(QDialog::Accepted));
        QCOMPARE(f.srv.last().method, QStringLiteral("PUT"));
        QCOMPARE(f.srv.last().path, QStringLiteral("/api/v1/object/7"));
        QCOMPARE(sent(f.srv.last()), (QMap<QString, QString>{{key, value}}));
        // The object took the change, and only it.
        QCOMPARE(o.name, key == u"name" ? value : QStringLiteral("Van"));
        QCOMPARE(o.users_list, key == u"users_list" ? value : QStringLiteral("ann"));
        QCOMPARE(o.track_color, key == u"track_color" ? TColor(0x0000FF) : TColor(0x00FF00));
        QCOMPARE(o.id, QStringLiteral("862001"));
    }

    void refusedSaveStaysOpen()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("PUT /api/v1/object/7", 400, R"({"error":"name taken"})");
        TObjectInfo o;
        fill(o, 7);
        TObjEditForm ed;
        ed.Open(f.client.get(), &o);
        ed.show();
        ed.EdName->clear();
        QTest::keyClicks(ed.EdName, QStringLiteral("Taken"));
        QTest::mouseClick(ed.ButSave, Qt::LeftButton);
        QVERIFY(ed.isVisible());
        QVERIFY(ed.LblStatus->text().startsWith(QStringLiteral("Cannot save the object")));
        QVERIFY(ed.LblStatus->styleSheet().contains(QStringLiteral("red")));
        QCOMPARE(o.name, QStringLiteral("Van"));
        QVERIFY(ed.LedName->Lit());
    }

    void newObjectNeedsId()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        TObjectInfo o;
        TObjEditForm ed;
        ed.Open(f.client.get(), &o);
        ed.show();
        QVERIFY(!ed.EdId->isReadOnly());
        QTest::keyClicks(ed.EdName, QStringLiteral("Bike"));
        QTest::mouseClick(ed.ButSave, Qt::LeftButton);
        QVERIFY(IsFlashing(ed.EdId));
        QCOMPARE(f.srv.count(), 0);
        f.srv.answer("POST /api/v1/object", 200, R"({"uid":42,"id":"b1","name":"Bike"})");
        QTest::keyClicks(ed.EdId, QStringLiteral("b1"));
        QTest::mouseClick(ed.ButSave, Qt::LeftButton);
        QCOMPARE(ed.result(), int(QDialog::Accepted));
        QCOMPARE(o.uid, 42);
        QCOMPARE(sent(f.srv.last()), (QMap<QString, QString>{{"id", "b1"}, {"name", "Bike"}}));
    }

    void cancelKeepsWhatArrivedMeanwhile()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        TObjectInfo o;
        fill(o, 7);
        TObjEditForm ed;
        ed.Open(f.client.get(), &o);
        ed.EdName->clear();
        QTest::keyClicks(ed.EdName, QStringLiteral("Not kept"));
        ed.SetTrackColor(0x123456);
        // The minute's update renames the object and brings a new firmware version.
        o.name = QStringLiteral("Renamed elsewhere");
        o.sw_ver = QStringLiteral("2.1");
        QTest::mouseClick(ed.ButCancel, Qt::LeftButton);
        QCOMPARE(ed.result(), int(QDialog::Rejected));
        QCOMPARE(o.name, QStringLiteral("Renamed elsewhere"));
        QCOMPARE(o.sw_ver, QStringLiteral("2.1"));
        QCOMPARE(o.track_color, TColor(0x00FF00));
        QCOMPARE(f.srv.count(), 0);
    }

    void sharedObjectsFriendsAreNotOurs()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        TObjectInfo o;
        fill(o, 7);
        o.is_alien = true;
        TObjEditForm ed;
        ed.Open(f.client.get(), &o);
        QVERIFY(!ed.EdFriends->isEnabled());
        QVERIFY(ed.EdName->isEnabled());
    }
};

QTEST_MAIN(tst_ObjEditForm)
#include "tst_ObjEditForm.moc"
