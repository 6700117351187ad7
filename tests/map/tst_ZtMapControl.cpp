#include "MapImage.h"
#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "OSM.ZtMapControl.h"
#include "TestHttpServer.h"
#include "ZtDates.h"
#include "ZtFormat.h"
#include "geo_utils.h"

#include <QBuffer>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <mutex>

namespace {

const TGeoPoint Home{56.27574, 57.998649};

QByteArray PngBytes(QColor c)
{
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(c);
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

// A map layer on an 800 x 600 view, its tiles from a loopback server, its
// disk cache in a temporary folder, recording log lines and commands.
struct Fixture
{
    QTemporaryDir dir;
    // What the server's handler touches outlives the server, which may still
    // be answering a tile while the fixture goes.
    std::atomic<int> tileHits{0};
    std::atomic<bool> down{false}; // the tile server answers 503
    std::mutex pathsLock;
    QStringList paths;
    QByteArray tileBody = PngBytes(QColor(200, 220, 200));
    TestHttpServer server;
    std::unique_ptr<TZtMapControl> map;
    QStringList log;
    QList<QStringList> cmds;

    bool Start(int zoom = 16)
    {
        server.server().set_keep_alive_timeout(0);
        server.server().Get(R"(/tiles/(\d+)/(\d+)/(\d+)\.png)", [this](const httplib::Request &req, httplib::Response &res) {
            ++tileHits;
            if (down) {
                res.status = 503;
                return;
            }
            {
                std::lock_guard<std::mutex> lock(pathsLock);
                paths << QString::fromStdString(req.path);
            }
            res.set_content(tileBody.toStdString(), "image/png");
        });
        if (!server.start())
            return false;
        map = std::make_unique<TZtMapControl>(nullptr, 0, dir.path(), server.baseUrl() + "/tiles/{z}/{x}/{y}.png",
                                              QStringLiteral("VelmoraMonitor-test"));
        map->SetLogCallback([this](const QString &f, const QVariantList &a, int n) { log << FormatLogText(f, a, n); });
        map->SetCmdCallback([this](QObject *, const QString &action, const QString &subj, const QStringList &args) {
            cmds << (QStringList{action, subj} + args);
            return 0;
        });
        map->setFrameShape(QFrame::NoFrame);
        map->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        map->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        map->resize(800, 600);
        map->show();
        if (!QTest::qWaitForWindowExposed(map.get()))
            return false;
        map->SetCenter(zoom, Home.Lat, Home.Long);
        return true;
    }
    QWidget *vp() { return map->viewport(); }
    QPoint At(const TGeoPoint &g) { return map->GeoPointToInnerPoint(g); }
    TGeoPoint GeoAt(const QPoint &p) { return map->MapToGeoCoords(map->ViewToMap(p)); }
    TGeoPoint Offset(int dx, int dy) { return GeoAt(At(Home) + QPoint(dx, dy)); }
    void Paint() { vp()->repaint(); }
};

std::unique_ptr<TZoneInfo> Circle(const TGeoPoint &c, double radius, bool edited = true)
{
    auto z = std::make_unique<TZoneInfo>(7, TZoneInfo::Circle);
    z->geom.center = c;
    z->geom.radius = radius;
    z->visible = true;
    z->edited = edited;
    z->UpdateRect();
    return z;
}

std::unique_ptr<TZoneInfo> Polygon(const QList<TGeoPoint> &nodes, bool edited = true)
{
    auto z = std::make_unique<TZoneInfo>(8, TZoneInfo::Poligon);
    z->geom.nodes = nodes;
    z->visible = true;
    z->edited = edited;
    z->UpdateRect();
    return z;
}

// A 5-node polygon around Home, about 200 px across at zoom 16.
QList<TGeoPoint> Pentagon(Fixture &f)
{
    return {f.Offset(0, -120), f.Offset(110, -40), f.Offset(70, 100), f.Offset(-70, 100), f.Offset(-110, -40)};
}

} // namespace

class tst_ZtMapControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zoneHitTest_data();
    void zoneHitTest();
    void dragCircleCentre();
    void dragCircleRim();
    void dragPolygonNode();
    void dragRepaintMatchesFullPaint_data();
    void dragRepaintMatchesFullPaint();
    void rightButtonEditsNodes();
    void clickReports();
    void parkingRunDrawnOnce();
    void trackPointClickFollowsView();
    void tilesDownloadedStoredAndShown();
    void badTileNotStored();
    void failedTileAskedAgainAfterBackOff();
    void setCenterAndMark();
    void zoomChangeFetchesOnlyTheNewView();
    void markerWithPhotoAndTail();
    void markerShowsNameAndToolTip();
    void rulerOnScreen();
    void pickPointTakesOneRightClick();
    void renderElsewhereIntoImage();
};

