#include "ZoneEditForm.h"
#include "TestPaths.h"
#include "ZtFlash.h"
#include "common.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

// The editor on its own: a zone on the stack and a callback that records
// the commands and answers "save" as told.
class tst_ZoneEditForm : public QObject
{
    Q_OBJECT

    struct TCmd
    {
        QString action;
        QStringList args;
    };

    struct Fixture
    {
        TZoneInfo zone{7, TZoneInfo::Circle};
        QList<TCmd> cmds;
        int saveResult = 7;
        QPointer<TZoneEditForm> ed = new TZoneEditForm;

        explicit Fixture(bool edit = true, int type = TZoneInfo::Circle)
        {
            zone.type_id = type;
            zone.name = QStringLiteral("Home");
            zone.color = 0x0000FF;
            zone.geom.center = TGeoPoint{56.2757, 57.9986};
            zone.geom.radius = 100;
            if (type == TZoneInfo::Poligon)
                zone.geom.nodes = {TGeoPoint{56.27, 58.0}, TGeoPoint{56.28, 58.0}, TGeoPoint{56.28, 57.99},
                                   TGeoPoint{56.27, 57.99}};
            zone.UpdateRect();
            zone.visible = true;
            zone.edited = edit;
            ed->SetCmdCallback([this](QObject *, const QString &a, const QString &subj, const QStringList &args) {
                cmds << TCmd{a, args};
                return subj == u"zone" && a == u"save" ? saveResult : -1;
            });
            ed->ShowZone(&zone);
        }
        ~Fixture() { delete ed.data(); }
        QStringList updates() const
        {
            QStringList out;
            for (const TCmd &c : cmds)
                if (c.action == u"update")
                    out << c.args.join(QLatin1Char('='));
            return out;
        }
    };

private Q_SLOTS:
    void initTestCase()
    {
        Translation.LoadDefaults(TestPaths::sourceDir() + QStringLiteral("/translations/defaults.txt"));
    }

    void typedNameIsOneUpdate()
    {
        Fixture f;
        f.ed->EdName->clear();
        QTest::keyClicks(f.ed->EdName, QStringLiteral("Garage"));
        QCOMPARE(f.zone.name, QStringLiteral("Garage"));
        QVERIFY(f.updates().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(f.updates(), QStringList{QStringLiteral("name=Garage")}, 3000);
        QTest::qWait(1200);
        QCOMPARE(f.updates().size(), 1);
    }

    void radius_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("radius");
        QTest::addColumn<QString>("sent");
        QTest::addRow("4.99 ignored") << "4.99" << 100.0 << "";
        QTest::addRow("5 accepted") << "5" << 5.0 << "radius=5.00";
        QTest::addRow("123.456 rounded") << "123.456" << 123.46 << "radius=123.46";
        QTest::addRow("comma decimal") << "50,5" << 50.5 << "radius=50.50";
        QTest::addRow("not a number") << "x5" << 100.0 << "";
    }
    void radius()
    {
        QFETCH(QString, typed);
        QFETCH(double, radius);
        QFETCH(QString, sent);
        Fixture f;
        f.ed->EdRadius->clear();
        QTest::keyClicks(f.ed->EdRadius, typed);
        QCOMPARE(f.zone.geom.radius, radius);
        f.ed->FlushUpdates();
        QCOMPARE(f.updates(), sent.isEmpty() ? QStringList() : QStringList{sent});
        // The field keeps what the user typed while he types.
        QCOMPARE(f.ed->EdRadius->text(), typed);
    }

