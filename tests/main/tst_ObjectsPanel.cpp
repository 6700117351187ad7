// The objects panel against velmora-sim: the load and the minute update with
// what they report to the window, ticking objects onto a real map, deleting
// in two steps, and the buttons that other areas wire in.
#include "MonitorMap.h"
#include "OSM.ObjectInfo.h"
#include "ObjEditForm.h"
#include "ObjInfoForm.h"
#include "ObjListModel.h"
#include "ObjectsPanel.h"
#include "PanelTestSupport.h"
#include "ZtMsgBox.h"

#include <httplib.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSplitter>
#include <QToolBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The test context with a real map layer, as the window has one.
class TMapPanelContext : public TTestPanelContext
{
public:
    TMapPanelContext(const QString &Server, const QString &Token, const QString &CacheDir) : TTestPanelContext(Server, Token)
    {
        fMapPanel.setLayout(new QVBoxLayout);
        fMapPanel.layout()->setContentsMargins(0, 0, 0, 0);
        fMap = std::make_unique<TMonitorMap>(&fMapPanel, 0, CacheDir);
        fMapPanel.resize(400, 300);
    }
    TMonitorMap *Map() const override { return fMap.get(); }

private:
    QWidget fMapPanel;
    std::unique_ptr<TMonitorMap> fMap;
};

} // namespace