void tst_ZtMapControl::zoneHitTest_data()
{
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QPoint>("offset"); // from Home, in view pixels
    QTest::addColumn<int>("code");
    // Circle of 100 m around Home: about 79 px at zoom 16 and this latitude.
    QTest::addRow("circle centre") << true << QPoint(3, -4) << 1;
    QTest::addRow("circle rim") << true << QPoint(79, 0) << 2;
    QTest::addRow("circle rim, inner tolerance") << true << QPoint(0, -74) << 2;
    QTest::addRow("circle inside") << true << QPoint(30, 30) << 9;
    QTest::addRow("circle outside") << true << QPoint(100, 0) << -1;
    QTest::addRow("polygon node 0") << false << QPoint(2, -118) << 100;
    QTest::addRow("polygon node 3") << false << QPoint(-70, 100) << 103;
    QTest::addRow("polygon edge ending at node 3") << false << QPoint(0, 100) << 203;
    QTest::addRow("polygon edge from last to node 0") << false << QPoint(-55, -80) << 200;
    QTest::addRow("polygon inside, off the outline") << false << QPoint(30, 30) << 9;
    QTest::addRow("polygon outside its box") << false << QPoint(200, 0) << -1;
}

void tst_ZtMapControl::zoneHitTest()
{
    QFETCH(bool, circle);
    QFETCH(QPoint, offset);
    QFETCH(int, code);
    Fixture f;
    QVERIFY(f.Start());
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(circle ? Circle(Home, 100) : Polygon(Pentagon(f)));
    QCOMPARE(f.map->ZoneHitTest(f.At(Home) + offset, zones[0].get()), code);

    auto noCentre = std::make_unique<TZoneInfo>(9, TZoneInfo::Circle);
    QCOMPARE(f.map->ZoneHitTest(f.At(Home), noCentre.get()), -1);
}

void tst_ZtMapControl::dragCircleCentre()
{
    Fixture f;
    QVERIFY(f.Start());
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    // Centred exactly on a pixel, so that a move to that pixel is no move.
    zones.push_back(Circle(f.GeoAt(f.At(Home)), 100));
    f.map->SetGeoZones(&zones);
    int mapClicks = 0;
    f.map->OnLClickMap = [&](const TGeoPoint &) { ++mapClicks; return false; };
    f.Paint();
    QCOMPARE(f.map->EditedZone(), zones[0].get());
    const QRect view = f.map->ViewRect();
    const QPoint c = f.At(Home);

    QTest::mousePress(f.vp(), Qt::LeftButton, Qt::NoModifier, c);
    QVERIFY(f.log.last().contains(QStringLiteral("Start drag center zone: %1,%2").arg(c.x()).arg(c.y())));
    QTest::mouseMove(f.vp(), c); // no movement: nothing sent
    QVERIFY(f.cmds.isEmpty());
    QTest::mouseMove(f.vp(), c + QPoint(40, 25));
    QCOMPARE(f.map->ViewRect(), view); // the map did not pan
    QCOMPARE(mapClicks, 0);            // and no click was reported
    const TGeoPoint g = f.GeoAt(c + QPoint(40, 25));
    QCOMPARE(zones[0]->geom.center.Long, std::nearbyint(g.Long * 1e6) / 1e6);
    QCOMPARE(zones[0]->geom.center.Lat, std::nearbyint(g.Lat * 1e6) / 1e6);
    QCOMPARE(f.cmds.size(), 1);
    QCOMPARE(f.cmds[0], (QStringList{"update", "zone", "center", FloatToStrN(g.Lat, 4), FloatToStrN(g.Long, 4)}));
    QVERIFY(zones[0]->rect.Contains(zones[0]->geom.center)); // bounds follow

    // A move without a button ends the drag.
    QTest::mouseRelease(f.vp(), Qt::LeftButton, Qt::NoModifier, c + QPoint(40, 25));
    QTest::mouseMove(f.vp(), c + QPoint(80, 80));
    QTest::mouseMove(f.vp(), c + QPoint(90, 90));
    QCOMPARE(f.cmds.size(), 1);
}

void tst_ZtMapControl::dragCircleRim()
{
    Fixture f;
    QVERIFY(f.Start());
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Circle(Home, 100));
    f.map->SetGeoZones(&zones);
    f.Paint();
    const QPoint c = f.At(Home);
    QTest::mousePress(f.vp(), Qt::LeftButton, Qt::NoModifier, c + QPoint(79, 0));
    // About 4 m from the centre: under 5 m, nothing changes.
    QTest::mouseMove(f.vp(), c + QPoint(3, 0));
    QCOMPARE(zones[0]->geom.radius, 100.0);
    QVERIFY(f.cmds.isEmpty());
    // About 250 m out.
    QTest::mouseMove(f.vp(), c + QPoint(198, 0));
    const double d = ArcDistance(Home, f.GeoAt(c + QPoint(198, 0)));
    QVERIFY(d > 240 && d < 260);
    QCOMPARE(zones[0]->geom.radius, d);
    QCOMPARE(f.log.last(), QStringLiteral("\rNew zone radius: %1").arg(int(d)));
    QCOMPARE(f.cmds.last(), (QStringList{"update", "zone", "radius", FloatToStrN(d, 2)}));
    // Less than a metre more: ignored.
    QTest::mouseMove(f.vp(), c + QPoint(198, 0));
    QCOMPARE(f.cmds.size(), 1);
}

