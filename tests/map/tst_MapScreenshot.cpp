#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "OSM.ZtMapControl.h"
#include "TestHttpServer.h"
#include "TestPaths.h"

#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// A tile that looks like a light street map and names itself.
QByteArray TileBytes(int z, int x, int y)
{
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(QColor(242, 239, 233));
    QPainter p(&img);
    p.setPen(QPen(QColor(255, 255, 255), 6));
    for (int i = 32; i < 256; i += 64) {
        p.drawLine(i, 0, i, 256);
        p.drawLine(0, i, 256, i);
    }
    p.fillRect(QRect(80, 80, 30, 30), QColor(200, 230, 200));
    p.setPen(QColor(200, 200, 200));
    p.drawRect(0, 0, 255, 255);
    p.setPen(QColor(150, 150, 150));
    p.drawText(QRect(0, 0, 256, 20), Qt::AlignCenter, QStringLiteral("%1/%2/%3").arg(z).arg(x).arg(y));
    p.end();
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

} // namespace

class tst_MapScreenshot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mapWithEverything();
};

void tst_MapScreenshot::mapWithEverything()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X server");
    TestHttpServer server;
    server.server().set_keep_alive_timeout(0);
    server.server().Get(R"(/(\d+)/(\d+)/(\d+)\.png)", [](const httplib::Request &req, httplib::Response &res) {
        const QByteArray png = TileBytes(std::stoi(req.matches[1]), std::stoi(req.matches[2]), std::stoi(req.matches[3]));
        res.set_content(png.toStdString(), "image/png");
    });
    QVERIFY(server.start());
    QTemporaryDir dir;
    TZtMapControl map(nullptr, 0, dir.path(), server.baseUrl() + "/{z}/{x}/{y}.png");
    map.resize(1024, 700);
    map.SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    const TGeoPoint home{56.27574, 57.998649};
    map.SetCenter(15, home.Lat, home.Long);
    auto geo = [&](int dx, int dy) {
        return map.MapToGeoCoords(map.ViewToMap(map.GeoPointToInnerPoint(home) + QPoint(dx, dy)));
    };

    // Zones: a circle being edited and a polygon.
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    auto circle = std::make_unique<TZoneInfo>(1, TZoneInfo::Circle);
    circle->geom.center = geo(250, -150);
    circle->geom.radius = 300;
    circle->color = 0x00A000;
    circle->visible = circle->edited = true;
    circle->UpdateRect();
    zones.push_back(std::move(circle));
    auto poly = std::make_unique<TZoneInfo>(2, TZoneInfo::Poligon);
    poly->geom.nodes = {geo(-400, -250), geo(-180, -280), geo(-150, -80), geo(-380, -60)};
    poly->color = 0xC00080;
    poly->visible = true;
    poly->UpdateRect();
    zones.push_back(std::move(poly));
    map.SetGeoZones(&zones);

    // A track with bearings, a Wi-Fi stretch, a parking run and an event.
    auto track = std::make_unique<TGeoTrack>(QStringLiteral("1"));
    track->SetStyle(GeoTrackStyle(1));
    for (int i = 0; i < 40; ++i) {
        auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
        const int dx = -420 + i * 22, dy = 180 + int(60 * std::sin(i / 5.0));
        const TGeoPoint g = geo(dx, dy);
        p->lat = g.Lat;
        p->lon = g.Long;
        p->angle = 90 - std::atan(12 * std::cos(i / 5.0) / 22) * 180 / M_PI;
        p->src = (i >= 10 && i < 15) ? 2 : 0;
        p->IsParking = i >= 20 && i < 25;
        p->HasEvent = i == 30;
        if (i == 35)
            p->osm_id = QStringLiteral("addr");
        track->Points().push_back(std::move(p));
    }
    map.GeoTracks().push_back(std::move(track));

    // Two objects: one with a photo, one without, both with tails.
    std::vector<std::unique_ptr<TObjectInfo>> objects;
    std::vector<TObjectInfo *> cells;
    for (int k = 0; k < 2; ++k) {
        auto obj = std::make_unique<TObjectInfo>(k + 1, QStringLiteral("obj%1").arg(k));
        obj->track_color = k ? 0x0000FF : 0xFF0000;
        if (k == 0) {
            obj->photo = QImage(64, 64, QImage::Format_RGB32);
            QPainter p(&obj->photo);
            p.fillRect(obj->photo.rect(), QColor(250, 200, 120));
            p.setBrush(QColor(120, 70, 40));
            p.drawEllipse(16, 12, 32, 36);
        }
        for (int j = 0; j < 6; ++j) {
            auto tp = std::make_unique<TTrackPointInfo>(j, k + 1);
            const TGeoPoint g = geo(-60 + k * 200 - (5 - j) * 25, -20 + k * 40 + (5 - j) * 10);
            tp->lat = g.Lat;
            tp->lon = g.Long;
            obj->tail.push_back(std::move(tp));
        }
        objects.push_back(std::move(obj));
    }
    for (auto &o : objects)
        cells.push_back(o.get());
    for (size_t k = 0; k < objects.size(); ++k) {
        TMapMark *m = map.MapMarks().Add(objects[k]->tail.back()->GeoPoint(), QString());
        m->Data = &cells[k];
    }
    map.SetMark(15, geo(100, 100).Lat, geo(100, 100).Long)->Caption = QStringLiteral("found");
    map.SetCenter(15, home.Lat, home.Long);

    // Wait for every tile of the view.
    QTRY_VERIFY_WITH_TIMEOUT(map.TilesSettled(), 20000);
    map.viewport()->repaint();
    const QImage shot = map.grab().toImage();
    const QString path = TestPaths::artifactsDir() + QStringLiteral("/map_screenshot.png");
    QVERIFY(shot.save(path));
    // The tiles arrived: the placeholder's green text is gone from the middle.
    QCOMPARE(QColor(shot.pixel(map.viewport()->mapTo(&map, QPoint(3, 3)))), QColor(242, 239, 233));
}

int main(int argc, char **argv)
{
    // Without an X server the test is skipped rather than aborted by xcb.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tst_MapScreenshot test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_MapScreenshot.moc"
