#include "ZtUtils.h"
#include "ZoneWorkflow.h"
#include "OSM.ZtMapControl.h"
#include "OSM.TrackGlyphs.h"
#include "ZoneEditForm.h"
#include "SimProcess.h"
#include "TestPaths.h"
#include "client.h"
#include "common.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QStandardItemModel>
#include <QTreeView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

// The zone list, the editor and the map together, against velmora-sim.
class tst_ZoneWorkflow : public QObject
{
    Q_OBJECT

    SimProcess sim;
    QTemporaryDir dir;

    struct Fixture
    {
        QString log;
        std::unique_ptr<TVelmoraClient> client;
        QWidget win;
        QTreeView *view = nullptr;
        QStandardItemModel *model = nullptr;
        TZtMapControl *map = nullptr;
        std::unique_ptr<TZoneWorkflow> wf;
        QStringList notices;
        QStringList boxes;     // caption: text
        QList<int> answers;    // what the next boxes answer (6 yes, 7 no)

        Fixture(const SimProcess &sim, const QString &cacheDir)
        {
            client = sim.demoClient(&log);
            if (!client)
                return;
            view = new QTreeView(&win);
            model = new QStandardItemModel(0, 1, view);
            view->setModel(model);
            map = new TZtMapControl(&win, 0, cacheDir, sim.tileUrl(), QStringLiteral("velmora-tests"));
            auto *lay = new QHBoxLayout(&win);
            lay->addWidget(view);
            lay->addWidget(map, 1);
            win.resize(1100, 700);
            TZoneWorkflowContext ctx;
            ctx.Log = [this](const QString &t) { log += t; };
            ctx.ShowMsg = [this](const QString &key, int) { notices << key; };
            ctx.MsgBox = [this](const QString &caption, const QString &text, int) {
                boxes << caption + QStringLiteral(": ") + text;
                return answers.isEmpty() ? 7 : answers.takeFirst();
            };
            ctx.SignedIn = [] { return true; };
            ctx.Parent = &win;
            wf = std::make_unique<TZoneWorkflow>(client.get(), map, view, model, ctx);
            map->SetCmdCallback([this](QObject *s, const QString &a, const QString &subj, const QStringList &args) {
                return wf ? wf->ZoneCommand(s, a, subj, args) : -1;
            });
            map->OnClickZone = [this](TZoneInfo *z) { wf->OnZoneClick(z); };
            win.show();
            map->SetCenter(15, 57.998649, 56.27574);
        }
        ~Fixture()
        {
            wf.reset();
            if (map)
                map->SetGeoZones(nullptr);
        }
        bool ok() { return client && QTest::qWaitForWindowExposed(&win); }
        TZoneInfo *zone(int row) const { return TZoneWorkflow::ZoneOf(model->item(row)); }
        void select(int row) { view->setCurrentIndex(model->index(row, 0)); }
        int current() const { return view->currentIndex().row(); }
        QWidget *vp() const { return map->viewport(); }
        QPoint at(const TGeoPoint &g) const { return map->GeoPointToInnerPoint(g); }
        // The first view point right of the centre that hits the rim.
        QPoint rim(TZoneInfo *z) const
        {
            const QPoint c = at(z->geom.center);
            for (int dx = 6; dx < 400; ++dx)
                if (map->ZoneHitTest(c + QPoint(dx, 0), z) == 2)
                    return c + QPoint(dx + 2, 0);
            return QPoint();
        }
        void drag(const QPoint &from, const QPoint &to)
        {
            QTest::mousePress(vp(), Qt::LeftButton, {}, from);
            for (int i = 1; i <= 4; ++i)
                QTest::mouseMove(vp(), from + (to - from) * i / 4);
            QTest::mouseRelease(vp(), Qt::LeftButton, {}, to);
        }
        // The zone as the service has it now, through a second client.
        std::unique_ptr<TZoneInfo> onService(const SimProcess &sim, int uid) const
        {
            auto c = sim.demoClient();
            if (!c || c->GetZones() < 0)
                return nullptr;
            for (auto &z : c->ZoneList())
                if (z->uid == uid)
                    return std::make_unique<TZoneInfo>(*z);
            return nullptr;
        }
    };

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        Translation.LoadDefaults(TestPaths::sourceDir() + QStringLiteral("/translations/defaults.txt"));
        QVERIFY(sim.start());
    }
    void init()
    {
        // Each test starts from the demo account's two zones.
        sim.stop();
        QVERIFY(sim.start());
        QFile::remove(dir.filePath("settings.ini"));
        IniFile.Open(dir.filePath("settings.ini"));
    }

    void drawCircleAndPolygonWithTheMouse();
    void saveActsOnTheEditorsZone();
    void cancel_data();
    void cancel();
    void refusedSaveKeepsEditing();
    void escapeCancelsDragAndCursorShows();
    void ticksShowZonesAndPersist();
    void reloadClosesTheEditor_data();
    void reloadClosesTheEditor();
    void zoneClickOpensView();
    void deleteZone();
    void nodesPastTheHundredth();
};