void tst_ZtMapControl::dragPolygonNode()
{
    Fixture f;
    QVERIFY(f.Start());
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Polygon(Pentagon(f)));
    f.map->SetGeoZones(&zones);
    f.Paint();
    const QPoint node2 = f.At(zones[0]->geom.nodes[2]);
    QTest::mousePress(f.vp(), Qt::LeftButton, Qt::NoModifier, node2);
    QTest::mouseMove(f.vp(), node2 + QPoint(30, 20));
    const TGeoPoint g = f.GeoAt(node2 + QPoint(30, 20));
    QCOMPARE(zones[0]->geom.nodes[2].Long, std::nearbyint(g.Long * 1e6) / 1e6);
    QCOMPARE(f.cmds.last(), (QStringList{"update", "zone", "node2", FloatToStrN(g.Lat, 4), FloatToStrN(g.Long, 4)}));
    QCOMPARE(zones[0]->geom.nodes.size(), 5);
}

// A drag repaints only around the zone, drawing the other zones, the markers
// and the tiles there afresh; what the screen ends up showing must be what
// a full paint of the same scene shows.
void tst_ZtMapControl::dragRepaintMatchesFullPaint_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("grip"); // node, centre or rim
    QTest::addRow("polygon node") << "polygon" << "node";
    QTest::addRow("polygon centre") << "polygon" << "centre";
    QTest::addRow("circle centre") << "circle" << "centre";
    QTest::addRow("circle rim") << "circle" << "rim";
}

void tst_ZtMapControl::dragRepaintMatchesFullPaint()
{
    QFETCH(QString, shape);
    QFETCH(QString, grip);
    Fixture f;
    QVERIFY(f.Start());
    QTRY_VERIFY_WITH_TIMEOUT(f.map->NetRequest().QueuedCount() == 0 && f.map->NetRequest().ActiveCount() == 0, 15000);
    f.map->SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    // A marker with a tail and two other zones, all crossing the drag's path.
    TObjectInfo obj(1, QStringLiteral("Van"));
    obj.track_color = 0x00A000;
    for (int dx : {-60, -30, 0}) {
        auto p = std::make_unique<TTrackPointInfo>(dx + 100, 1);
        const TGeoPoint g = f.Offset(60 + dx, 90);
        p->lat = g.Lat;
        p->lon = g.Long;
        obj.tail.push_back(std::move(p));
    }
    TObjectInfo *cell = &obj;
    f.map->MapMarks().Add(f.Offset(60, 90), QString())->Data = &cell;
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Circle(f.Offset(80, 60), 60, false));
    zones.push_back(Polygon({f.Offset(20, 40), f.Offset(150, 70), f.Offset(40, 160)}, false));
    zones.back()->color = 0xFF00FF;
    zones.push_back(shape == u"circle" ? Circle(f.Offset(40, 60), 80) : Polygon(Pentagon(f)));
    TZoneInfo *z = zones.back().get();
    f.map->SetGeoZones(&zones);
    f.Paint();

    QPoint at = f.At(z->geom.center);
    if (grip == u"node")
        at = f.At(z->geom.nodes[2]);
    if (grip == u"rim")
        for (int dx = 1; dx < 300 && f.map->ZoneHitTest(at, z) != 2; ++dx)
            at = f.At(z->geom.center) + QPoint(dx, 0);
    const int want = grip == u"node" ? TZtMapControl::NodeHit(2) : grip == u"rim" ? 2 : 1;
    QCOMPARE(f.map->ZoneHitTest(at, z), want);

    // The paints of the drag, each as the event loop runs it.
    struct Recorder : QObject
    {
        QRegion painted;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent *>(e)->region();
            return false;
        }
    } recorder;
    QTest::mousePress(f.vp(), Qt::LeftButton, Qt::NoModifier, at);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    f.vp()->installEventFilter(&recorder);
    const int cmds = f.cmds.size();
    for (int step = 1; step <= 6; ++step) {
        QTest::mouseMove(f.vp(), at + QPoint(9 * step, 6 * step));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    QTest::mouseRelease(f.vp(), Qt::LeftButton, Qt::NoModifier, at + QPoint(54, 36));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    f.vp()->removeEventFilter(&recorder);
    QCOMPARE(f.cmds.size(), cmds + 6);
    // Only part of the view was painted: the drag did not fall back to full paints.
    QVERIFY(!recorder.painted.isEmpty());
    const QRegion unpainted = QRegion(f.vp()->rect()) - recorder.painted;
    QVERIFY(!unpainted.isEmpty());

    const QPoint origin = f.vp()->mapTo(f.map.get(), QPoint(0, 0));
    auto screen = [&] {
        return f.map->screen()->grabWindow(f.map->winId(), origin.x(), origin.y(), f.vp()->width(), f.vp()->height())
            .toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage dragged = screen();
    f.vp()->repaint();
    const QImage full = screen();
    QCOMPARE(dragged.size(), f.vp()->size());
    if (dragged != full) {
        QRect differ;
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x)
                if (dragged.pixel(x, y) != full.pixel(x, y))
                    differ |= QRect(x, y, 1, 1);
        QFAIL(qPrintable(QStringLiteral("the dragged view differs from a full paint within %1,%2 %3x%4")
                             .arg(differ.x()).arg(differ.y()).arg(differ.width()).arg(differ.height())));
    }
}

