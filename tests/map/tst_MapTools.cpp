// The map's tools driven by plain presses, moves and keys on a view, with
// no window: what each changes, reports, repaints and shows as a cursor.
#include "MapTool.h"
#include "OSM.ZoneInfo.h"
#include "PickPointTool.h"
#include "RulerTool.h"
#include "ZoneEditTool.h"
#include "ZoneLayer.h"
#include "geo_utils.h"

#include <QPainter>
#include <QtTest>

namespace {

const TGeoPoint Home{56.27574, 57.998649};

// A map of 600 x 400 view pixels at zoom 16 centred on Home.
struct Host : TMapToolHost
{
    TMapView view;
    QList<QRegion> repaints;
    std::optional<Qt::CursorShape> cursor;
    int cursorCalls = 0;
    bool dragging = false;

    Host()
    {
        view.Zoom = 16;
        const QPoint home = view.GeoToMap(Home);
        view.Rect = QRect(home - QPoint(300, 200), QSize(600, 400));
    }
    TMapView View() const override { return view; }
    void Repaint(const QRegion &Area) override { repaints << Area; }
    void SetToolCursor(std::optional<Qt::CursorShape> Shape) override
    {
        cursor = Shape;
        ++cursorCalls;
    }
    bool MapDragging() const override { return dragging; }
    QPoint At(const TGeoPoint &g) const { return view.GeoToView(g); }
    TGeoPoint Geo(const QPoint &p) const { return view.ViewToGeo(p); }
};

TMapToolEvent Mouse(const QPoint &Pos, Qt::MouseButton Button, Qt::MouseButtons Held = Qt::NoButton)
{
    return TMapToolEvent{Pos, Button, Held, Qt::NoModifier, 0};
}

TMapToolEvent KeyEvent(int Key)
{
    TMapToolEvent e;
    e.Key = Key;
    return e;
}

// A zone layer with one zone open for editing, and its tool on the host.
struct ZoneBench
{
    Host host;
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    TZoneLayer layer;
    TZoneEditTool tool{layer};
    QStringList log;
    QList<QStringList> cmds;

    explicit ZoneBench(std::unique_ptr<TZoneInfo> Zone)
    {
        zones.push_back(std::move(Zone));
        layer.SetZones(&zones);
        tool.SetHost(&host);
        tool.OnLog = [this](const QString &Fmt, const QVariantList &Args) {
            QString line = Fmt;
            for (const QVariant &a : Args)
                line += u' ' + a.toString();
            log << line;
        };
        tool.OnCmd = [this](const QString &Action, const QString &Subj, const QStringList &Args) {
            cmds << (QStringList{Action, Subj} + Args);
        };
    }
    TZoneInfo &zone() { return *zones[0]; }
};

std::unique_ptr<TZoneInfo> Circle(double Radius)
{
    auto z = std::make_unique<TZoneInfo>(7, TZoneInfo::Circle);
    z->geom.center = Home;
    z->geom.radius = Radius;
    z->visible = true;
    z->edited = true;
    z->UpdateRect();
    return z;
}

// A square of four nodes, 160 view pixels a side, around Home.
std::unique_ptr<TZoneInfo> Square(const Host &h)
{
    auto z = std::make_unique<TZoneInfo>(8, TZoneInfo::Poligon);
    const QPoint c = h.At(Home);
    z->geom.nodes = {h.Geo(c + QPoint(-80, -80)), h.Geo(c + QPoint(80, -80)), h.Geo(c + QPoint(80, 80)),
                     h.Geo(c + QPoint(-80, 80))};
    z->visible = true;
    z->edited = true;
    z->UpdateRect();
    return z;
}

int RedPixels(const QImage &Img, const QRect &R)
{
    int n = 0;
    for (int y = R.top(); y <= R.bottom(); ++y)
        for (int x = R.left(); x <= R.right(); ++x) {
            const QColor c = Img.pixelColor(x, y);
            n += c.red() > 150 && c.green() < 80 && c.blue() < 80;
        }
    return n;
}

} // namespace

class tst_MapTools : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zonePressTakesHandlesOnly_data();
    void zonePressTakesHandlesOnly();
    void zoneCentreDragMovesAndRepaintsBothPlaces();
    void zoneEscapePutsTheZoneBack();
    void zoneRightClickDeletesAndAddsNodes();
    void zoneHoverCursor();
    void zoneToolIdleWithoutEditedZone();
    void pickPointTakesOneRightClick();
    void rulerMeasuresAndTakesBack();
    void rulerLabel_data();
    void rulerLabel();
    void rulerFeedbackDrawn();
};