void tst_ZoneWorkflow::drawCircleAndPolygonWithTheMouse()
{
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);

    // A circle: append, pull its rim outwards, save.
    f.wf->AppendZone();
    QVERIFY(f.wf->Editor());
    TZoneInfo *circle = f.wf->Editor()->ZoneInfo();
    QCOMPARE(circle->uid, 0);
    QVERIFY(circle->edited);
    const QPoint rim = f.rim(circle);
    QVERIFY(!rim.isNull());
    f.drag(rim, rim + QPoint(40, 0));
    // The editor zoomed the map to the zone: 40 pixels are some metres.
    QVERIFY(circle->geom.radius > 105);
    // The editor followed the map.
    QCOMPARE(f.wf->Editor()->EdRadius->text(), FloatToStrN(circle->geom.radius, 2));
    const double radius = circle->geom.radius;
    QTest::mouseClick(f.wf->Editor()->ButSave, Qt::LeftButton);
    QVERIFY(!f.wf->Editor());
    QVERIFY(circle->uid > 0);
    const int circleUid = circle->uid;

    // A polygon: append, switch the type, move a node with the mouse, save.
    f.map->SetCenter(15, 57.99, 56.26);
    f.wf->AppendZone();
    TZoneEditForm *ed = f.wf->Editor();
    QVERIFY(ed);
    ed->CbType->setCurrentIndex(1);
    Q_EMIT ed->CbType->activated(1);
    TZoneInfo *poly = ed->ZoneInfo();
    QCOMPARE(poly->geom.nodes.size(), 4);
    const QPoint node = f.at(poly->geom.nodes[1]);
    QCOMPARE(f.map->ZoneHitTest(node, poly), 101);
    f.drag(node, node + QPoint(30, 20));
    QVERIFY(f.at(poly->geom.nodes[1]).x() > node.x() + 25);
    QCOMPARE(ed->NodesList->item(1)->text(), TZoneEditForm::CoordText(poly->geom.nodes[1]));
    const QList<TGeoPoint> nodes = poly->geom.nodes;
    QTest::mouseClick(ed->ButSave, Qt::LeftButton);
    QVERIFY(!f.wf->Editor());
    const int polyUid = poly->uid;
    QVERIFY(polyUid > 0);

    // Reloaded, and read by another client: unchanged.
    QCOMPARE(f.wf->LoadZones(), 4);
    auto c = f.onService(sim, circleUid);
    QVERIFY(c);
    QCOMPARE(c->type_id, int(TZoneInfo::Circle));
    QVERIFY(std::fabs(c->geom.radius - radius) < 0.01);
    auto p = f.onService(sim, polyUid);
    QVERIFY(p);
    QCOMPARE(p->type_id, int(TZoneInfo::Poligon));
    QCOMPARE(p->geom.nodes.size(), nodes.size());
    for (int i = 0; i < nodes.size(); ++i) {
        QVERIFY(std::fabs(p->geom.nodes[i].Lat - nodes[i].Lat) < 1e-6);
        QVERIFY(std::fabs(p->geom.nodes[i].Long - nodes[i].Long) < 1e-6);
    }
}