void tst_ZtMapControl::rightButtonEditsNodes()
{
    Fixture f;
    QVERIFY(f.Start());
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Polygon(Pentagon(f)));
    f.map->SetGeoZones(&zones);
    int rightClicks = 0;
    f.map->OnRClickMap = [&](const TGeoPoint &) { ++rightClicks; return false; };
    f.Paint();
    TZoneInfo &z = *zones[0];

    // On the edge from the last node to node 0: the midpoint goes in at 0.
    const TGeoPoint first = z.geom.nodes[0], last = z.geom.nodes[4];
    const QPoint onEdge = (f.At(first) + f.At(last)) / 2;
    QCOMPARE(f.map->ZoneHitTest(onEdge, &z), 200);
    QTest::mousePress(f.vp(), Qt::RightButton, Qt::NoModifier, onEdge);
    QCOMPARE(z.geom.nodes.size(), 6);
    QCOMPARE(z.geom.nodes[0].Long, std::min(first.Long, last.Long) + std::fabs(first.Long - last.Long) / 2);
    QCOMPARE(z.geom.nodes[0].Lat, std::min(first.Lat, last.Lat) + std::fabs(first.Lat - last.Lat) / 2);
    QCOMPARE(z.geom.nodes[1].Long, first.Long);
    QCOMPARE(f.cmds.last(), (QStringList{"update", "zone", "add node", "0"}));

    // Deleting down to three nodes, then refused.
    for (int expected : {5, 4, 3}) {
        f.Paint();
        QTest::mousePress(f.vp(), Qt::RightButton, Qt::NoModifier, f.At(z.geom.nodes[1]));
        QCOMPARE(z.geom.nodes.size(), expected);
    }
    QCOMPARE(f.cmds.last(), (QStringList{"update", "zone", "del node", "1"}));
    f.Paint();
    QTest::mousePress(f.vp(), Qt::RightButton, Qt::NoModifier, f.At(z.geom.nodes[1]));
    QCOMPARE(z.geom.nodes.size(), 3);
    QCOMPARE(f.log.last(), QStringLiteral("\r  x: too little nodes"));
    QCOMPARE(rightClicks, 0); // an edited zone takes the right button from the map
}

void tst_ZtMapControl::clickReports()
{
    Fixture f;
    QVERIFY(f.Start());
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Polygon(Pentagon(f), false));
    zones.push_back(Circle(f.Offset(300, 0), 50, false));
    f.map->SetGeoZones(&zones);
    TObjectInfo obj(1, QStringLiteral("phone"));
    TObjectInfo *cell = &obj;
    TMapMark *mark = f.map->MapMarks().Add(f.Offset(-200, 150), QString());
    mark->Data = &cell;
    f.Paint();

    QList<TZoneInfo *> zoneHits;
    QList<TMapMark *> markHits;
    QList<TGeoPoint> mapClicks;
    bool consume = false;
    f.map->OnClickZone = [&](TZoneInfo *z) { zoneHits << z; };
    f.map->OnClickMapMark = [&](TMapMark *m) { markHits << m; };
    f.map->OnLClickMap = [&](const TGeoPoint &g) { mapClicks << g; return consume; };

    // Inside the polygon's box, away from its outline.
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, f.At(Home) + QPoint(30, 30));
    QCOMPARE(zoneHits, QList<TZoneInfo *>{zones[0].get()});
    QVERIFY(markHits.isEmpty());
    QCOMPARE(mapClicks.size(), 1);
    // Over the marker's icon, above its point.
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, f.At(mark->Coord) + QPoint(5, -30));
    QCOMPARE(markHits, QList<TMapMark *>{mark});
    // A map click handler that consumes the press stops the reports and the drag.
    consume = true;
    const QRect view = f.map->ViewRect();
    QTest::mousePress(f.vp(), Qt::LeftButton, Qt::NoModifier, f.At(zones[1]->geom.center));
    QTest::mouseMove(f.vp(), QPoint(10, 10));
    QTest::mouseRelease(f.vp(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(zoneHits.size(), 1);
    QCOMPARE(f.map->ViewRect(), view);
}

namespace {

// A west-to-east track through Home; points 3..7 are a parking run placed
// off the line, so that only what the layer draws for them shows there.
std::unique_ptr<TGeoTrack> ParkingTrack(Fixture &f)
{
    auto track = std::make_unique<TGeoTrack>(QStringLiteral("1"));
    TGeoTrackStyle st = track->Style();
    st.PointSize = 16;
    st.LineWidth = 2;
    st.LineColor = 0x000000;            // black
    st.PointColor = 0x008000;           // green
    st.PointBgColor = 0x00FFFF;         // yellow
    track->SetStyle(st);
    const QList<QPoint> at = {{-300, 0}, {-200, 0}, {-100, 0}, {0, 0},  {0, -60},
                              {60, -60}, {60, 45},  {30, 30},  {100, 0}, {200, 0}};
    for (int i = 0; i < at.size(); ++i) {
        auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
        const TGeoPoint g = f.Offset(at[i].x(), at[i].y());
        p->lat = g.Lat;
        p->lon = g.Long;
        p->src = 0;
        p->IsParking = i >= 3 && i <= 7;
        track->Points().push_back(std::move(p));
    }
    return track;
}

bool IsBlue(QRgb c)
{
    return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
}

} // namespace

void tst_ZtMapControl::parkingRunDrawnOnce()
{
    Fixture f;
    QVERIFY(f.Start());
    f.map->SetMapOptions(moDontDrawCopyright | moDontDrawScale);
    f.map->GeoTracks().push_back(ParkingTrack(f));
    f.Paint();
    const QImage shot = f.vp()->grab().toImage();
    const QPoint home = f.At(Home);
    auto px = [&](int dx, int dy) { return shot.pixel(home + QPoint(dx, dy)); };
    // One blue square at the run's first point, with the white P inside.
    QVERIFY(IsBlue(px(-6, 6)));
    QVERIFY(IsBlue(px(6, 6)));
    QCOMPARE(QColor(px(-3, 0)), QColor(Qt::white));
    // The other points of the run get no glyph and no line.
    for (const QPoint &p : {QPoint(0, -60), QPoint(60, -60), QPoint(60, 45), QPoint(30, 30)}) {
        QVERIFY2(!IsBlue(px(p.x(), p.y())), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY2(QColor(px(p.x(), p.y())) != QColor(Qt::black), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    }
    // The line leaves the run's first point straight for the next point...
    QCOMPARE(QColor(px(50, 0)), QColor(Qt::black));
    // ...and ordinary points have their yellow glyphs.
    QCOMPARE(QColor(px(100, 0)), QColor(Qt::yellow));
    QCOMPARE(QColor(px(-200, 0)), QColor(Qt::yellow));
}

void tst_ZtMapControl::trackPointClickFollowsView()
{
    Fixture f;
    QVERIFY(f.Start());
    f.map->GeoTracks().push_back(ParkingTrack(f));
    TGeoTrack &track = *f.map->GeoTracks()[0];
    f.Paint();
    QList<TTrackPointInfo *> hits;
    f.map->OnClickTrackPoint = [&](TTrackPointInfo *tp) { hits << tp; };
    const QPoint second = f.At(Home) + QPoint(-200, 0);
    // Paints leave the records alone; the positions are written on demand.
    f.map->UpdateMapPoints();
    QCOMPARE(track.Points()[1]->MapPoint, second);
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, second + QPoint(3, 2));
    QCOMPARE(hits, QList<TTrackPointInfo *>{track.Points()[1].get()});

    // Scrolled far away, the point is no longer under its old position.
    f.map->ScrollMapBy(5000, 0);
    f.Paint();
    hits.clear();
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, second + QPoint(3, 2));
    QVERIFY(hits.isEmpty());
    QVERIFY(track.Points()[1]->MapPoint.isNull());

    // Back in view, the click finds it again; a hidden track is not clicked.
    f.map->ScrollMapBy(-5000, 0);
    f.Paint();
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, second + QPoint(3, 2));
    QCOMPARE(hits, QList<TTrackPointInfo *>{track.Points()[1].get()});
    track.SetVisible(false);
    f.Paint();
    hits.clear();
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, second + QPoint(3, 2));
    QVERIFY(hits.isEmpty());
    QVERIFY(track.Points()[1]->MapPoint.isNull());
}