void tst_MapTools::zonePressTakesHandlesOnly_data()
{
    QTest::addColumn<QPoint>("offset"); // from the centre
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("code");
    // A circle of 100 m: about 79 pixels at zoom 16 here.
    QTest::addRow("centre") << QPoint(2, 2) << true << 1;
    QTest::addRow("rim") << QPoint(0, -79) << true << 2;
    QTest::addRow("inside") << QPoint(30, 0) << false << 9;
    QTest::addRow("outside") << QPoint(100, 0) << false << -1;
}

void tst_MapTools::zonePressTakesHandlesOnly()
{
    QFETCH(QPoint, offset);
    QFETCH(bool, taken);
    QFETCH(int, code);
    ZoneBench b(Circle(100));
    const QPoint pt = b.host.At(Home) + offset;
    QCOMPARE(b.tool.Press(Mouse(pt, Qt::LeftButton, Qt::LeftButton)), taken);
    QCOMPARE(b.tool.DragHit().Code(), code);
    QCOMPARE(b.tool.Dragging(), taken);
    QCOMPARE(b.log.size(), taken ? 1 : 0);
    if (taken)
        QCOMPARE(b.log[0], QStringLiteral("\rStart drag center zone: %d,%d %1 %2").arg(pt.x()).arg(pt.y()));
}

void tst_MapTools::zoneCentreDragMovesAndRepaintsBothPlaces()
{
    ZoneBench b(Circle(100));
    const QPoint c = b.host.At(Home);
    QVERIFY(b.tool.Press(Mouse(c, Qt::LeftButton, Qt::LeftButton)));
    const QPoint to = c + QPoint(150, 40);
    QVERIFY(b.tool.Move(Mouse(to, Qt::NoButton, Qt::LeftButton)));
    // Rounded to six decimals: within a pixel of the pointer.
    QVERIFY((b.host.At(b.zone().geom.center) - to).manhattanLength() <= 2);
    QCOMPARE(b.cmds.size(), 1);
    QCOMPARE(b.cmds[0].mid(0, 3), (QStringList{"update", "zone", "center"}));
    // The repaint covers the circle where it was and where it is now, not
    // the whole view.
    QCOMPARE(b.host.repaints.size(), 1);
    const QRect area = b.host.repaints[0].boundingRect();
    QVERIFY(area.contains(QRect(c - QPoint(79, 79), c + QPoint(79, 79))));
    QVERIFY(area.contains(QRect(to - QPoint(79, 79), to + QPoint(79, 79))));
    QVERIFY(area != b.host.view.ViewArea());
    // A move of less than the rounding is no change.
    QVERIFY(b.tool.Move(Mouse(to, Qt::NoButton, Qt::LeftButton)));
    QCOMPARE(b.cmds.size(), 1);
    QVERIFY(b.tool.Release(Mouse(to, Qt::LeftButton)));
    QVERIFY(!b.tool.Dragging());
    QCOMPARE(b.host.cursor, std::nullopt);
    // The release ended it: the next release is not the tool's.
    QVERIFY(!b.tool.Release(Mouse(to, Qt::LeftButton)));
}

void tst_MapTools::zoneEscapePutsTheZoneBack()
{
    ZoneBench b(Square(Host()));
    const QList<TGeoPoint> before = b.zone().geom.nodes;
    const QPoint n0 = b.host.At(before[0]);
    QVERIFY(b.tool.Press(Mouse(n0, Qt::LeftButton, Qt::LeftButton)));
    QCOMPARE(b.tool.DragHit(), TZoneHit::AtNode(0));
    QVERIFY(b.tool.Move(Mouse(n0 - QPoint(40, 30), Qt::NoButton, Qt::LeftButton)));
    QCOMPARE(b.host.At(b.zone().geom.nodes[0]), n0 - QPoint(40, 30));
    QCOMPARE(b.cmds.last()[2], QStringLiteral("node0"));
    QVERIFY(b.tool.Key(KeyEvent(Qt::Key_Escape)));
    QCOMPARE(b.zone().geom.nodes.size(), before.size());
    for (int i = 0; i < before.size(); ++i) {
        QCOMPARE(b.zone().geom.nodes[i].Lat, before[i].Lat);
        QCOMPARE(b.zone().geom.nodes[i].Long, before[i].Long);
    }
    QCOMPARE(b.cmds.last(), (QStringList{"update", "zone", "drag cancelled"}));
    // No drag: Escape is not the tool's.
    QVERIFY(!b.tool.Key(KeyEvent(Qt::Key_Escape)));
}