void tst_ZoneWorkflow::saveActsOnTheEditorsZone()
{
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);
    const QString other = f.zone(1)->name;
    f.select(0);
    f.wf->EditZone();
    TZoneEditForm *ed = f.wf->Editor();
    QVERIFY2(ed, qPrintable(f.notices.join(',') + f.log.right(500)));
    const int uid = ed->ZoneInfo()->uid;
    ed->EdName->clear();
    QTest::keyClicks(ed->EdName, QStringLiteral("Renamed"));
    // The user looks at another zone while the editor is open.
    f.select(1);
    QTest::mouseClick(ed->ButSave, Qt::LeftButton);
    QVERIFY(!f.wf->Editor());
    QCOMPARE(f.onService(sim, uid)->name, QStringLiteral("Renamed"));
    QCOMPARE(f.onService(sim, f.zone(1)->uid)->name, other);
    QCOMPARE(f.model->item(0)->text(), QStringLiteral("Renamed"));
}

void tst_ZoneWorkflow::cancel_data()
{
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<QString>("how");
    for (const char *how : {"Cancel", "frame", "Escape"}) {
        QTest::addRow("new zone, %s", how) << true << QString::fromLatin1(how);
        QTest::addRow("existing zone, %s", how) << false << QString::fromLatin1(how);
    }
}

void tst_ZoneWorkflow::cancel()
{
    QFETCH(bool, isNew);
    QFETCH(QString, how);
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);
    TZoneInfo before;
    if (isNew) {
        f.wf->AppendZone();
        QCOMPARE(f.model->rowCount(), 3);
    } else {
        before = *f.zone(0);
        f.wf->EditZone();
    }
    TZoneEditForm *ed = f.wf->Editor();
    QVERIFY(ed);
    TZoneInfo *z = ed->ZoneInfo();
    // Changed in the editor and on the map.
    ed->EdName->clear();
    QTest::keyClicks(ed->EdName, QStringLiteral("Changed"));
    if (z->type_id == TZoneInfo::Circle) {
        const QPoint c = f.at(z->geom.center);
        f.drag(c, c + QPoint(50, 30));
    }
    QStringList actions;
    const TCmdCallback forward = [&](QObject *s, const QString &a, const QString &subj, const QStringList &args) {
        actions << a;
        return f.wf->ZoneCommand(s, a, subj, args);
    };
    ed->SetCmdCallback(forward);
    if (how == u"frame") {
        ed->close();
    } else if (how == u"Escape") {
        ed->activateWindow();
        ed->EdName->setFocus();
        QTest::keyClick(ed->EdName, Qt::Key_Escape);
    } else {
        QTest::mouseClick(ed->ButCancel, Qt::LeftButton);
    }
    QTRY_VERIFY(!f.wf->Editor());
    QCOMPARE(actions.count(QStringLiteral("cancel")), 1);
    QVERIFY(!actions.contains(QStringLiteral("save")));
    QVERIFY(!f.map->EditedZone() || !f.map->EditedZone()->edited);
    if (isNew) {
        QCOMPARE(f.model->rowCount(), 2);
        QCOMPARE(f.client->ZoneList().size(), size_t(2));
    } else {
        QCOMPARE(f.zone(0)->name, before.name);
        QCOMPARE(f.zone(0)->geom.center.Lat, before.geom.center.Lat);
        QCOMPARE(f.zone(0)->geom.center.Long, before.geom.center.Long);
        QVERIFY(!f.zone(0)->edited);
        QCOMPARE(f.onService(sim, before.uid)->name, before.name);
    }
    // The map no longer offers the zone for dragging.
    const QPoint c = f.at(f.zone(0)->geom.center);
    const TGeoPoint centre = f.zone(0)->geom.center;
    f.drag(c, c + QPoint(30, 0));
    QCOMPARE(f.zone(0)->geom.center.Lat, centre.Lat);

    // A click on the zone may have opened it for viewing: that goes first.
    if (TZoneEditForm *view = f.wf->Editor()) {
        QVERIFY(!view->EditMode());
        view->close();
    }
    QTRY_VERIFY(!f.wf->Editor());

    // Editing another zone afterwards drags that one, not the first.
    f.select(1);
    f.wf->EditZone();
    TZoneEditForm *next = f.wf->Editor();
    QVERIFY(next);
    TZoneInfo *second = next->ZoneInfo();
    QCOMPARE(second, f.zone(1));
    const TGeoPoint firstCentre = f.zone(0)->geom.center;
    const TGeoPoint from = second->type_id == TZoneInfo::Circle ? second->geom.center : second->geom.nodes[0];
    const QPoint p = f.at(from);
    f.drag(p, p + QPoint(30, 0));
    const TGeoPoint moved = second->type_id == TZoneInfo::Circle ? second->geom.center : second->geom.nodes[0];
    QVERIFY(moved.Long > from.Long);
    QCOMPARE(f.zone(0)->geom.center.Lat, firstCentre.Lat);
    QCOMPARE(f.zone(0)->geom.center.Long, firstCentre.Long);
    QCOMPARE(f.map->EditedZone(), second);
}

