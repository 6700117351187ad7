// Offline map tiles: the routes land where the map projection puts them.

#include "SimGeo.h"
#include "SimTileRenderer.h"

#include <QImage>
#include <QTest>

class TestSimTileRenderer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void routeDrawnAtItsPosition_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addRow("city") << 12;
        QTest::addRow("street") << 16;
    }

    void routeDrawnAtItsPosition()
    {
        QFETCH(int, zoom);
        const SimRoute::Node a = SimRoute::gridNode(0, 0), b = SimRoute::gridNode(4, 0);
        SimTileRenderer r({SimRoute({a, b})}, 1);
        // The middle of the route, in world pixels, and the tile that holds it.
        const double lat = (a.lat + b.lat) / 2, lon = (a.lon + b.lon) / 2;
        const double px = SimGeo::lonToPixelX(lon, zoom), py = SimGeo::latToPixelY(lat, zoom);
        const int x = int(px / 256), y = int(py / 256);
        QImage tile;
        QVERIFY(tile.loadFromData(r.png(zoom, x, y), "PNG"));
        QCOMPARE(tile.size(), QSize(256, 256));
        const QColor onRoute = tile.pixelColor(int(px) - x * 256, int(py) - y * 256);
        QVERIFY2(onRoute.red() > 240 && onRoute.green() > 200 && onRoute.blue() < 190, qPrintable(onRoute.name()));

        // Without the route the same place is plain map.
        SimTileRenderer empty({}, 1);
        QVERIFY(tile.loadFromData(empty.png(zoom, x, y), "PNG"));
        QVERIFY(tile.pixelColor(int(px) - x * 256, int(py) - y * 256).blue() > 200);
    }

    void cacheKeys()
    {
        SimTileRenderer r({}, 1), other({}, 2);
        QVERIFY(r.png(21, 0, 0).isEmpty());
        QVERIFY(r.png(2, 4, 0).isEmpty());
        QVERIFY(r.png(2, 0, -1).isEmpty());
        QVERIFY(!r.png(0, 0, 0).isEmpty());
        QCOMPARE(r.etag(5, 1, 2), r.etag(5, 1, 2));
        QVERIFY(r.etag(5, 1, 2) != r.etag(5, 2, 1));
        QVERIFY(r.etag(5, 1, 2) != other.etag(5, 1, 2)); // another world draws other streets
    }
};

QTEST_GUILESS_MAIN(TestSimTileRenderer)
#include "tst_SimTileRenderer.moc"
