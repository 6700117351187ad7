// A track painted from tiles must give the pixels of painting it whole: the
// tiles meet without seams whatever their size, and changed points or styles
// are drawn anew.
#include "OSM.GeoTrack.h"
#include "MapRange.h"
#include "OSM.SlippyMapUtils.h"
#include "OSM.TrackGlyphs.h"
#include "OSM.TrackLayerTiles.h"
#include "OSM.TrackLineMask.h"
#include "OSM.TrackScreenCache.h"

#include <QPainter>
#include <QtTest>

#include <random>

namespace {

const double HomeLat = 57.998649, HomeLon = 56.27574;
const int Zoom = 15;

// A seeded walk over the town with parking runs, events, bearings and wifi
// fixes; Jump spreads the points so that segments reach over many tiles.
std::unique_ptr<TGeoTrack> Walk(int Points, double Jump, int PointSize, int LineWidth)
{
    auto t = std::make_unique<TGeoTrack>(QStringLiteral("1"));
    TGeoTrackStyle st = GeoTrackStyle(1);
    st.PointSize = PointSize;
    st.LineWidth = LineWidth;
    t->SetStyle(st);
    std::mt19937 rng(7);
    std::normal_distribution<double> step(0, Jump);
    double lat = HomeLat, lon = HomeLon;
    for (int i = 0; i < Points; ++i) {
        lat = std::clamp(lat + step(rng), HomeLat - 0.02, HomeLat + 0.02);
        lon = std::clamp(lon + step(rng) * 2, HomeLon - 0.04, HomeLon + 0.04);
        auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
        p->lat = lat;
        p->lon = lon;
        p->angle = double(rng() % 360);
        p->src = i % 7 == 0 ? 2 : 0;
        p->IsParking = (i / 20) % 6 == 0;
        p->HasEvent = i % 31 == 0;
        if (i % 53 == 0)
            p->osm_id = QStringLiteral("a");
        t->Points().push_back(std::move(p));
    }
    return t;
}

QImage PaintLayer(TTrackLayerTiles &tiles, const TGeoTrack &track, TTrackScreenCache &cache, const QPoint &off,
                  const QSize &view)
{
    QImage img(view, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    cache.Update(track, Zoom);
    tiles.Paint(p, track, cache, off, view);
    return img;
}

// A view with nothing drawn on it.
QImage Blank(const QSize &view)
{
    QImage img(view, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// The view's top-left that centres it on the track.
QPoint CentreOffset(TTrackScreenCache &cache, const TGeoTrack &track, const QSize &view)
{
    cache.Update(track, Zoom);
    QRect box;
    for (const QPoint &p : cache.MapPixels())
        if (p.x() != TTrackScreenCache::NoPosition)
            box |= QRect(p, QSize(1, 1));
    return box.center() - QPoint(view.width() / 2, view.height() / 2);
}

} // namespace

class tst_TrackLayerTiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tilesMeetWithoutSeams_data();
    void tilesMeetWithoutSeams();
    void tilesGiveThePixelsOfDrawingInPlace();
    void trackAcrossTheWorld();
    void lineMaskClipsWithoutMovingPixels();
    void changesAreDrawnAnew();
    void cacheUsesTheMapPixels();
    void parkingsDrawnAtTheirCentre_data();
    void parkingsDrawnAtTheirCentre();
    void pointsBeyondTheMapAreNotDrawn_data();
    void pointsBeyondTheMapAreNotDrawn();
};

// The cache projects once per track and scales per zoom; every point must
// still land on the pixel the geometry gives it, at every zoom.
void tst_TrackLayerTiles::cacheUsesTheMapPixels()
{
    // Long enough to be projected in halves on two threads; the edge cases
    // at both ends.
    auto track = Walk(120000, 0.01, 8, 2);
    const double edges[][2] = {{-180, 85.05}, {180, -85.05}, {0.5, -0.5}, {179.9999999, 85.0511287}, {-0.0000001, -85.0511287}};
    for (bool front : {true, false})
        for (const auto &e : edges) {
            auto p = std::make_unique<TTrackPointInfo>(int(track->Points().size()) + 1, 1);
            p->lon = e[0];
            p->lat = e[1];
            auto &pts = track->Points();
            pts.insert(front ? pts.begin() : pts.end(), std::move(p));
        }
    TTrackScreenCache cache;
    for (int zoom : {0, 1, 7, 12, 15, 18, 20}) {
        cache.Update(*track, zoom);
        for (size_t i = 0; i < track->Points().size(); ++i) {
            const TTrackPointInfo &p = *track->Points()[i];
            const QPoint expected(int(LongToMapX(TMapZoomLevel(zoom), p.lon)), int(LatToMapY(TMapZoomLevel(zoom), p.lat)));
            QVERIFY2(cache.MapPixels()[i] == expected,
                     qPrintable(QStringLiteral("zoom %1, point %2 (%3, %4)").arg(zoom).arg(i).arg(p.lon, 0, 'g', 12).arg(p.lat, 0, 'g', 12)));
        }
    }
}

// A point is drawn exactly when the map shows its position, on both sides of
// each edge: the longitudes and latitudes of the map's range, and the
// northern Mercator limit (about 85.0511, within that range; in the south
// the last row of pixels takes a little more, as LatToMapY does).
void tst_TrackLayerTiles::pointsBeyondTheMapAreNotDrawn_data()
{
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("lat");
    QTest::addColumn<bool>("drawn");
    QTest::addRow("north limit") << 10.0 << 85.05 << true;
    QTest::addRow("beyond the north limit") << 10.0 << 85.06 << false;
    QTest::addRow("beyond the map's range in the north") << 10.0 << MaxMapLatitude + 0.0001 << false;
    QTest::addRow("south limit") << 10.0 << -85.05 << true;
    QTest::addRow("beyond the map's range in the south") << 10.0 << -MaxMapLatitude - 0.0001 << false;
    QTest::addRow("east edge") << 180.0 << 10.0 << true;
    QTest::addRow("beyond the east edge") << 180.0001 << 10.0 << false;
    QTest::addRow("west edge") << -180.0 << 10.0 << true;
    QTest::addRow("beyond the west edge") << -180.0001 << 10.0 << false;
}

void tst_TrackLayerTiles::pointsBeyondTheMapAreNotDrawn()
{
    QFETCH(double, lon);
    QFETCH(double, lat);
    QFETCH(bool, drawn);
    auto track = Walk(3, 0.001, 8, 2);
    track->Points()[1]->lon = lon;
    track->Points()[1]->lat = lat;
    TTrackScreenCache cache;
    cache.Update(*track, 3);
    QCOMPARE(cache.MapPixels()[1].x() != TTrackScreenCache::NoPosition, drawn);
    QVERIFY(cache.MapPixels()[0].x() != TTrackScreenCache::NoPosition);
    QVERIFY(cache.MapPixels()[2].x() != TTrackScreenCache::NoPosition);
}

void tst_TrackLayerTiles::tilesMeetWithoutSeams_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("jump");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<int>("lineWidth");
    QTest::addColumn<int>("tileSize");
    QTest::addColumn<QPoint>("shift");
    QTest::addRow("dense walk, odd tiles") << 20000 << 0.0002 << 16 << 4 << 37 << QPoint(0, 0);
    QTest::addRow("dense walk, view between tiles") << 20000 << 0.0002 << 16 << 4 << 64 << QPoint(-29, 41);
    // Enough segments and glyphs for the two sorts to run on two threads.
    QTest::addRow("dense walk, sorted on two threads") << 60000 << 0.0002 << 16 << 4 << 64 << QPoint(7, -3);
    QTest::addRow("long jumps over many tiles") << 300 << 0.01 << 12 << 3 << 16 << QPoint(5, -7);
    QTest::addRow("wide line, big glyphs") << 3000 << 0.001 << 40 << 11 << 50 << QPoint(13, 3);
    QTest::addRow("glyphs too big to sort out covered ones") << 2000 << 0.001 << 60 << 2 << 45 << QPoint(0, 17);
}

void tst_TrackLayerTiles::tilesMeetWithoutSeams()
{
    QFETCH(int, points);
    QFETCH(double, jump);
    QFETCH(int, pointSize);
    QFETCH(int, lineWidth);
    QFETCH(int, tileSize);
    QFETCH(QPoint, shift);
    const auto track = Walk(points, jump, pointSize, lineWidth);
    const QSize view(420, 300);
    TTrackScreenCache cache;
    const QPoint off = CentreOffset(cache, *track, view) + shift;

    // One tile over the whole view is the track painted whole.
    TTrackLayerTiles whole(1024), tiled(tileSize);
    const QImage expected = PaintLayer(whole, *track, cache, off - QPoint(100, 100), view + QSize(200, 200))
                                .copy(QRect(QPoint(100, 100), view));
    QCOMPARE(whole.TilesDrawn(), 1);
    QImage got = PaintLayer(tiled, *track, cache, off, view);
    QVERIFY(tiled.TilesDrawn() > 4);
    QVERIFY(got != Blank(view)); // something was drawn
    QCOMPARE(got, expected);

    // Panned there from elsewhere, with tiles kept from before: the same.
    PaintLayer(tiled, *track, cache, off + QPoint(tileSize * 3 + 11, -tileSize - 5), view);
    got = PaintLayer(tiled, *track, cache, off, view);
    QCOMPARE(got, expected);
}

// The tiles leave out glyphs that later ones hide and copy the others from
// sprites; drawing every glyph in place, in order, must give the same pixels.
void tst_TrackLayerTiles::tilesGiveThePixelsOfDrawingInPlace()
{
    const auto track = Walk(20000, 0.0002, 16, 4);
    const QSize view(420, 300);
    TTrackScreenCache cache;
    const QPoint off = CentreOffset(cache, *track, view) + QPoint(-13, 29);
    TTrackLayerTiles tiles(64);
    const QImage got = PaintLayer(tiles, *track, cache, off, view);

    QImage expected(view, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    QPainter p(&expected);
    const TGeoTrackStyle &st = track->Style();
    const auto &px = cache.MapPixels();
    TTrackLineMask line;
    line.Begin(view, st.LineWidth);
    for (const auto &seg : cache.Segments())
        line.AddSegment(px[seg.a] - off, px[seg.b] - off);
    line.Paint(p, ColorOfTColor(st.LineColor));
    const int s = st.PointSize / 2;
    int drawn = 0;
    for (const auto &gl : cache.Glyphs()) {
        const QPoint at = px[gl.index] - off - QPoint(s, s);
        if (QRect(at, QSize(st.PointSize + 1, st.PointSize + 1)).adjusted(-4, -4, 4, 4).intersects(expected.rect())) {
            DrawGlyph(p, TrackGlyphKey(st, *track->Points()[gl.index], gl.kind), at);
            ++drawn;
        }
    }
    p.end();
    QVERIFY(drawn > 500); // glyphs stacked many deep
    QCOMPARE(got, expected);
}

// A track over half the world has too many tiles in its extent to number
// them all; only the tiles it touches are numbered then.
void tst_TrackLayerTiles::trackAcrossTheWorld()
{
    auto track = Walk(3000, 0.0005, 16, 4);
    auto far = Walk(3000, 0.0005, 16, 4);
    for (auto &p : far->Points()) {
        p->lat -= 90; // to the southern hemisphere, a world away
        p->lon += 95;
        track->Points().push_back(std::move(p));
    }
    const QSize view(420, 300);
    for (const QPoint &where : {QPoint(0, 0), QPoint(0, 1)}) {
        TTrackScreenCache cache;
        cache.Update(*track, Zoom);
        // Centred on the first walk or on the far one.
        const auto &px = cache.MapPixels();
        QRect box;
        for (size_t i = where.y() ? 3000 : 0; i < (where.y() ? px.size() : 3000); ++i)
            box |= QRect(px[i], QSize(1, 1));
        const QPoint off = box.center() - QPoint(view.width() / 2, view.height() / 2);
        TTrackLayerTiles whole(1024), tiled(64);
        const QImage expected = PaintLayer(whole, *track, cache, off - QPoint(100, 100), view + QSize(200, 200))
                                    .copy(QRect(QPoint(100, 100), view));
        const QImage got = PaintLayer(tiled, *track, cache, off, view);
        QVERIFY(got != Blank(view));
        QCOMPARE(got, expected);
    }
}

// Short segments wholly in the mask take their pixels from a table, others
// are rasterised: a segment must light the same pixels either way, that is
// whether or not its ends lie beyond the mask.
void tst_TrackLayerTiles::lineMaskClipsWithoutMovingPixels()
{
    const QSize view(40, 40);
    auto paint = [&view](const QPoint &A, const QPoint &B) {
        QImage img(view, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        TTrackLineMask mask;
        mask.Begin(view, 1);
        mask.AddSegment(A, B);
        mask.Paint(p, Qt::black);
        return img;
    };
    // With a one-pixel line the mask reaches one pixel beyond the view: a
    // segment touching that edge is wholly in the mask, and moved one pixel
    // further it is not. The pixels in view must move along, no more.
    const int r = TTrackLineMask::ShortReach + 2;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const QPoint d(dx, dy);
            const struct
            {
                QPoint a, shift;
            } cases[] = {{QPoint(-1 - std::min(0, dx), 15), QPoint(-1, 0)},
                         {QPoint(40 - std::max(0, dx), 15), QPoint(1, 0)},
                         {QPoint(15, -1 - std::min(0, dy)), QPoint(0, -1)},
                         {QPoint(15, 40 - std::max(0, dy)), QPoint(0, 1)}};
            for (const auto &c : cases) {
                const QImage in = paint(c.a, c.a + d), out = paint(c.a + c.shift, c.a + c.shift + d);
                const QRect common = QRect(QPoint(0, 0), view).intersected(QRect(c.shift, view));
                QVERIFY2(out.copy(common) == in.copy(common.translated(-c.shift)),
                         qPrintable(QStringLiteral("segment (%1, %2) from (%3, %4)").arg(dx).arg(dy).arg(c.a.x()).arg(c.a.y())));
            }
        }
}

void tst_TrackLayerTiles::changesAreDrawnAnew()
{
    auto track = Walk(200, 0.0005, 16, 4);
    const QSize view(400, 300);
    TTrackScreenCache cache;
    const QPoint off = CentreOffset(cache, *track, view);
    TTrackLayerTiles tiles(64);
    const QImage before = PaintLayer(tiles, *track, cache, off, view);

    // Points changed in place are drawn anew once the cache is reset.
    for (auto &p : track->Points())
        p->IsParking = !p->IsParking;
    cache.Reset();
    const QImage flipped = PaintLayer(tiles, *track, cache, off, view);
    QVERIFY(flipped != before);
    TTrackLayerTiles fresh(64);
    TTrackScreenCache freshCache;
    QCOMPARE(flipped, PaintLayer(fresh, *track, freshCache, off, view));

    // A new style is noticed by itself.
    TGeoTrackStyle st = track->Style();
    st.LineColor = 0x0000FF;
    track->SetStyle(st);
    const QImage restyled = PaintLayer(tiles, *track, cache, off, view);
    QVERIFY(restyled != flipped);
    TTrackLayerTiles fresh2(64);
    QCOMPARE(restyled, PaintLayer(fresh2, *track, freshCache, off, view));
}

void tst_TrackLayerTiles::parkingsDrawnAtTheirCentre_data()
{
    // One letter a message, 150 s apart: m drives, s and t stand at two
    // places, each stop spread over some 40 m.
    QTest::addColumn<QString>("track");
    QTest::addColumn<int>("parkings");
    QTest::addRow("no parking") << "mmmmmm" << 0;
    QTest::addRow("one parking") << "mmssssmm" << 1;
    QTest::addRow("two, the second ending at the last message") << "mssssmmtttt" << 2;
}

// A parking is drawn as one glyph at its centre, the line entering and
// leaving it there, exactly as when it was a point of its own standing at
// the centre before the parked points; and clearing the marks draws the
// plain track again without any reset.
void tst_TrackLayerTiles::parkingsDrawnAtTheirCentre()
{
    QFETCH(QString, track);
    QFETCH(int, parkings);
    TGeoTrack marked(QStringLiteral("1"));
    TGeoTrackStyle st = GeoTrackStyle(1);
    marked.SetStyle(st);
    const double t0 = 45000;
    for (int k = 0; k < track.size(); ++k) {
        auto p = std::make_unique<TTrackPointInfo>(k + 1, 1);
        p->sys_dt = p->obj_dt = p->gps_dt = t0 + k * 150 / 86400.0;
        const double wobble = (k % 3) * 0.0002;
        const QChar c = track[k];
        p->speed = c == u'm' ? 50 : 0;
        p->lat = c == u'm' ? HomeLat + 0.004 * k : (c == u's' ? HomeLat - 0.01 : HomeLat + 0.01) + wobble;
        p->lon = c == u'm' ? HomeLon + 0.006 * k : (c == u's' ? HomeLon - 0.01 : HomeLon + 0.02) + wobble;
        p->acc = 100;
        marked.Points().push_back(std::move(p));
    }
    marked.MarkParking();
    QCOMPARE(int(marked.Parkings().size()), parkings);
    QCOMPARE(int(marked.Points().size()), int(track.size()));

    // The same drawing made the old way: a point of its own at the centre.
    TGeoTrack asPoint(QStringLiteral("1"));
    asPoint.SetStyle(st);
    for (const auto &p : marked.Points()) {
        for (const TTrackParking &k : marked.Parkings())
            if (p->obj_dt == k.Start) {
                auto c = std::make_unique<TTrackPointInfo>(*p);
                c->lat = k.Center.Lat;
                c->lon = k.Center.Long;
                asPoint.Points().push_back(std::move(c));
            }
        asPoint.Points().push_back(std::make_unique<TTrackPointInfo>(*p));
    }
    QVERIFY(asPoint.Parkings().empty());

    const QSize view(500, 400);
    TTrackScreenCache cache, other;
    const QPoint off = CentreOffset(cache, marked, view);
    TTrackLayerTiles tiles(64), otherTiles(64);
    const QImage drawn = PaintLayer(tiles, marked, cache, off, view);
    QCOMPARE(drawn, PaintLayer(otherTiles, asPoint, other, off, view));

    // Cleared: the plain track, with the same cache and tiles.
    marked.ClearParking();
    TTrackScreenCache freshCache;
    TTrackLayerTiles freshTiles(64);
    const QImage plain = PaintLayer(freshTiles, marked, freshCache, off, view);
    QCOMPARE(PaintLayer(tiles, marked, cache, off, view), plain);
    QCOMPARE(drawn == plain, parkings == 0);
}

QTEST_MAIN(tst_TrackLayerTiles)
#include "tst_TrackLayerTiles.moc"