void tst_ZoneWorkflow::refusedSaveKeepsEditing()
{
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);
    f.select(1); // a zone that no trap watches, so it may go
    f.wf->EditZone();
    TZoneEditForm *ed = f.wf->Editor();
    QVERIFY(ed);
    const int uid = ed->ZoneInfo()->uid;
    // Another session deletes the zone meanwhile: the update is refused.
    auto other = sim.demoClient();
    QCOMPARE(other->DeleteZone(uid), 204);
    ed->EdName->clear();
    QTest::keyClicks(ed->EdName, QStringLiteral("Lost"));
    QTest::mouseClick(ed->ButSave, Qt::LeftButton);
    QCOMPARE(f.wf->Editor(), ed);
    QVERIFY(ed->isVisible());
    QCOMPARE(f.boxes.size(), 1);
    QVERIFY(f.boxes[0].startsWith(QStringLiteral("Update zone: ")));
    QVERIFY(ed->ZoneInfo()->edited);
    QVERIFY(ed->EdName->isEnabled());
    // The map still lets the user drag it.
    const TGeoPoint centre = ed->ZoneInfo()->geom.center;
    const QPoint c = f.at(centre);
    f.drag(c, c + QPoint(30, 0));
    QVERIFY(ed->ZoneInfo()->geom.center.Long > centre.Long);
}

void tst_ZoneWorkflow::escapeCancelsDragAndCursorShows()
{
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);
    f.wf->EditZone();
    TZoneInfo *z = f.wf->Editor()->ZoneInfo();
    QCOMPARE(z->type_id, int(TZoneInfo::Circle));
    const QPoint c = f.at(z->geom.center);
    const QPoint rim = f.rim(z);
    QTest::mouseMove(f.vp(), c);
    QCOMPARE(f.vp()->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(f.vp(), rim);
    QCOMPARE(f.vp()->cursor().shape(), Qt::SizeFDiagCursor);
    QCOMPARE(TZtMapControl::ZoneEditCursor(101), Qt::PointingHandCursor);
    QCOMPARE(TZtMapControl::ZoneEditCursor(201), Qt::CrossCursor);

    const TGeoPoint centre = z->geom.center;
    const double radius = z->geom.radius;
    for (const QPoint &from : {c, rim}) {
        QTest::mousePress(f.vp(), Qt::LeftButton, {}, from);
        QTest::mouseMove(f.vp(), from + QPoint(20, 10));
        QTest::mouseMove(f.vp(), from + QPoint(40, 20));
        QVERIFY(f.map->ZoneDragging());
        QTest::keyClick(f.map, Qt::Key_Escape);
        QVERIFY(!f.map->ZoneDragging());
        QCOMPARE(z->geom.center.Lat, centre.Lat);
        QCOMPARE(z->geom.center.Long, centre.Long);
        QCOMPARE(z->geom.radius, radius);
        QCOMPARE(f.wf->Editor()->EdCenter->text(), TZoneEditForm::CoordText(centre));
        // Moving on after Escape drags nothing.
        QTest::mouseMove(f.vp(), from + QPoint(60, 30));
        QTest::mouseRelease(f.vp(), Qt::LeftButton, {}, from + QPoint(60, 30));
        QCOMPARE(z->geom.center.Lat, centre.Lat);
    }
}