void tst_ZtMapControl::tilesDownloadedStoredAndShown()
{
    Fixture f;
    QVERIFY(f.Start());
    // Every visible tile arrives, is shown, and is kept on disk.
    QTRY_COMPARE_WITH_TIMEOUT(f.vp()->grab().toImage().pixelColor(400, 300), QColor(200, 220, 200), 15000);
    const QRect view = f.map->ViewRect();
    const TTile tile{16, quint32(view.center().x() / 256), quint32(view.center().y() / 256)};
    QTRY_VERIFY(QFile::exists(f.map->TileStorage().TilePath(tile)));
    QVERIFY(f.map->TileStorage().TilePath(tile).startsWith(f.dir.path()));
    // A new layer on the same cache needs no download for them. Count once the
    // first layer is gone: tiles beside the view may still have been arriving.
    f.map.reset();
    const int hits = f.tileHits;
    TZtMapControl again(nullptr, 0, f.dir.path(), f.server.baseUrl() + "/tiles/{z}/{x}/{y}.png");
    QVERIFY(!again.TileStorage().GetTile(tile).isNull());
    QCOMPARE(int(f.tileHits), hits);
}

void tst_ZtMapControl::badTileNotStored()
{
    Fixture f;
    f.tileBody = "<html><body>Too many requests</body></html>";
    QVERIFY(f.Start(14));
    QTRY_VERIFY_WITH_TIMEOUT(f.tileHits > 4, 15000);
    QTRY_VERIFY(!f.log.filter(QStringLiteral("not a PNG image")).isEmpty());
    QCOMPARE(f.log.filter(QStringLiteral("not a PNG image")).size(), 1); // said once, not per tile
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
}