class tst_ObjectsPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        // No tile leaves the machine.
        Config.SetVal("tile_url", "http://127.0.0.1:9/{z}/{x}/{y}.png");
        QVERIFY2(fSim.start({QStringLiteral("--speed"), QStringLiteral("600")}), "velmora-sim did not start");
    }

    // Each test starts with no ticks remembered.
    void init() { IniFile.WriteString(QStringLiteral("Objects"), QStringLiteral("Ticked"), QString()); }

    // Ticks belong to objects, not rows: a reload (after creating or deleting
    // an object, or signing in again) keeps them and their markers, and so
    // does the next run, from the settings file.
    void ticksStay_data()
    {
        QTest::addColumn<bool>("nextRun");
        QTest::addRow("reload") << false;
        QTest::addRow("next run") << true;
    }
    void ticksStay()
    {
        QFETCH(bool, nextRun);
        auto ctx = std::make_unique<TMapPanelContext>(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("tiles")));
        QSplitter parent;
        auto panel = std::make_unique<TObjectsPanel>(*ctx, &parent, nullptr);
        QVERIFY(panel->LoadObjects(0) >= 3);
        TObjListModel *m = panel->Model();
        QSet<int> ticked;
        for (int row : {1, 2}) {
            QVERIFY(m->setData(m->index(row, 0), Qt::Checked, Qt::CheckStateRole));
            ticked.insert(m->Object(m->index(row, 0))->uid);
        }
        QCOMPARE(ctx->Map()->MarkCount(), 2);
        if (nextRun) {
            panel.reset();
            ctx = std::make_unique<TMapPanelContext>(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("tiles")));
            panel = std::make_unique<TObjectsPanel>(*ctx, &parent, nullptr);
            m = panel->Model();
            QCOMPARE(m->rowCount(), 0);
        }
        const QPointF centre = ctx->Map()->Center();
        QVERIFY(panel->LoadObjects(0) >= 3);
        QSet<int> after;
        for (int row = 0; row < m->rowCount(); ++row)
            if (m->data(m->index(row, 0), Qt::CheckStateRole).toInt() == Qt::Checked)
                after.insert(m->Object(m->index(row, 0))->uid);
        QCOMPARE(after, ticked);
        QCOMPARE(ctx->Map()->MarkCount(), 2);
        for (int i = 0; i < 2; ++i)
            QVERIFY(ticked.contains((*ctx->Map()->MarkCell(i))->uid));
        // Restoring the ticks does not move the map.
        QCOMPARE(ctx->Map()->Center(), centre);
    }

    // "Tick all" and "Untick all" of the object menu: every object with its
    // marker, remembered like single ticks.
    void tickAllUntickAll()
    {
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("tiles")));
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        QVERIFY(panel.LoadObjects(0) >= 3);
        TObjListModel *m = panel.Model();
        // Every object row with a check box, children of groups included.
        QModelIndexList all, rows;
        for (int i = 0; i < m->rowCount(); ++i) {
            const QModelIndex top = m->index(i, 0);
            all << top;
            for (int k = 0; k < m->rowCount(top); ++k)
                all << m->index(k, 0, top);
        }
        for (const QModelIndex &r : all)
            if (m->Object(r) && (m->flags(r) & Qt::ItemIsUserCheckable))
                rows << r;
        int positioned = 0;
        for (const QModelIndex &r : rows)
            positioned += m->Object(r)->last_point && m->Object(r)->HasLatLon();
        QVERIFY(positioned > 0);
        panel.PopupMenu->findChild<QAction *>(QStringLiteral("PopupTickAll"))->trigger();
        for (const QModelIndex &r : rows)
            QVERIFY(m->IsChecked(r));
        QCOMPARE(ctx.Map()->MarkCount(), positioned);
        QCOMPARE(panel.TickedUids().size(), qsizetype(rows.size()));
        QCOMPARE(IniFile.ReadString(QStringLiteral("Objects"), QStringLiteral("Ticked")).split(u',').size(), rows.size());
        panel.PopupMenu->findChild<QAction *>(QStringLiteral("PopupUntickAll"))->trigger();
        for (const QModelIndex &r : rows)
            QVERIFY(!m->IsChecked(r));
        QCOMPARE(ctx.Map()->MarkCount(), 0);
        QVERIFY(IniFile.ReadString(QStringLiteral("Objects"), QStringLiteral("Ticked")).isEmpty());
    }

    // A load lists every object, selects the remembered one and starts the
    // sign-in chain; a refused token reports the refusal and lists nothing.
    void loadListsAndReports()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        QSignalSpy loaded(&panel, &TObjectsPanel::ObjectsLoaded);
        QSignalSpy listed(&panel, &TObjectsPanel::Listed);
        QSignalSpy refused(&panel, &TObjectsPanel::LoadRefused);
        bool chained = false;
        connect(&panel, &TObjectsPanel::ObjectsLoaded, this, [&] { chained = panel.LoadingAll(); });
        const int n = panel.LoadObjects(0);
        QVERIFY(n > 1);
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(loaded.at(0).at(0).toInt(), n);
        QCOMPARE(listed.count(), 1);
        QVERIFY(chained);
        QVERIFY(!panel.LoadingAll());
        // Without a remembered uid the first row is selected.
        QCOMPARE(panel.SelectedObjectRow(), panel.Model()->index(0, 0));

        const int uid = panel.Model()->Object(panel.Model()->index(1, 0))->uid;
        IniFile.WriteInteger("Main", "SelectedUid", uid);
        QCOMPARE(panel.LoadObjects(0), n);
        QCOMPARE(panel.SelectedObject()->uid, uid);
        IniFile.WriteInteger("Main", "SelectedUid", 0);

        ctx.Client()->SetToken(QStringLiteral("revoked"));
        QCOMPARE(panel.LoadObjects(0), -1);
        QCOMPARE(refused.count(), 1);
        QCOMPARE(listed.count(), 2);
        QCOMPARE(panel.Model()->rowCount(), 0);
    }

    // The update reports its outcome; the rows stay unless the token was refused.
    void updateOutcome_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addRow("answer") << "";
        QTest::addRow("token refused") << "refused";
        QTest::addRow("service down") << "down";
        QTest::addRow("service failing (503)") << "503";
        QTest::addRow("service failing (500)") << "500";
    }
    void updateOutcome()
    {
        QFETCH(QString, fault);
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--faults-control")}));
        TTestPanelContext ctx(sim.url(), sim.demoToken());
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        const int n = panel.LoadObjects(0);
        QVERIFY(n > 0);
        const TDateTime loadedAt = panel.LastUpdate();
        QVERIFY(!std::isnan(loadedAt));
        QSignalSpy updated(&panel, &TObjectsPanel::Updated);
        QSignalSpy refused(&panel, &TObjectsPanel::UpdateRefused);
        QSignalSpy silent(&panel, &TObjectsPanel::NotAnswering);
        if (fault == QLatin1String("refused"))
            ctx.Client()->SetToken(QStringLiteral("revoked"));
        else if (fault == QLatin1String("down"))
            sim.stop();
        else if (!fault.isEmpty()) {
            httplib::Client cli(sim.url().toStdString());
            const auto res = cli.Put("/sim/faults", ("/api/v1/user/objects:" + fault + "=1").toStdString(), "text/plain");
            QVERIFY(res && res->status < 300);
        }
        // The clock moves past the last stamp, so a stamp made by mistake shows.
        QTRY_VERIFY(std::isnan(loadedAt) || ctx.AccountNow() > loadedAt);
        panel.UpdateObjects();
        const bool failing = fault == QLatin1String("down") || fault.startsWith(u'5');
        QCOMPARE(updated.count(), fault.isEmpty() ? 1 : 0);
        QCOMPARE(refused.count(), fault == QLatin1String("refused") ? 1 : 0);
        QCOMPARE(silent.count(), failing ? 1 : 0);
        QVERIFY(panel.Model()->rowCount() > 0);
        if (!fault.isEmpty())
            QCOMPARE(panel.LastUpdate(), loadedAt);
    }

    // A load (sign-in, or a reload after an edit) reports its outcome like
    // the update: only a refused token drops the rows and sends the user to
    // sign in; without an answer, or with a failing service, the rows and
    // markers stay, no update time is stamped, and the next minute update
    // loads the list afresh once the service answers.
    void loadOutcome_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("first"); // the first load after sign-in
        QTest::addRow("answer") << "" << false;
        QTest::addRow("token refused") << "refused" << false;
        QTest::addRow("service down") << "down" << false;
        QTest::addRow("service failing (503)") << "503" << false;
        QTest::addRow("service failing (500)") << "500" << false;
        QTest::addRow("first load, service failing (503)") << "503" << true;
        QTest::addRow("first load, service down") << "down" << true;
    }
    void loadOutcome()
    {
        QFETCH(QString, fault);
        QFETCH(bool, first);
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--faults-control")}));
        TMapPanelContext ctx(sim.url(), sim.demoToken(), fDir.filePath(QStringLiteral("tiles")));
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        TObjListModel *m = panel.Model();
        int rows = 0;
        TDateTime loadedAt = NoDateTime;
        if (!first) {
            QVERIFY(panel.LoadObjects(0) > 0);
            rows = m->rowCount();
            loadedAt = panel.LastUpdate();
            QVERIFY(!std::isnan(loadedAt));
            QVERIFY(m->setData(m->index(0, 0), Qt::Checked, Qt::CheckStateRole));
            QCOMPARE(ctx.Map()->MarkCount(), 1);
        }
        QSignalSpy loaded(&panel, &TObjectsPanel::ObjectsLoaded);
        QSignalSpy listed(&panel, &TObjectsPanel::Listed);
        QSignalSpy refused(&panel, &TObjectsPanel::LoadRefused);
        QSignalSpy silent(&panel, &TObjectsPanel::NotAnswering);
        const QString port = QString::number(QUrl(sim.url()).port());
        httplib::Client cli(sim.url().toStdString());
        if (fault == QLatin1String("refused"))
            ctx.Client()->SetToken(QStringLiteral("revoked"));
        else if (fault == QLatin1String("down"))
            sim.stop();
        else if (!fault.isEmpty()) {
            const auto res = cli.Put("/sim/faults", ("/api/v1/user/objects:" + fault + "=1").toStdString(), "text/plain");
            QVERIFY(res && res->status < 300);
        }
        // The clock moves past the last stamp, so a stamp made by mistake shows.
        QTRY_VERIFY(std::isnan(loadedAt) || ctx.AccountNow() > loadedAt);
        const int n = panel.LoadObjects(0);
        const bool failing = fault == QLatin1String("down") || fault.startsWith(u'5');
        QCOMPARE(refused.count(), fault == QLatin1String("refused") ? 1 : 0);
        QCOMPARE(silent.count(), failing ? 1 : 0);
        QCOMPARE(loaded.count(), fault.isEmpty() ? 1 : 0);
        if (fault == QLatin1String("refused")) {
            QCOMPARE(n, -1);
            QCOMPARE(m->rowCount(), 0);
            QCOMPARE(ctx.Map()->MarkCount(), 0);
            return;
        }
        // The minute update runs on: it is what notices the service's return.
        QCOMPARE(listed.count(), 1);
        if (fault.isEmpty()) {
            QCOMPARE(n, rows);
            QVERIFY(panel.LastUpdate() >= loadedAt);
            return;
        }
        // What the user had stays as it was.
        QCOMPARE(n, rows);
        QCOMPARE(m->rowCount(), rows);
        QCOMPARE(ctx.Map()->MarkCount(), first ? 0 : 1);
        if (!first)
            QVERIFY(m->IsChecked(m->index(0, 0)));
        QCOMPARE(panel.LastUpdate(), loadedAt); // NaN stays NaN: QCOMPARE takes them as equal

        // The service answers again: the next update lists the objects.
        SimProcess again;
        if (fault == QLatin1String("down")) {
            QVERIFY(again.start({QStringLiteral("--port"), port}));
            ctx.Client()->SetToken(again.demoToken());
        } else {
            const auto res = cli.Put("/sim/faults", "", "text/plain");
            QVERIFY(res && res->status < 300);
        }
        panel.UpdateObjects();
        QCOMPARE(silent.count(), 1);
        QVERIFY(m->rowCount() > 0);
        QVERIFY(!std::isnan(panel.LastUpdate()));
        QCOMPARE(loaded.count(), 1);
    }

    void tickingCreatesMarkerAndUpdateKeepsState()
    {
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("tiles")));
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        QVERIFY(panel.LoadObjects(0) >= 2);
        TObjListModel *m = panel.Model();
        TMonitorMap *map = ctx.Map();
        QCOMPARE(map->MarkCount(), 0);
        QSignalSpy centred(&panel, &TObjectsPanel::MapCentred);

        const QModelIndex second = m->index(1, 0);
        QVERIFY(m->setData(second, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(map->MarkCount(), 1);
        QCOMPARE(centred.count(), 1);
        // Ticking selects the row; the marker reaches the row's object.
        QCOMPARE(panel.SelectedObjectRow(), second);
        TObjectInfo *obj = m->Object(second);
        QCOMPARE(*map->MarkCell(0), obj);
        QCOMPARE(map->MarkCoord(0), QPointF(obj->last_point->lon, obj->last_point->lat));

        const QPointF before = map->MarkCoord(0);
        panel.List->setCurrentIndex(m->index(0, 0));
        // The simulated devices move on ten minutes per second, but an object
        // may stand in a parking for a while: update until its report moves.
        QTRY_VERIFY_WITH_TIMEOUT((panel.UpdateObjects(), obj->last_point->lon != before.x() || obj->last_point->lat != before.y()), 60000);

        QCOMPARE(panel.SelectedObjectRow(), m->index(0, 0));
        QVERIFY(m->IsChecked(second));
        QVERIFY(!m->IsChecked(m->index(0, 0)));
        QCOMPARE(m->Object(second), obj);
        QCOMPARE(map->MarkCount(), 1);
        QCOMPARE(map->MarkCoord(0), QPointF(obj->last_point->lon, obj->last_point->lat));
        QVERIFY2(map->MarkCoord(0) != before, "the marker did not follow its object");

        // A click on the marker selects its row.
        panel.SelectObjectCell(map->MarkCell(0));
        QCOMPARE(panel.SelectedObjectRow(), second);

        // Unticking removes the marker.
        QVERIFY(m->setData(second, Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(map->MarkCount(), 0);
    }

    // A marker follows its object's last point whatever the point's device
    // time: a tracker that uploads its buffered reports late has moved too.
    void markerFollowsLateReports_data()
    {
        QTest::addColumn<double>("ageDays"); // device time against the previous update
        QTest::addRow("newer than the previous update") << -1.0;
        QTest::addRow("reported late") << 1.0;
        QTest::addRow("no device time") << qQNaN();
    }
    void markerFollowsLateReports()
    {
        QFETCH(double, ageDays);
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("tiles")));
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        QVERIFY(panel.LoadObjects(0) >= 1);
        TObjListModel *m = panel.Model();
        QVERIFY(m->setData(m->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        TObjectInfo *obj = m->Object(m->index(0, 0));
        const TDateTime prev = ctx.Client()->ObjListUpdated();
        obj->last_point->lat += 0.01;
        obj->last_point->lon -= 0.02;
        obj->last_point->obj_dt = prev - ageDays;
        panel.MoveMarkers(prev);
        QCOMPARE(ctx.Map()->MarkCoord(0), QPointF(obj->last_point->lon, obj->last_point->lat));
    }

    // "Object info" opens the selected object's information window; "Create
    // object" opens the editor on a new object and, once the service made
    // it, lists the objects again with the new one selected; "Edit object"
    // sends the new name, which the row then shows.
    void objectWindows()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        const int count = panel.LoadObjects(0);
        QVERIFY(count >= 1);
        panel.List->setCurrentIndex(panel.Model()->index(0, 0));
        const QString firstName = panel.SelectedObject()->name;
        panel.ToolBar->findChild<QToolButton *>(QStringLiteral("SbObjectInfo"))->click();
        const auto infos = ctx.DialogParent()->findChildren<TObjInfoForm *>();
        QCOMPARE(infos.size(), 1);
        QVERIFY(infos[0]->isVisible());
        QVERIFY(!infos[0]->InfoList->findItems(firstName, Qt::MatchExactly, 1).isEmpty());

        auto typeAndSave = [](const QString &Id, const QString &Name) {
            return [Id, Name](QWidget *d) {
                auto *f = qobject_cast<TObjEditForm *>(d);
                if (!f)
                    return false;
                if (!Id.isEmpty()) {
                    f->EdId->clear();
                    QTest::keyClicks(f->EdId, Id);
                }
                f->EdName->clear();
                QTest::keyClicks(f->EdName, Name);
                f->ButSave->click();
                return true;
            };
        };
        {
            ModalWatcher create(typeAndSave(QStringLiteral("panel-test-1"), QStringLiteral("Panel test object")));
            panel.CreateObjectClick();
            QVERIFY(create.done());
        }
        QCOMPARE(ctx.Client()->ObjList().size(), size_t(count) + 1);
        QCOMPARE(panel.SelectedObject()->name, QStringLiteral("Panel test object"));
        {
            ModalWatcher edit(typeAndSave(QString(), QStringLiteral("Panel test renamed")));
            panel.SbEditObjectClick();
            QVERIFY(edit.done());
        }
        QCOMPARE(panel.SelectedObject()->name, QStringLiteral("Panel test renamed"));
        QVERIFY(panel.Model()->data(panel.SelectedObjectRow(), Qt::DisplayRole).toString().contains(QStringLiteral("Panel test renamed")));
    }

    void deleteMarksThenRemoves()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        QVERIFY(panel.LoadObjects(0) >= 2);
        TObjListModel *m = panel.Model();
        const int rows = m->rowCount();
        const QModelIndex last = m->index(rows - 1, 0);
        const QString name = m->Object(last)->name;
        const int uid = m->Object(last)->uid;
        QVERIFY(!m->DeletedGroup().isValid());
        ctx.BoxAnswer = mbrYes;
        QAction *del = panel.PopupMenu->findChild<QAction *>("PopupDeleteObject");
        QVERIFY(del);

        panel.List->setCurrentIndex(last);
        del->trigger();
        QCOMPARE(ctx.Boxes.value(0), Translation.GetString("mark_object_prompt", {name}));
        // Marked: now under "Deleted", which sorts last.
        const QModelIndex group = m->DeletedGroup();
        QVERIFY(group.isValid());
        QCOMPARE(m->Object(group)->name, QStringLiteral("Deleted"));
        QCOMPARE(m->rowCount(group), 1);
        QCOMPARE(m->Object(m->index(0, 0, group))->uid, uid);

        panel.List->setCurrentIndex(m->index(0, 0, group));
        del->trigger();
        QCOMPARE(ctx.Boxes.value(1), Translation.GetString("delete_object_prompt", {name}));
        QVERIFY(!m->FindUid(uid).isValid());
        QCOMPARE(m->rowCount(), rows - 1);

        // Nothing selected: the action says so and asks nothing.
        panel.List->selectionModel()->clear();
        del->trigger();
        QCOMPARE(ctx.Boxes.size(), 2);
        QCOMPARE(ctx.Notices.last(), QStringLiteral("object_not_selected"));
    }

    // The search field shows only the rows that answer it, on screen;
    // selecting and ticking work on what is shown, and the filter holds
    // through the minute update and a reload.
    void searchFilter_data()
    {
        QTest::addColumn<QString>("by"); // what the text is taken from
        QTest::addColumn<bool>("update");
        QTest::addRow("name, any case") << "name" << false;
        QTest::addRow("number as written") << "phone" << false;
        QTest::addRow("id") << "id" << false;
        QTest::addRow("no match") << "none" << false;
        QTest::addRow("survives the update") << "name" << true;
    }
    void searchFilter()
    {
        QFETCH(QString, by);
        QFETCH(bool, update);
        TMapPanelContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("tiles")));
        QSplitter parent;
        parent.resize(320, 900);
        TObjectsPanel panel(ctx, &parent, nullptr);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QVERIFY(panel.LoadObjects(0) > 3);
        TObjListModel *m = panel.Model();
        // The target: a phone (it has a number), not the first row.
        QModelIndex target;
        for (int i = 1; i < m->rowCount() && !target.isValid(); ++i)
            if (!m->Object(m->index(i, 0))->phone.isEmpty())
                target = m->index(i, 0);
        QVERIFY(target.isValid());
        const TObjectInfo *obj = m->Object(target);
        QString text;
        if (by == QLatin1String("name"))
            text = obj->name.toUpper();
        else if (by == QLatin1String("phone")) // "+79125551234" as "8 (912) 555-12-34"
            text = QStringLiteral("(%1) %2-%3").arg(obj->phone.mid(2, 3), obj->phone.mid(5, 3), obj->phone.mid(8));
        else if (by == QLatin1String("id"))
            text = obj->id;
        else
            text = QStringLiteral("no such object");
        QTest::keyClicks(panel.Search, text);
        if (update)
            QTRY_VERIFY_WITH_TIMEOUT((panel.UpdateObjects(), ctx.LogText.count(QLatin1String("Update objects:")) >= 2), 10000);

        auto shown = [&] {
            QStringList names;
            for (int i = 0; i < m->rowCount(); ++i) {
                const QModelIndex row = m->index(i, 0);
                if (!panel.List->visualRect(row).isEmpty())
                    names << m->Object(row)->name;
            }
            return names;
        };
        if (by == QLatin1String("none")) {
            QCOMPARE(shown(), QStringList());
            return;
        }
        QCOMPARE(shown(), QStringList{obj->name});
        // A click selects the row shown; ticking it puts its marker up.
        QTest::mouseClick(panel.List->viewport(), Qt::LeftButton, {}, panel.List->visualRect(target).center());
        QCOMPARE(panel.SelectedObjectRow(), target);
        QVERIFY(m->setData(target, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(ctx.Map()->MarkCount(), 1);
        // A reload keeps the filter; clearing it shows every row again.
        QVERIFY(panel.LoadObjects(obj->uid) > 0);
        QCOMPARE(shown(), QStringList{obj->name});
        QCOMPARE(panel.SelectedObject()->uid, obj->uid);
        panel.Search->clear();
        QCOMPARE(shown().size(), m->rowCount());
    }

    // Ctrl+F goes to the search field, Esc there empties it.
    void findShortcut()
    {
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"), QStringLiteral("t"));
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        parent.show();
        QVERIFY(QTest::qWaitForWindowActive(&parent));
        panel.List->setFocus();
        QTest::keyClick(&parent, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(panel.Search->hasFocus());
        QTest::keyClicks(panel.Search, QStringLiteral("van"));
        QTest::keyClick(panel.Search, Qt::Key_Escape);
        QVERIFY(panel.Search->text().isEmpty());
    }

    // The buttons of other areas say "not implemented" until the window
    // wires them; then they run what it gave.
    void otherAreasButtons_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *b : {"SbConfiguration", "SbSmsFilters", "SbCommands", "SbPlaces", "SbRequestTrack", "SbLastMessages",
                              "PopupStartTrip", "PopupStopTrip"})
            QTest::addRow("%s", b) << QString::fromLatin1(b);
    }
    void otherAreasButtons()
    {
        QFETCH(QString, control);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"), QStringLiteral("t"));
        QSplitter parent;
        TObjectsPanel panel(ctx, &parent, nullptr);
        auto click = [&] {
            if (auto *b = panel.ToolBar->findChild<QToolButton *>(control))
                b->click();
            else
                panel.PopupMenu->findChild<QAction *>(control)->trigger();
        };
        click();
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("not_implemented")});
        int ran = 0;
        panel.SetAction(control, [&] { ++ran; });
        click();
        QCOMPARE(ran, 1);
        QCOMPARE(ctx.Notices.size(), 1);
    }

    void cleanupTestCase() { fSim.stop(); }
};

QTEST_MAIN(tst_ObjectsPanel)
#include "tst_ObjectsPanel.moc"