void tst_ZoneWorkflow::ticksShowZonesAndPersist()
{
    int uid = 0;
    {
        Fixture f(sim, dir.path());
        QVERIFY(f.ok());
        QCOMPARE(f.wf->LoadZones(), 2);
        QVERIFY(!f.zone(1)->visible);
        f.model->item(1)->setCheckState(Qt::Checked);
        QVERIFY(f.zone(1)->visible);
        QCOMPARE(f.current(), 1);
        uid = f.zone(1)->uid;
        QCOMPARE(IniFile.ReadString("Zones", "Visible"), QString::number(uid));
        // The map draws the zone's outline where it lies, and only while ticked.
        f.map->repaint();
        const QImage ticked = f.map->viewport()->grab().toImage();
        f.model->item(1)->setCheckState(Qt::Unchecked);
        f.map->repaint();
        const QImage unticked = f.map->viewport()->grab().toImage();
        f.model->item(1)->setCheckState(Qt::Checked);
        TZoneInfo *z = f.zone(1);
        const QPoint rim = z->type_id == TZoneInfo::Circle ? f.rim(z) - QPoint(2, 0)
                                                           : (f.at(z->geom.nodes[0]) + f.at(z->geom.nodes[1])) / 2;
        const QColor want = ColorOfTColor(f.zone(1)->color);
        auto near = [&](QRgb px) {
            const QColor c(px);
            return std::abs(c.red() - want.red()) + std::abs(c.green() - want.green()) + std::abs(c.blue() - want.blue()) < 60;
        };
        bool drawn = false;
        for (int dx = -3; dx <= 3 && !drawn; ++dx)
            for (int dy = -3; dy <= 3 && !drawn; ++dy)
                drawn = near(ticked.pixel(rim + QPoint(dx, dy))) && !near(unticked.pixel(rim + QPoint(dx, dy)));
        QVERIFY(drawn);
    }
    Fixture g(sim, dir.path());
    QVERIFY(g.ok());
    QCOMPARE(g.wf->LoadZones(), 2);
    QCOMPARE(g.model->item(1)->checkState(), Qt::Checked);
    QVERIFY(g.zone(1)->visible);
    QVERIFY(!g.zone(0)->visible);
    g.model->item(1)->setCheckState(Qt::Unchecked);
    QVERIFY(!g.zone(1)->visible);
    QCOMPARE(IniFile.ReadString("Zones", "Visible"), QString());
}

void tst_ZoneWorkflow::reloadClosesTheEditor_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("nameAfter");
    QTest::addRow("save the changes") << 6 << "Kept";
    QTest::addRow("drop the changes") << 7 << "";
}

void tst_ZoneWorkflow::reloadClosesTheEditor()
{
    QFETCH(int, answer);
    QFETCH(QString, nameAfter);
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);
    const QString before = f.zone(0)->name;
    const int uid = f.zone(0)->uid;
    f.wf->EditZone();
    QPointer<TZoneEditForm> ed = f.wf->Editor();
    ed->EdName->clear();
    QTest::keyClicks(ed->EdName, QStringLiteral("Kept"));
    f.answers << answer;
    // An object was created or deleted: the zones are reloaded.
    QCOMPARE(f.wf->LoadZones(), 2);
    QCOMPARE(f.boxes.size(), 1);
    QVERIFY(!f.wf->Editor());
    QTRY_VERIFY(!ed);
    QCOMPARE(f.zone(0)->name, nameAfter.isEmpty() ? before : nameAfter);
    QCOMPARE(f.onService(sim, uid)->name, nameAfter.isEmpty() ? before : nameAfter);
}