    void center_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("moved");
        QTest::addColumn<bool>("flashes");
        QTest::addRow("moved") << "58.0100,56.3000" << true << false;
        QTest::addRow("less than 0.0001 away") << "57.99865,56.27575" << false << false;
        QTest::addRow("latitude beyond 90") << "91.5,56.3" << false << true;
        QTest::addRow("longitude beyond -180") << "58.0,-180.5" << false << true;
        QTest::addRow("one number only") << "58.0" << false << false;
    }
    void center()
    {
        QFETCH(QString, typed);
        QFETCH(bool, moved);
        QFETCH(bool, flashes);
        Fixture f;
        const TGeoPoint before = f.zone.geom.center;
        // Pasted whole: typed letter by letter it would pass other valid centres.
        f.ed->EdCenter->selectAll();
        f.ed->EdCenter->insert(typed);
        QCOMPARE(f.zone.geom.center.Lat != before.Lat, moved);
        QCOMPARE(IsFlashing(f.ed->EdCenter), flashes);
        f.ed->FlushUpdates();
        QCOMPARE(f.updates().size(), moved ? 1 : 0);
        if (moved)
            QCOMPARE(f.ed->EdCenterInfo->text(), QStringLiteral("58.0100,56.3000"));
    }

    void nodeKeys_data()
    {
        QTest::addColumn<int>("nodes");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("sent");
        QTest::addRow("delete of 4 nodes") << 4 << 2 << int(Qt::Key_Delete) << 3 << "node=del 2";
        QTest::addRow("delete of 3 nodes refused") << 3 << 1 << int(Qt::Key_Delete) << 3 << "";
        QTest::addRow("insert before the first") << 4 << 0 << int(Qt::Key_Insert) << 5 << "node=ins 0";
    }
    void nodeKeys()
    {
        QFETCH(int, nodes);
        QFETCH(int, row);
        QFETCH(int, key);
        QFETCH(int, after);
        QFETCH(QString, sent);
        Fixture f(true, TZoneInfo::Poligon);
        while (f.zone.geom.nodes.size() > nodes)
            f.zone.geom.nodes.removeLast();
        f.zone.UpdateRect();
        f.ed->UpdateZone();
        const TGeoPoint first = f.zone.geom.nodes.first(), last = f.zone.geom.nodes.last();
        f.ed->NodesList->setCurrentRow(row);
        QTest::keyClick(f.ed->NodesList, Qt::Key(key));
        QCOMPARE(f.zone.geom.nodes.size(), after);
        QCOMPARE(f.ed->NodesList->count(), after);
        f.ed->FlushUpdates();
        QCOMPARE(f.updates(), sent.isEmpty() ? QStringList() : QStringList{sent});
        if (key == Qt::Key_Insert) {
            // The middle of the last and the first node, at index 0.
            QCOMPARE(f.zone.geom.nodes[0].Lat, (first.Lat + last.Lat) / 2);
            QCOMPARE(f.zone.geom.nodes[0].Long, (first.Long + last.Long) / 2);
            QCOMPARE(f.ed->NodesList->currentRow(), 0);
        }
    }

    void circleToPolygon()
    {
        Fixture f;
        f.ed->CbType->setCurrentIndex(1);
        Q_EMIT f.ed->CbType->activated(1);
        QCOMPARE(f.zone.type_id, int(TZoneInfo::Poligon));
        QCOMPARE(f.zone.geom.nodes.size(), 4);
        QCOMPARE(f.ed->PcType->currentIndex(), 1);
        QCOMPARE(f.ed->NodesList->count(), 4);
        const TGeoPoint c{56.2757, 57.9986};
        // North, east, south, west at 100 m.
        QVERIFY(f.zone.geom.nodes[0].Lat > c.Lat && qAbs(f.zone.geom.nodes[0].Long - c.Long) < 1e-6);
        QVERIFY(f.zone.geom.nodes[1].Long > c.Long);
        QVERIFY(f.zone.geom.nodes[2].Lat < c.Lat);
        QVERIFY(f.zone.geom.nodes[3].Long < c.Long);
    }

    void units_data()
    {
        QTest::addColumn<double>("radius");
        QTest::addColumn<QString>("perimeterCaption");
        QTest::addColumn<QString>("perimeter");
        QTest::addRow("1000 m perimeter") << 1000 / (2 * M_PI) << "Perimeter, m" << "1000.00";
        QTest::addRow("1500 m perimeter") << 1500 / (2 * M_PI) << "Perimeter, km" << "1.50";
    }
    void units()
    {
        QFETCH(double, radius);
        QFETCH(QString, perimeterCaption);
        QFETCH(QString, perimeter);
        Fixture f;
        f.zone.geom.radius = radius;
        f.zone.UpdateRect();
        f.ed->UpdateZone();
        QCOMPARE(f.ed->LblPerimeter->text(), perimeterCaption);
        QCOMPARE(f.ed->EdPerimeter->text(), perimeter);
    }

    void viewModeIsReadOnly()
    {
        Fixture f(false);
        QVERIFY(!f.ed->EdName->isEnabled());
        QVERIFY(!f.ed->ButSave->isEnabled());
        QCOMPARE(f.ed->windowTitle(), QStringLiteral("Zone 7"));
        // Closing a view leaves the zone as it was and sends nothing.
        f.ed->close();
        QVERIFY(f.cmds.isEmpty());
        QVERIFY(!f.zone.edited);
    }

    // How the editor ends: Cancel and the frame restore, Save closes when the
    // service accepted and stays open, still editing, when it refused.
    void ending_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("saveResult");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("restored");
        QTest::addRow("Cancel") << "cancel" << 7 << "cancel" << false << true;
        QTest::addRow("frame") << "frame" << 7 << "cancel" << false << true;
        QTest::addRow("Save accepted") << "save" << 7 << "save" << false << false;
        QTest::addRow("Save refused") << "save" << -1 << "save" << true << false;
    }
    void ending()
    {
        QFETCH(QString, how);
        QFETCH(int, saveResult);
        QFETCH(QString, sent);
        QFETCH(bool, open);
        QFETCH(bool, restored);
        Fixture f;
        f.saveResult = saveResult;
        f.ed->EdName->clear();
        QTest::keyClicks(f.ed->EdName, QStringLiteral("Moved"));
        f.zone.geom.center.Lat += 0.01; // as a drag on the map would
        f.zone.UpdateRect();
        if (how == u"cancel")
            QTest::mouseClick(f.ed->ButCancel, Qt::LeftButton);
        else if (how == u"frame")
            f.ed->close();
        else
            QTest::mouseClick(f.ed->ButSave, Qt::LeftButton);
        QStringList actions;
        for (const auto &c : f.cmds)
            actions << c.action;
        QVERIFY(actions.contains(sent));
        QCOMPARE(bool(f.ed) && f.ed->isVisible(), open);
        QCOMPARE(f.zone.name, restored ? QStringLiteral("Home") : QStringLiteral("Moved"));
        QCOMPARE(f.zone.geom.center.Lat, restored ? 57.9986 : 58.0086);
        QCOMPARE(f.zone.edited, open);
        if (open) {
            QVERIFY(f.ed->EdName->isEnabled());
            QVERIFY(f.ed->ButSave->isEnabled());
        }
    }
};

QTEST_MAIN(tst_ZoneEditForm)
#include "tst_ZoneEditForm.moc"