void tst_ZtMapControl::failedTileAskedAgainAfterBackOff()
{
    Fixture f;
    f.down = true;
    QVERIFY(f.Start());
    f.map->SetTileRetryDelay(1500);
    auto idle = [&] { return f.map->TilesSettled(); };
    QTRY_VERIFY_WITH_TIMEOUT(f.tileHits > 0 && idle(), 15000);
    QTRY_VERIFY(!f.log.filter(QStringLiteral("503")).isEmpty());
    // While the server is away, paints within the back-off ask for nothing.
    const int failed = f.tileHits;
    for (int i = 0; i < 5; ++i) {
        f.Paint();
        QTest::qWait(20);
    }
    QCOMPARE(int(f.tileHits), failed);
    QVERIFY(f.vp()->grab().toImage().pixelColor(400, 300) != QColor(200, 220, 200));
    // Back again: the same view, without a zoom change or any paint asked for
    // from outside, fills in by itself (what the screen shows is read).
    f.down = false;
    auto screen = [&](int x, int y) {
        const QPoint at = f.vp()->mapTo(f.map.get(), QPoint(x, y));
        return f.map->screen()->grabWindow(f.map->winId(), at.x(), at.y(), 1, 1).toImage().pixelColor(0, 0);
    };
    QTRY_COMPARE_WITH_TIMEOUT(screen(400, 300), QColor(200, 220, 200), 10000);
    // Tiles that failed a little later follow after their own back-off.
    QTRY_COMPARE_WITH_TIMEOUT(screen(20, 20), QColor(200, 220, 200), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(screen(780, 580), QColor(200, 220, 200), 10000);
}

void tst_ZtMapControl::setCenterAndMark()
{
    Fixture f;
    QVERIFY(f.Start(12));
    const QRect view = f.map->ViewRect();
    f.map->SetCenter(15, qQNaN(), 56.0);
    f.map->SetCenter(15, 58.0, qQNaN());
    QCOMPARE(f.map->Zoom(), 12);
    QCOMPARE(f.map->ViewRect(), view);
    QVERIFY(!f.map->SetMark(14, qQNaN(), 1.0));

    TMapMark *m = f.map->SetMark(14, 58.01, 56.3);
    QVERIFY(m);
    QCOMPARE(f.map->Zoom(), 14);
    QCOMPARE(f.map->MapMarks().Count(), 1);
    QCOMPARE(m->GlyphStyle.Shape, TMapMarkGlyphShape::gshTriangle);
    QCOMPARE(m->GlyphStyle.BgColor, QColor(0, 128, 0));
    QCOMPARE(m->Width, 24);
    const QPoint p = f.At(m->Coord);
    QVERIFY(qAbs(p.x() - 400) <= 1 && qAbs(p.y() - 300) <= 1);
}

void tst_ZtMapControl::zoomChangeFetchesOnlyTheNewView()
{
    // Changing the zoom while centring must not fetch the tiles around the
    // old position at the new zoom.
    Fixture f;
    QVERIFY(f.Start(12));
    QTRY_VERIFY_WITH_TIMEOUT(f.map->NetRequest().QueuedCount() == 0 && f.map->NetRequest().ActiveCount() == 0, 15000);
    {
        std::lock_guard<std::mutex> lock(f.pathsLock);
        f.paths.clear();
    }
    f.map->SetCenter(15, 48.85, 2.35);
    f.map->viewport()->repaint();
    QTRY_VERIFY_WITH_TIMEOUT(f.map->NetRequest().QueuedCount() == 0 && f.map->NetRequest().ActiveCount() == 0, 15000);
    const QRect cache = f.map->CacheImageRect();
    std::lock_guard<std::mutex> lock(f.pathsLock);
    QVERIFY(!f.paths.isEmpty());
    for (const QString &path : f.paths) {
        const QStringList p = path.split(QLatin1Char('/')); // "", tiles, z, x, y.png
        QCOMPARE(p[2], QStringLiteral("15"));
        QVERIFY2(cache.contains(QPoint(p[3].toInt() * 256, p[4].section('.', 0, 0).toInt() * 256)), qPrintable(path));
    }
}

void tst_ZtMapControl::markerWithPhotoAndTail()
{
    Fixture f;
    QVERIFY(f.Start());
    f.map->SetMapOptions(moDontDrawCopyright | moDontDrawScale);
    f.map->SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    TObjectInfo obj(1, QStringLiteral("phone"));
    obj.photo = QImage(64, 64, QImage::Format_RGB32);
    obj.photo.fill(Qt::magenta);
    obj.track_color = 0xFF0000; // blue
    for (int dx : {-150, -100, -50, 0}) {
        auto p = std::make_unique<TTrackPointInfo>(dx, 1);
        const TGeoPoint g = f.Offset(dx, 100);
        p->lat = g.Lat;
        p->lon = g.Long;
        obj.tail.push_back(std::move(p));
    }
    TObjectInfo *cell = &obj;
    TMapMark *mark = f.map->MapMarks().Add(f.Offset(0, 100), QString());
    mark->Data = &cell;
    f.Paint();
    const QImage shot = f.vp()->grab().toImage();
    const QPoint pt = f.At(mark->Coord);
    const QImage &icon = f.map->MarkerImages()[1];
    QCOMPARE(mark->Width, icon.width());
    // The photo shows in the round window; the tail runs west in blue.
    const QPoint window = pt + QPoint(0, -icon.height() + 4 + icon.width() / 2);
    QCOMPARE(QColor(shot.pixel(window)), QColor(Qt::magenta));
    QCOMPARE(QColor(shot.pixel(pt + QPoint(-75, 0))), QColor(Qt::blue));
    QVERIFY(!obj.icon.isNull()); // the round icon is kept with the object

    // Panned, the tail moves with its marker; a tail turned north is drawn anew.
    f.map->ScrollMapBy(37, 21);
    f.Paint();
    const QPoint moved = pt - QPoint(37, 21);
    QCOMPARE(QColor(f.vp()->grab().toImage().pixel(moved + QPoint(-75, 0))), QColor(Qt::blue));
    const TGeoPoint north = f.Offset(0, 0);
    obj.tail[0]->lat = north.Lat;
    obj.tail[0]->lon = north.Long;
    obj.tail[1]->lat = north.Lat;
    obj.tail[1]->lon = north.Long;
    obj.tail[2]->lat = north.Lat;
    obj.tail[2]->lon = north.Long;
    f.Paint();
    const QImage after = f.vp()->grab().toImage();
    QVERIFY(QColor(after.pixel(moved + QPoint(-75, 0))) != QColor(Qt::blue));
    QCOMPARE(QColor(after.pixel(moved + QPoint(0, -70))), QColor(Qt::blue));
}

namespace {

// Pixels of the label's dark text within the rectangle.
int DarkPixels(const QImage &Shot, const QRect &R)
{
    int n = 0;
    for (int y = R.top(); y <= R.bottom(); ++y)
        for (int x = R.left(); x <= R.right(); ++x) {
            const QColor c = Shot.pixelColor(x, y);
            n += c.red() < 90 && c.green() < 90 && c.blue() < 90;
        }
    return n;
}

} // namespace

void tst_ZtMapControl::markerShowsNameAndToolTip()
{
    Fixture f;
    QVERIFY(f.Start());
    f.map->SetMapOptions(moDontDrawCopyright | moDontDrawScale);
    f.map->SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    TObjectInfo obj(1, QStringLiteral("truck"));
    obj.name = QStringLiteral("Truck 12 Perm");
    obj.last_point->sys_dt = ParseDateTime(QStringLiteral("10.12.2026 09:30:05"));
    TObjectInfo *cell = &obj;
    TMapMark *mark = f.map->MapMarks().Add(f.Offset(-100, 50), QString());
    mark->Data = &cell;
    f.Paint();
    const QPoint pt = f.At(mark->Coord);
    // The name stands right of the pin, level with its head.
    const QRect label(pt + QPoint(18, -40), QSize(90, 24));
    const QRect far(pt + QPoint(60, -40), QSize(40, 24));
    QImage shot = f.vp()->grab().toImage();
    QVERIFY2(DarkPixels(shot, label) > 20, "no name beside the marker");
    QVERIFY(DarkPixels(shot, far) > 5);
    // A new name is drawn anew.
    obj.name = QStringLiteral("T");
    f.Paint();
    shot = f.vp()->grab().toImage();
    QVERIFY(DarkPixels(shot, label) > 0);
    QCOMPARE(DarkPixels(shot, far), 0);

    // Hovering the pin shows the name and the report time; off it, nothing.
    obj.name = QStringLiteral("Truck 12 Perm");
    QHelpEvent over(QEvent::ToolTip, pt + QPoint(0, -30), f.vp()->mapToGlobal(pt + QPoint(0, -30)));
    QApplication::sendEvent(f.vp(), &over);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Truck 12 Perm\n10.12.2026 09:30:05"));
    QHelpEvent off(QEvent::ToolTip, pt + QPoint(0, 30), f.vp()->mapToGlobal(pt + QPoint(0, 30)));
    QApplication::sendEvent(f.vp(), &off);
    QTRY_VERIFY(!QToolTip::isVisible());
    // A marker without a report time shows the name alone.
    obj.last_point->sys_dt = NoDateTime;
    QApplication::sendEvent(f.vp(), &over);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Truck 12 Perm"));
}

namespace {

int RedPixels(const QImage &Shot, const QRect &R)
{
    int n = 0;
    for (int y = R.top(); y <= R.bottom(); ++y)
        for (int x = R.left(); x <= R.right(); ++x) {
            const QColor c = Shot.pixelColor(x, y);
            n += c.red() > 150 && c.green() < 80 && c.blue() < 80;
        }
    return n;
}

// A right click as the window system reports it: the press, then the
// request for a context menu, then the release.
void RightClick(QWidget *Vp, const QPoint &At)
{
    QTest::mousePress(Vp, Qt::RightButton, Qt::NoModifier, At);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, At, Vp->mapToGlobal(At));
    QApplication::sendEvent(Vp, &menu);
    QTest::mouseRelease(Vp, Qt::RightButton, Qt::NoModifier, At);
}

QMenu *OpenMenu(QWidget *Map)
{
    for (QMenu *m : Map->findChildren<QMenu *>())
        if (m->isVisible())
            return m;
    return nullptr;
}

} // namespace