void tst_MapTools::zoneRightClickDeletesAndAddsNodes()
{
    ZoneBench b(Square(Host()));
    const QPoint c = b.host.At(Home);
    // On the edge ending at node 1 (the top side): a node is added before 1.
    QVERIFY(b.tool.Press(Mouse(c + QPoint(0, -80), Qt::RightButton, Qt::RightButton)));
    QCOMPARE(b.zone().geom.nodes.size(), 5);
    QCOMPARE(b.cmds.last(), (QStringList{"update", "zone", "add node", "1"}));
    // Nodes are deleted down to three, never below.
    QVERIFY(b.tool.Press(Mouse(c + QPoint(80, 80), Qt::RightButton, Qt::RightButton)));
    QCOMPARE(b.zone().geom.nodes.size(), 4);
    QVERIFY(b.tool.Press(Mouse(c + QPoint(-80, 80), Qt::RightButton, Qt::RightButton)));
    QCOMPARE(b.zone().geom.nodes.size(), 3);
    const int sent = int(b.cmds.size());
    QVERIFY(b.tool.Press(Mouse(c + QPoint(-80, -80), Qt::RightButton, Qt::RightButton)));
    QCOMPARE(b.zone().geom.nodes.size(), 3);
    QCOMPARE(b.cmds.size(), sent);
    QCOMPARE(b.log.last(), QStringLiteral("\r  x: too little nodes"));
    // Off the outline the right click is not the tool's.
    QVERIFY(!b.tool.Press(Mouse(c + QPoint(10, 10), Qt::RightButton, Qt::RightButton)));
}

void tst_MapTools::zoneHoverCursor()
{
    ZoneBench b(Circle(100));
    const QPoint c = b.host.At(Home);
    QVERIFY(!b.tool.Move(Mouse(c + QPoint(79, 0), Qt::NoButton)));
    QCOMPARE(b.host.cursor, std::optional(Qt::SizeFDiagCursor));
    QVERIFY(!b.tool.Move(Mouse(c, Qt::NoButton)));
    QCOMPARE(b.host.cursor, std::optional(Qt::SizeAllCursor));
    QVERIFY(!b.tool.Move(Mouse(c + QPoint(30, 0), Qt::NoButton)));
    QCOMPARE(b.host.cursor, std::nullopt);
    // While the map itself is dragged the cursor is the map's.
    b.host.dragging = true;
    const int calls = b.host.cursorCalls;
    QVERIFY(!b.tool.Move(Mouse(c, Qt::NoButton, Qt::LeftButton)));
    QCOMPARE(b.host.cursorCalls, calls);
}

void tst_MapTools::zoneToolIdleWithoutEditedZone()
{
    ZoneBench b(Circle(100));
    QVERIFY(b.tool.Active());
    b.zone().edited = false;
    QVERIFY(!b.tool.Active());
    QVERIFY(!b.tool.Press(Mouse(b.host.At(Home), Qt::LeftButton, Qt::LeftButton)));
    b.zone().edited = true;
    b.zone().visible = false; // a hidden zone is not edited on the map
    QVERIFY(!b.tool.Active());
}

void tst_MapTools::pickPointTakesOneRightClick()
{
    Host host;
    TPickPointTool tool;
    tool.SetHost(&host);
    QVERIFY(!tool.Active());
    QList<TGeoPoint> picked;
    tool.Arm([&](const TGeoPoint &p) { picked << p; });
    QVERIFY(tool.Active());
    QCOMPARE(host.cursor, std::optional(Qt::CrossCursor));
    const QPoint at(123, 45);
    QVERIFY(!tool.Press(Mouse(at, Qt::LeftButton, Qt::LeftButton))); // the left button is the map's
    QVERIFY(tool.Press(Mouse(at, Qt::RightButton, Qt::RightButton)));
    QCOMPARE(picked.size(), 1);
    QCOMPARE(host.At(picked[0]), at);
    QVERIFY(!tool.Active());
    QCOMPARE(host.cursor, std::nullopt);
    QVERIFY(!tool.Press(Mouse(at, Qt::RightButton, Qt::RightButton)));
    QCOMPARE(picked.size(), 1);
    // Escape disarms without a pick.
    tool.Arm([&](const TGeoPoint &p) { picked << p; });
    QVERIFY(tool.Key(KeyEvent(Qt::Key_Escape)));
    QVERIFY(!tool.Active());
    QCOMPARE(picked.size(), 1);
    // A callback may arm it again for the next click.
    tool.Arm([&](const TGeoPoint &p) {
        picked << p;
        tool.Arm([&](const TGeoPoint &q) { picked << q; });
    });
    QVERIFY(tool.Press(Mouse(at, Qt::RightButton, Qt::RightButton)));
    QVERIFY(tool.Active());
    QVERIFY(tool.Press(Mouse(at, Qt::RightButton, Qt::RightButton)));
    QCOMPARE(picked.size(), 3);
}

