#include "MonitorMap.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "OSM.ZtMapControl.h"
#include "TestHttpServer.h"
#include "common.h"

#include <QBuffer>
#include <QScreen>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

namespace {

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

// The window's map panel with the map handle in it, its tiles from a
// loopback server, waiting until every tile of the view has arrived so that
// nothing but the test repaints the map.
struct Fixture
{
    QTemporaryDir dir;
    QByteArray tile = PngBytes(QColor(200, 220, 200));
    TestHttpServer server;
    QWidget panel;
    std::unique_ptr<TMonitorMap> map;

    bool Start()
    {
        server.server().set_keep_alive_timeout(0);
        server.server().Get(R"(/tiles/(\d+)/(\d+)/(\d+)\.png)", [this](const httplib::Request &, httplib::Response &res) {
            res.set_content(tile.toStdString(), "image/png");
        });
        if (!server.start())
            return false;
        Config.SetVal("tile_url", server.baseUrl() + QStringLiteral("/tiles/{z}/{x}/{y}.png"));
        panel.setLayout(new QVBoxLayout);
        panel.layout()->setContentsMargins(0, 0, 0, 0);
        map = std::make_unique<TMonitorMap>(&panel, 0, dir.path());
        panel.resize(640, 480);
        panel.show();
        if (!QTest::qWaitForWindowExposed(&panel))
            return false;
        map->SetCenter(15, 57.998649, 56.27574);
        return Idle();
    }
    bool Idle()
    {
        TZtMapControl *c = map->Control();
        return QTest::qWaitFor([c] { return c->TilesSettled(); }, 15000);
    }
    QWidget *vp() { return map->Control()->viewport(); }
    // What the screen shows of the viewport (not a fresh rendering of it).
    QImage Screen()
    {
        const QPoint at = vp()->mapTo(&panel, QPoint(0, 0));
        return panel.screen()
            ->grabWindow(panel.winId(), at.x(), at.y(), vp()->width(), vp()->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    QPoint At(double Lat, double Lon)
    {
        return map->Control()->GeoPointToInnerPoint(TGeoPoint{Lon, Lat});
    }
    TGeoPoint GeoAt(const QPoint &p) { return map->Control()->MapToGeoCoords(map->Control()->ViewToMap(p)); }
};

bool IsMarkerRed(QRgb c)
{
    return qRed(c) > 180 && qGreen(c) < 90 && qBlue(c) < 90;
}

} // namespace

class tst_MonitorMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void repaintShowsMovedMarker();
    void handedZonesAreDrawn();
    void markerClickReportsCell();
};

void tst_MonitorMap::repaintShowsMovedMarker()
{
    Fixture f;
    QVERIFY(f.Start());
    TObjectInfo obj(1, QStringLiteral("phone"));
    TObjectInfo *cell = &obj;
    const TGeoPoint from = f.GeoAt(QPoint(200, 300)), to = f.GeoAt(QPoint(450, 200));
    QVERIFY(f.map->AddObjectMark(from.Lat, from.Long, &cell) >= 0);
    f.map->SetCenter(15, f.GeoAt(QPoint(320, 240)).Lat, f.GeoAt(QPoint(320, 240)).Long);
    QVERIFY(f.Idle());
    const QPoint a = f.At(from.Lat, from.Long), b = f.At(to.Lat, to.Long);
    // A point in the pin's body, left of its white centre.
    const QPoint body(-11, -28);
    // The screen shows the marker once the paint after the move is through.
    QTRY_VERIFY(IsMarkerRed(f.Screen().pixel(a + body)));
    QVERIFY(!IsMarkerRed(f.Screen().pixel(b + body)));

    // The minute update moves the marker and asks for a repaint; nothing else happens.
    f.map->MoveMark(0, to.Lat, to.Long);
    f.map->Repaint();
    // The screen shows the marker at its new place once the paint is through.
    QTRY_VERIFY2(IsMarkerRed(f.Screen().pixel(b + body)), "the marker is not shown at its new place");
    QVERIFY2(!IsMarkerRed(f.Screen().pixel(a + body)), "the marker is still shown at its old place");
}

void tst_MonitorMap::handedZonesAreDrawn()
{
    Fixture f;
    QVERIFY(f.Start());
    TZoneList zones;
    auto z = std::make_unique<TZoneInfo>(5, TZoneInfo::Circle);
    z->geom.center = f.GeoAt(QPoint(320, 240));
    z->geom.radius = 150;
    z->color = 0xFF0000; // blue
    z->visible = true;
    z->UpdateRect();
    zones.push_back(std::move(z));
    auto blueOnRim = [&] {
        const QImage shot = f.vp()->grab().toImage();
        // Along the row through the centre, somewhere right of it.
        for (int x = 330; x < 640; ++x) {
            const QColor c = shot.pixelColor(x, 240);
            if (c.blue() > 200 && c.red() < 60 && c.green() < 60)
                return true;
        }
        return false;
    };
    QVERIFY(!blueOnRim());
    f.map->SetZones(&zones);
    QVERIFY(blueOnRim());
    // The map holds the list: what changes in it shows at the next paint.
    zones[0]->visible = false;
    QVERIFY(!blueOnRim());
    f.map->SetZones(nullptr);
    zones[0]->visible = true;
    QVERIFY(!blueOnRim());
}

void tst_MonitorMap::markerClickReportsCell()
{
    Fixture f;
    QVERIFY(f.Start());
    TObjectInfo obj(1, QStringLiteral("phone"));
    TObjectInfo *cell = &obj;
    const TGeoPoint at = f.GeoAt(QPoint(300, 300));
    QVERIFY(f.map->AddObjectMark(at.Lat, at.Long, &cell) >= 0);
    // A plain mark without an object, as the map's own search result.
    f.map->Control()->SetMark(15, f.GeoAt(QPoint(100, 100)).Lat, f.GeoAt(QPoint(100, 100)).Long);
    f.map->SetCenter(15, at.Lat, at.Long);
    QList<TObjectInfo *const *> clicked;
    f.map->SetOnObjectClick([&](TObjectInfo *const *c) { clicked << c; });
    const QPoint p = f.At(at.Lat, at.Long);
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, p + QPoint(0, -30));
    QCOMPARE(clicked, QList<TObjectInfo *const *>{&cell});
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, p + QPoint(60, 60));
    TMapMarkList &marks = f.map->Control()->MapMarks();
    const TMapMark *plain = marks.Get(0)->Data ? marks.Get(1) : marks.Get(0);
    QTest::mouseClick(f.vp(), Qt::LeftButton, Qt::NoModifier, f.At(plain->Coord.Lat, plain->Coord.Long) + QPoint(0, -5));
    QCOMPARE(clicked.size(), 1);
}

QTEST_MAIN(tst_MonitorMap)
#include "tst_MonitorMap.moc"