void tst_ZtMapControl::rulerOnScreen()
{
    Fixture f;
    QVERIFY(f.Start());
    f.map->SetMapOptions(moDontDrawCopyright | moDontDrawScale);
    QTRY_VERIFY(f.tileHits >= 6);
    f.Paint();
    const QImage plain = f.vp()->grab().toImage();
    QCOMPARE(RedPixels(plain, plain.rect()), 0);
    f.map->setFocus();
    const QRect view = f.map->ViewRect();
    QTest::keyClick(f.map.get(), Qt::Key_M);
    QVERIFY(f.map->Ruler().Active());
    const QPoint a(200, 300), b(500, 300), pointer(500, 450);
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, a);
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, b);
    QMouseEvent move(QEvent::MouseMove, QPointF(pointer), QPointF(f.vp()->mapToGlobal(pointer)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.vp(), &move);
    QCOMPARE(f.map->Ruler().Points().size(), 2);
    f.Paint();
    QImage shot = f.vp()->grab().toImage();
    QVERIFY(RedPixels(shot, QRect(340, 298, 20, 5)) > 10); // the measured leg
    QVERIFY(RedPixels(shot, QRect(498, 360, 5, 20)) > 10); // the leg to the pointer
    // The label beside the pointer: the map is not what shows there.
    QVERIFY(shot.copy(QRect(pointer + QPoint(16, 8), QSize(40, 12))) != plain.copy(QRect(pointer + QPoint(16, 8), QSize(40, 12))));
    // A click measures, not pans: the view stayed.
    QCOMPARE(f.map->ViewRect(), view);
    QTest::keyClick(f.map.get(), Qt::Key_Backspace);
    QCOMPARE(f.map->Ruler().Points().size(), 1);
    QTest::keyClick(f.map.get(), Qt::Key_Escape);
    QVERIFY(!f.map->Ruler().Active());
    f.Paint();
    shot = f.vp()->grab().toImage();
    QCOMPARE(RedPixels(shot, shot.rect()), 0);
    // Without the ruler a click is the map's again.
    int clicks = 0;
    f.map->OnLClickMap = [&](const TGeoPoint &) { ++clicks; return false; };
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, a);
    QCOMPARE(clicks, 1);
}

