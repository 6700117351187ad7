#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZtMapControl.h"
#include "TestHttpServer.h"
#include "TestPaths.h"
#include "common.h"

#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>

namespace {

const QColor Ground(242, 239, 233);

// A tile of the given edge in a light ground colour, with a checkerboard of
// single pixels in its top-left 16 x 16 corner: scaling blurs or doubles it.
QByteArray TileBytes(int Edge)
{
    QImage img(Edge, Edge, QImage::Format_RGB32);
    img.fill(Ground);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            img.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

// Aligned 2 x 2 blocks of device pixels in the rectangle whose pixels are not
// all alike. Content drawn at the view's pixels and doubled has none.
int MixedBlocks(const QImage &Shot, const QRect &DeviceRect)
{
    int n = 0;
    for (int y = DeviceRect.top() & ~1; y + 1 <= DeviceRect.bottom(); y += 2)
        for (int x = DeviceRect.left() & ~1; x + 1 <= DeviceRect.right(); x += 2) {
            const QRgb c = Shot.pixel(x, y);
            n += Shot.pixel(x + 1, y) != c || Shot.pixel(x, y + 1) != c || Shot.pixel(x + 1, y + 1) != c;
        }
    return n;
}

} // namespace

class tst_MapHiDpi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sharpAtTwiceTheDensity_data();
    void sharpAtTwiceTheDensity();
};

void tst_MapHiDpi::sharpAtTwiceTheDensity_data()
{
    QTest::addColumn<bool>("hidpiSource");
    QTest::addRow("tiles of 512 pixels configured") << true;
    QTest::addRow("ordinary tiles scaled") << false;
}

void tst_MapHiDpi::sharpAtTwiceTheDensity()
{
    QFETCH(bool, hidpiSource);
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs an X server");
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    std::atomic<int> plainHits{0}, denseHits{0};
    const QByteArray plain = TileBytes(256), dense = TileBytes(512);
    TestHttpServer server;
    server.server().set_keep_alive_timeout(0);
    server.server().Get(R"(/(plain|dense)/(\d+)/(\d+)/(\d+)\.png)", [&](const httplib::Request &req, httplib::Response &res) {
        const bool d = req.matches[1] == "dense";
        ++(d ? denseHits : plainHits);
        res.set_content((d ? dense : plain).toStdString(), "image/png");
    });
    QVERIFY(server.start());
    Config.SetVal("tile_url_hidpi", hidpiSource ? server.baseUrl() + "/dense/{z}/{x}/{y}.png" : QString());
    QTemporaryDir dir;
    TZtMapControl map(nullptr, 0, dir.path(), server.baseUrl() + "/plain/{z}/{x}/{y}.png");
    map.setFrameShape(QFrame::NoFrame);
    map.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    map.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    map.resize(800, 600);
    map.SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    const TGeoPoint home{56.27574, 57.998649};
    map.SetCenter(15, home.Lat, home.Long);
    auto geo = [&](int dx, int dy) {
        return map.MapToGeoCoords(map.ViewToMap(map.GeoPointToInnerPoint(home) + QPoint(dx, dy)));
    };

    // A slanting track with round glyphs, and an object marker with its name.
    auto track = std::make_unique<TGeoTrack>(QStringLiteral("1"));
    TGeoTrackStyle st = track->Style();
    st.PointSize = 14;
    st.LineWidth = 2;
    track->SetStyle(st);
    for (int i = 0; i < 8; ++i) {
        auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
        const TGeoPoint g = geo(-300 + i * 60, 150 - i * 25);
        p->lat = g.Lat;
        p->lon = g.Long;
        track->Points().push_back(std::move(p));
    }
    map.GeoTracks().push_back(std::move(track));
    TObjectInfo obj(1, QStringLiteral("car"));
    obj.name = QStringLiteral("Volvo 7");
    TObjectInfo *cell = &obj;
    TMapMark *mark = map.MapMarks().Add(geo(150, -100), QString());
    mark->Data = &cell;

    QTRY_VERIFY_WITH_TIMEOUT(map.TilesSettled(), 20000);
    map.viewport()->repaint();
    const QImage shot = map.viewport()->grab().toImage();
    QCOMPARE(shot.size(), QSize(1600, 1200));
    QVERIFY(shot.save(TestPaths::artifactsDir()
                      + (hidpiSource ? QStringLiteral("/map_hidpi_dense_tiles.png") : QStringLiteral("/map_hidpi_scaled_tiles.png"))));

    // Tiles: from the dense source when it is configured, and then shown
    // pixel for pixel; otherwise the ordinary ones, smoothed rather than
    // doubled.
    QCOMPARE(denseHits > 0, hidpiSource);
    QCOMPARE(plainHits > 0, !hidpiSource);
    const QRect view = map.ViewRect();
    const QPoint corner = (QPoint((view.left() / 256 + 1) * 256, (view.top() / 256 + 1) * 256) - view.topLeft()) * 2;
    if (hidpiSource) {
        for (int i = 0; i < 8; ++i)
            QCOMPARE(QColor(shot.pixel(corner + QPoint(i, 2))), (i % 2) ? QColor(Qt::black) : QColor(Qt::white));
    } else {
        const QColor mid = shot.pixelColor(corner + QPoint(8, 9));
        QVERIFY2(mid.red() > 40 && mid.red() < 215, qPrintable(mid.name())); // a blend, not black or white
    }

    // The track's glyphs and the marker's label are drawn at device pixels.
    const QPoint glyph = map.GeoPointToInnerPoint(map.GeoTracks()[0]->Points()[3]->GeoPoint());
    QVERIFY2(MixedBlocks(shot, QRect((glyph - QPoint(8, 8)) * 2, QSize(32, 32))) > 4, "the track is doubled");
    const QPoint pin = map.GeoPointToInnerPoint(mark->Coord);
    QVERIFY2(MixedBlocks(shot, QRect((pin + QPoint(18, -36)) * 2, QSize(100, 30))) > 10, "the label is doubled");
    QVERIFY2(MixedBlocks(shot, QRect((pin + QPoint(-16, -44)) * 2, QSize(64, 96))) > 10, "the pin is doubled");
}

int main(int argc, char **argv)
{
    // The whole program at twice the density, as on a HiDPI screen.
    qputenv("QT_SCALE_FACTOR", "2");
    // Without an X server the test is skipped rather than aborted by xcb.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tst_MapHiDpi test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_MapHiDpi.moc"