void tst_MapTools::rulerMeasuresAndTakesBack()
{
    Host host;
    TRulerTool ruler;
    ruler.SetHost(&host);
    QVERIFY(!ruler.Active());
    ruler.Start();
    QVERIFY(ruler.Active());
    const QPoint a(100, 200), b(300, 200), c(300, 50);
    for (const QPoint &p : {a, b, c})
        QVERIFY(ruler.Press(Mouse(p, Qt::LeftButton, Qt::LeftButton)));
    QVERIFY(!ruler.Press(Mouse(c, Qt::RightButton, Qt::RightButton)));
    QCOMPARE(ruler.Points().size(), 3);
    const double ab = GeoDistance(host.Geo(a), host.Geo(b)), bc = GeoDistance(host.Geo(b), host.Geo(c));
    QVERIFY(ab > 100 && bc > 100);
    QCOMPARE(ruler.Length(), ab + bc);
    // 200 pixels at zoom 16 and this latitude: about 250 m.
    QVERIFY(qAbs(ab - 200 * host.view.MetresPerPixel(Home.Lat)) < 2);
    QVERIFY(ruler.Key(KeyEvent(Qt::Key_Backspace)));
    QCOMPARE(ruler.Points().size(), 2);
    QCOMPARE(ruler.Length(), ab);
    QVERIFY(!ruler.Key(KeyEvent(Qt::Key_Delete)));
    QVERIFY(ruler.Key(KeyEvent(Qt::Key_Escape)));
    QVERIFY(!ruler.Active());
    QVERIFY(ruler.Points().isEmpty());
}

void tst_MapTools::rulerLabel_data()
{
    QTest::addColumn<double>("east"); // metres to the pointer, due east of the last point
    QTest::addColumn<QString>("label");
    QTest::addRow("999 m") << 999.0 << QStringLiteral("999 m, 90°");
    QTest::addRow("1000 m") << 1000.0 << QStringLiteral("1.00 km, 90°");
    QTest::addRow("2.5 km") << 2500.0 << QStringLiteral("2.50 km, 90°");
}

void tst_MapTools::rulerLabel()
{
    QFETCH(double, east);
    QFETCH(QString, label);
    Host host;
    TRulerTool ruler;
    ruler.SetHost(&host);
    ruler.Start();
    // On the equator a point due east stays due east all the way.
    host.view.Rect.moveTopLeft(host.view.GeoToMap(TGeoPoint{10, 0}) - QPoint(300, 200));
    QVERIFY(ruler.Press(Mouse(QPoint(300, 200), Qt::LeftButton, Qt::LeftButton)));
    const TGeoPoint start = ruler.Points()[0];
    // The exact distance east: a step found from the geodesic itself.
    double lo = 0, hi = 0.1;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (GeoDistance(start, TGeoPoint{start.Long + mid, start.Lat}) < east ? lo : hi) = mid;
    }
    const TGeoPoint pointer{start.Long + hi, start.Lat}; // not short of the distance
    QCOMPARE(ruler.Label(pointer), label);
    // Without a pointer, the last point alone: no length yet, no bearing.
    QCOMPARE(ruler.Label(TGeoPoint()), QStringLiteral("0 m"));
}

void tst_MapTools::rulerFeedbackDrawn()
{
    Host host;
    TRulerTool ruler;
    ruler.SetHost(&host);
    ruler.Start();
    QVERIFY(ruler.Press(Mouse(QPoint(100, 100), Qt::LeftButton, Qt::LeftButton)));
    QVERIFY(ruler.Press(Mouse(QPoint(300, 100), Qt::LeftButton, Qt::LeftButton)));
    const int repaints = int(host.repaints.size());
    QVERIFY(!ruler.Move(Mouse(QPoint(300, 250), Qt::NoButton))); // the map's dragging goes on
    QCOMPARE(host.repaints.size(), repaints + 1);
    QImage img(host.view.Size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        ruler.PaintFeedback(p, host.view);
    }
    // The fixed leg and the leg to the pointer are drawn; away from them nothing.
    QVERIFY(RedPixels(img, QRect(190, 98, 20, 5)) > 10);
    QVERIFY(RedPixels(img, QRect(298, 170, 5, 20)) > 10);
    QCOMPARE(RedPixels(img, QRect(100, 200, 100, 40)), 0);
    // The label box stands beside the pointer.
    QVERIFY(qAlpha(img.pixel(QPoint(300, 250) + QPoint(20, 14))) > 0);
    QVERIFY(ruler.Label(host.Geo(QPoint(300, 250))).endsWith(QStringLiteral("180°")));
}

QTEST_MAIN(tst_MapTools)
#include "tst_MapTools.moc"