void tst_ZtMapControl::pickPointTakesOneRightClick()
{
    Fixture f;
    QVERIFY(f.Start());
    int rightClicks = 0;
    f.map->OnRClickMap = [&](const TGeoPoint &) { ++rightClicks; return false; };
    QList<TGeoPoint> picked;
    f.map->PickPoint([&](const TGeoPoint &p) { picked << p; });
    const QPoint at(321, 123);
    RightClick(f.vp(), at);
    QCOMPARE(picked.size(), 1);
    QCOMPARE(f.At(picked[0]), at);
    QCOMPARE(rightClicks, 0);
    QVERIFY(!OpenMenu(f.map.get())); // the click was put to use: no menu
    // The next right click is the map's: the owner hears of it, and the
    // map's menu offers the ruler.
    RightClick(f.vp(), at);
    QCOMPARE(picked.size(), 1);
    QCOMPARE(rightClicks, 1);
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = OpenMenu(f.map.get())));
    QVERIFY(!menu->actions().isEmpty());
    menu->actions().first()->trigger();
    menu->close();
    QVERIFY(f.map->Ruler().Active());
}

void tst_ZtMapControl::renderElsewhereIntoImage()
{
    Fixture f;
    QVERIFY(f.Start());
    // Another place and zoom than the screen's, in an image of its own size.
    const TGeoPoint there{37.6175, 55.7520};
    TMapView v;
    v.Zoom = 13;
    v.Rect = QRect(v.GeoToMap(there) - QPoint(150, 100), QSize(300, 200));
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Circle(there, 1000, false));
    zones[0]->color = 0x0000FF; // red
    f.map->SetGeoZones(&zones);
    // The screen's own tiles first: their paints would put them ahead in
    // the queue again and again.
    QTRY_VERIFY_WITH_TIMEOUT(f.map->NetRequest().QueuedCount() == 0 && f.map->NetRequest().ActiveCount() == 0, 20000);
    const QRect screenView = f.map->ViewRect();
    int missing = -1;
    const QImage img = RenderMapImage(*f.map, v, 10000, &missing);
    QCOMPARE(missing, 0);
    QCOMPARE(img.size(), QSize(300, 200));
    QCOMPARE(QColor(img.pixel(20, 20)), QColor(200, 220, 200)); // a tile
    const QPoint c = v.GeoToView(there);
    QCOMPARE(QColor(img.pixel(c + QPoint(TZoneLayer::RadiusPx(*zones[0], v), 0))), QColor(Qt::red));
    QCOMPARE(f.map->ViewRect(), screenView); // the screen's view is not moved
    // Written whole, and read back the same.
    const QString path = f.dir.filePath(QStringLiteral("view.png"));
    QVERIFY(SaveMapImage(img, path));
    QCOMPARE(QImage(path).convertToFormat(img.format()), img);
    QString error;
    QVERIFY(!SaveMapImage(img, f.dir.filePath(QStringLiteral("no/such/folder/view.png")), &error));
    QVERIFY(!error.isEmpty());

    // With the tile server away, the wait ends at its bound and says what is missing.
    f.down = true;
    v.Rect.translate(3000, 0);
    QElapsedTimer clock;
    clock.start();
    const QImage blank = RenderMapImage(*f.map, v, 500, &missing);
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(missing > 0);
    QCOMPARE(QColor(blank.pixel(20, 20)), QColor(230, 230, 230));
}

QTEST_MAIN(tst_ZtMapControl)
#include "tst_ZtMapControl.moc"