void tst_ZoneWorkflow::zoneClickOpensView()
{
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);
    f.model->item(1)->setCheckState(Qt::Checked);
    f.select(0);
    TZoneInfo *z = f.zone(1);
    QTest::mouseClick(f.vp(), Qt::LeftButton, {}, f.at(z->geom.center));
    QVERIFY(f.wf->Editor());
    QCOMPARE(f.wf->Editor()->ZoneInfo(), z);
    QVERIFY(!f.wf->Editor()->EditMode());
    QCOMPARE(f.current(), 1);
    // A second editor is refused while one is open.
    f.wf->EditZone();
    QCOMPARE(f.notices, QStringList{QStringLiteral("zone_editor_active")});
    f.wf->DeleteZone();
    QCOMPARE(f.notices.size(), 2);
}

void tst_ZoneWorkflow::deleteZone()
{
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);
    f.select(1); // a zone that no trap watches
    const int uid = f.zone(1)->uid;
    f.answers << 7;
    f.wf->DeleteZone();
    QCOMPARE(f.model->rowCount(), 2);
    f.answers << 6;
    f.wf->DeleteZone();
    QCOMPARE(f.model->rowCount(), 1);
    QCOMPARE(f.client->ZoneList().size(), size_t(1));
    QVERIFY(!f.onService(sim, uid));
    QVERIFY(f.boxes[0].startsWith(QStringLiteral("Delete zone: ")));
}

// A polygon of more than a hundred nodes: its later nodes are dragged and
// deleted themselves, not the node a hundred places before.
void tst_ZoneWorkflow::nodesPastTheHundredth()
{
    Fixture f(sim, dir.path());
    QVERIFY(f.ok());
    QCOMPARE(f.wf->LoadZones(), 2);
    f.wf->AppendZone();
    TZoneEditForm *ed = f.wf->Editor();
    QVERIFY(ed);
    ed->CbType->setCurrentIndex(1);
    Q_EMIT ed->CbType->activated(1);
    TZoneInfo *z = ed->ZoneInfo();
    const TGeoPoint c = z->geom.center;
    z->geom.nodes.clear();
    for (int k = 0; k < 150; ++k) {
        const double a = 2 * M_PI * k / 150;
        z->geom.nodes << TGeoPoint{c.Long + 0.004 * std::cos(a), c.Lat + 0.002 * std::sin(a)};
    }
    z->UpdateRect();
    f.wf->ZoomToZone(z);
    ed->UpdateZone();
    const QPoint p120 = f.at(z->geom.nodes[120]);
    const int hit = f.map->ZoneHitTest(p120, z);
    QVERIFY(TZtMapControl::IsNodeHit(hit));
    const int index = TZtMapControl::HitIndex(hit);
    QVERIFY(index >= 115 && index <= 125);
    const TGeoPoint before = z->geom.nodes[index], other = z->geom.nodes[index - 100];
    f.drag(p120, p120 + QPoint(25, 25));
    QVERIFY(z->geom.nodes[index].Lat != before.Lat);
    QCOMPARE(z->geom.nodes[index - 100].Lat, other.Lat);
    // A right click on a node deletes that node.
    const TGeoPoint next = z->geom.nodes[index + 1];
    QTest::mouseClick(f.vp(), Qt::RightButton, {}, f.at(z->geom.nodes[index]));
    QCOMPARE(z->geom.nodes.size(), 149);
    QCOMPARE(z->geom.nodes[index].Lat, next.Lat);
    QCOMPARE(z->geom.nodes[index - 100].Lat, other.Lat);
}

QTEST_MAIN(tst_ZoneWorkflow)
#include "tst_ZoneWorkflow.moc"
