#include "OSM.MapControl.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QtTest>

namespace {

// A tile of its own colour with a mark at its own place.
QImage PatternTile(int x, int y)
{
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor((x * 40) % 256, (y * 70) % 256, ((x + y) * 25) % 256));
    for (int i = 0; i < 9; ++i)
        img.setPixelColor((x * 7) % 200 + i, (y * 11) % 200 + i / 3, Qt::white);
    return img;
}

// A map with solid tiles of a known colour and a fixed viewport size.
class TestMap : public TMapControl
{
public:
    TestMap()
    {
        SetTilesProvider(std::make_unique<TOSMTilesProvider>());
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        resize(800, 600);
    }
    QColor tileColor = Qt::darkGreen;
    bool tilesReady = true;
    bool patterned = false; // each tile its own colour and a mark at its own place
    QList<QPoint> requested;

protected:
    QImage GetTileImage(int x, int y) override
    {
        requested << QPoint(x, y);
        if (!tilesReady)
            return QImage();
        if (patterned)
            return PatternTile(x, y);
        QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
        img.fill(tileColor);
        return img;
    }
};

// The patterned tiles as they lie under the view.
QImage TilesUnder(const TMapControl &map)
{
    const QRect view = map.ViewRect();
    QImage expected(map.viewport()->size(), QImage::Format_RGB32);
    QPainter p(&expected);
    for (int ty = view.top() / 256; ty * 256 <= view.bottom(); ++ty)
        for (int tx = view.left() / 256; tx * 256 <= view.right(); ++tx)
            p.drawImage(QPoint(tx * 256 - view.left(), ty * 256 - view.top()), PatternTile(tx, ty));
    return expected;
}

void Wheel(QWidget *viewport, const QPoint &pos, int delta)
{
    QWheelEvent ev(QPointF(pos), QPointF(viewport->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &ev);
}

// Width in pixels of the scale bar drawn at the view's bottom left: the
// black-edged box right of its label, measured on the rows through its
// white inside: a thin right edge, white, then the left edge.
int DrawnScaleBarWidth(const QImage &Shot)
{
    auto black = [&](int x, int y) {
        const QColor c = Shot.pixelColor(x, y);
        return c.red() < 60 && c.green() < 60 && c.blue() < 60;
    };
    QMap<int, int> widths;
    for (int y = Shot.height() - 40; y < Shot.height(); ++y) {
        int x = std::min(Shot.width(), 400) - 1;
        while (x > 0 && !black(x, y))
            --x;
        const int right = x;
        while (x > 0 && black(x, y))
            --x;
        const int inside = x;
        while (x > 0 && !black(x, y))
            --x;
        if (x > 0 && right - inside <= 2 && inside - x > 10)
            ++widths[right - x + 1];
    }
    int best = -1, count = 0;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it)
        if (it.value() > count) {
            best = it.key();
            count = it.value();
        }
    return best;
}

} // namespace

class tst_MapControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wheelKeepsPointUnderPointer_data();
    void wheelKeepsPointUnderPointer();
    void setZoomIgnoredOutsideRangeOrSame();
    void zoomRangeFollowsProvider();
    void zoomToAreaAtCurrentZoomKeepsView();
    void dragScrollsWithPointer();
    void pressOnMarkDoesNotDrag();
    void marksDrawnByLayerNewestFirst();
    void markListOrder_data();
    void markListOrder();
    void deleteIfMatchesDeletingOneByOne();
    void selectionBoxReportsArea();
    void zoomZeroDrawsOnlyExistingTile();
    void refreshTileRepaintsArrivedTile();
    void panningOffTheCacheImageShowsTheTilesThere_data();
    void panningOffTheCacheImageShowsTheTilesThere();
    void zoomStepThenPansShowTheTilesThere_data();
    void zoomStepThenPansShowTheTilesThere();
    void scaleBarFollowsCentreLatitude_data();
    void scaleBarFollowsCentreLatitude();
};

void tst_MapControl::wheelKeepsPointUnderPointer_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<int>("delta");
    QTest::addRow("zoom in at the centre") << 12 << QPoint(400, 300) << 120;
    QTest::addRow("zoom in near a corner") << 12 << QPoint(13, 587) << 120;
    QTest::addRow("zoom out") << 12 << QPoint(650, 90) << -120;
    QTest::addRow("a small delta still zooms") << 15 << QPoint(200, 400) << 15;
    QTest::addRow("large delta is one level") << 8 << QPoint(333, 222) << 720;
}

void tst_MapControl::wheelKeepsPointUnderPointer()
{
    QFETCH(int, zoom);
    QFETCH(QPoint, pointer);
    QFETCH(int, delta);
    TestMap map;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(zoom);
    map.SetCenterPoint(TGeoPoint{56.27574, 57.998649});
    const TGeoPoint before = map.MapToGeoCoords(map.ViewToMap(pointer));
    Wheel(map.viewport(), pointer, delta);
    QCOMPARE(map.Zoom(), zoom + (delta > 0 ? 1 : -1));
    const QPoint after = map.MapToView(map.GeoCoordsToMap(before));
    QVERIFY2((after - pointer).manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(after.x()).arg(after.y())));
}

void tst_MapControl::setZoomIgnoredOutsideRangeOrSame()
{
    TestMap map;
    int changes = 0;
    map.OnZoomChanged = [&](TMapControl *) { ++changes; };
    map.SetZoom(5);
    QCOMPARE(changes, 1);
    const QRect view = map.ViewRect();
    map.SetZoom(5);
    map.SetZoom(20); // the OpenStreetMap provider ends at 19
    map.SetZoom(-1);
    QCOMPARE(changes, 1);
    QCOMPARE(map.Zoom(), 5);
    QCOMPARE(map.ViewRect(), view);
    // Wheel beyond the range changes nothing either.
    map.SetZoom(19);
    Wheel(map.viewport(), QPoint(10, 10), 120);
    QCOMPARE(map.Zoom(), 19);
}

void tst_MapControl::zoomRangeFollowsProvider()
{
    TMapControl map;
    QCOMPARE(int(map.MaxZoom()), 20); // dummy provider
    map.SetTilesProvider(std::make_unique<TOSMTilesProvider>());
    QCOMPARE(int(map.MaxZoom()), 19);
    map.SetMaxZoom(25);
    QCOMPARE(int(map.MaxZoom()), 19);
    map.SetZoom(17);
    map.SetMaxZoom(15); // the current zoom moves into the new range
    QCOMPARE(map.Zoom(), 15);
    map.SetMinZoom(3);
    QCOMPARE(int(map.MinZoom()), 3);
    map.SetZoom(2);
    QCOMPARE(map.Zoom(), 15);
}

void tst_MapControl::zoomToAreaAtCurrentZoomKeepsView()
{
    TestMap map;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    const TGeoRect area{TGeoPoint{56.20, 58.02}, TGeoPoint{56.30, 57.98}};
    map.SetZoom(3);
    map.ZoomToArea(area);
    const int fitted = map.Zoom();
    QVERIFY(fitted > 3);
    // The area's corners are in view, and one level more would not hold it.
    const QRect box = map.GeoCoordsToMap(area);
    QVERIFY(map.ViewRect().contains(box.topLeft()));
    QVERIFY(box.width() <= 800 && box.height() <= 600);
    QVERIFY(box.width() * 2 > 800 || box.height() * 2 > 600);
    map.ScrollMapBy(-100, -50);
    const QRect view = map.ViewRect();
    map.ZoomToArea(area);
    QCOMPARE(map.Zoom(), fitted);
    QCOMPARE(map.ViewRect(), view);
}

void tst_MapControl::dragScrollsWithPointer()
{
    TestMap map;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(10);
    map.ScrollMapTo(100000, 80000);
    const QRect view = map.ViewRect();
    QWidget *vp = map.viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QTest::mouseMove(vp, QPoint(380, 310));
    QTest::mouseMove(vp, QPoint(300, 350));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(300, 350));
    // The content follows the pointer: 100 px left and 50 px down.
    QCOMPARE(map.ViewRect().topLeft(), view.topLeft() + QPoint(100, -50));
    QTest::mouseMove(vp, QPoint(100, 100)); // released: no more scrolling
    QCOMPARE(map.ViewRect().topLeft(), view.topLeft() + QPoint(100, -50));
}

void tst_MapControl::pressOnMarkDoesNotDrag()
{
    TestMap map;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(10);
    map.ScrollMapTo(100000, 80000);
    const QPoint press(400, 300);
    map.MapMarks().Add(map.MapToGeoCoords(map.ViewToMap(press)), QStringLiteral("here"));
    const QRect view = map.ViewRect();
    QTest::mousePress(map.viewport(), Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(map.viewport(), QPoint(300, 200));
    QTest::mouseRelease(map.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QCOMPARE(map.ViewRect(), view);
}

void tst_MapControl::marksDrawnByLayerNewestFirst()
{
    TestMap map;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(12);
    map.SetCenterPoint(TGeoPoint{56.27, 58.0});
    TMapMarkList &marks = map.MapMarks();
    TMapMark *a = marks.Add(TGeoPoint{56.27, 58.0}, QStringLiteral("first on 0"), 0);
    TMapMark *c = marks.Add(TGeoPoint{56.271, 58.0}, QStringLiteral("on 1"), 1);
    TMapMark *b = marks.Add(TGeoPoint{56.272, 58.0}, QStringLiteral("second on 0"), 0);
    marks.Add(TGeoPoint{10.0, 10.0}, QStringLiteral("out of view"), 0);
    QStringList drawn;
    map.OnDrawMapMark = [&](TMapControl *, QPainter &, const QPoint &, TMapMark *m, bool &) { drawn << m->Caption; };
    map.viewport()->repaint();
    QCOMPARE(drawn, (QStringList{"second on 0", "first on 0", "on 1"}));

    // Deleting removes exactly that mark, even within a shared layer.
    marks.Delete(a);
    QCOMPARE(marks.Count(), 3);
    QCOMPARE(marks.Get(1), b); // after the newer out-of-view mark of layer 0
    QCOMPARE(marks.Get(2), c);
    marks.Delete(a); // no longer listed: ignored
    QCOMPARE(marks.Count(), 3);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, marks.Get(3));

    // Hidden layers and invisible marks are not drawn.
    TMapLayers layers;
    layers.set();
    layers.reset(1);
    map.SetVisibleLayers(layers);
    b->Visible = false;
    drawn.clear();
    map.viewport()->repaint();
    QCOMPARE(drawn, QStringList());
}

void tst_MapControl::markListOrder_data()
{
    // Steps: "+name:layer" adds, "-name" deletes; then the list's order.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("order");
    QTest::addRow("one layer, newest first") << QStringList{"+a:0", "+b:0", "+c:0"} << QStringList{"c", "b", "a"};
    QTest::addRow("layers ascending") << QStringList{"+a:2", "+b:0", "+c:255", "+d:1"} << QStringList{"b", "d", "a", "c"};
    QTest::addRow("mixed") << QStringList{"+a:0", "+b:1", "+c:0", "+d:1", "+e:0", "+f:2"}
                           << QStringList{"e", "c", "a", "d", "b", "f"};
    QTest::addRow("deletes keep the rest in order")
        << QStringList{"+a:0", "+b:1", "+c:0", "+d:1", "-c", "+e:0", "-d", "+f:1", "-a"} << QStringList{"e", "f", "b"};
    QTest::addRow("delete the newest and the oldest")
        << QStringList{"+a:0", "+b:0", "+c:0", "+d:0", "-d", "-a", "+e:0"} << QStringList{"e", "c", "b"};
    QTest::addRow("all deleted, then added") << QStringList{"+a:3", "+b:3", "-a", "-b", "+c:3", "+d:0"}
                                             << QStringList{"d", "c"};
}

void tst_MapControl::markListOrder()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, order);
    TMapMarkList marks(nullptr);
    // Every mark at the same place, so that both searches walk the whole list.
    const TGeoPoint at{56.27, 58.0};
    QStringList notified;
    marks.OnItemNotify = [&](TMapMarkList *, TMapMark *m, TMapMarkAction a) {
        if (a == TMapMarkAction::mmaDeleted)
            notified << m->Caption;
    };
    QHash<QString, TMapMark *> byName;
    for (const QString &step : steps) {
        const QString name = step.mid(1).section(u':', 0, 0);
        if (step.startsWith(u'+'))
            byName[name] = marks.Add(at, name, uint8_t(step.section(u':', 1).toInt()));
        else
            marks.Delete(byName.take(name));
    }
    notified.clear();

    QStringList listed, byPoint, byRect;
    for (int i = 0; i < marks.Count(); ++i)
        listed << marks.Get(i)->Caption;
    QCOMPARE(listed, order);
    for (int i = marks.Find(at); i >= 0; i = marks.Find(at, false, i + 1))
        byPoint << marks.Get(i)->Caption;
    QCOMPARE(byPoint, order);
    const TGeoRect box{TGeoPoint{56.0, 58.5}, TGeoPoint{56.5, 57.5}};
    for (int i = marks.Find(box, false, -1); i >= 0; i = marks.Find(box, false, i))
        byRect << marks.Get(i)->Caption;
    QCOMPARE(byRect, order);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, marks.Get(marks.Count()));

    marks.Clear();
    QCOMPARE(notified, order);
    QCOMPARE(marks.Count(), 0);
}

void tst_MapControl::deleteIfMatchesDeletingOneByOne()
{
    // Two lists alike; capitals are picked. One deletes them one by one from
    // the last mark, the other at once: the same marks stay in the same
    // order, and the same notices come in the same order.
    const QStringList adds{"a:0", "B:1", "c:0", "D:2", "E:0", "f:1", "G:0", "h:2"};
    TMapMarkList one(nullptr), all(nullptr);
    QStringList noticedOne, noticedAll;
    one.OnItemNotify = [&](TMapMarkList *, TMapMark *m, TMapMarkAction a) {
        if (a == TMapMarkAction::mmaDeleted)
            noticedOne << m->Caption;
    };
    all.OnItemNotify = [&](TMapMarkList *, TMapMark *m, TMapMarkAction a) {
        if (a == TMapMarkAction::mmaDeleted)
            noticedAll << m->Caption;
    };
    for (const QString &a : adds)
        for (TMapMarkList *l : {&one, &all})
            l->Add(TGeoPoint{56.27, 58.0}, a.section(u':', 0, 0), uint8_t(a.section(u':', 1).toInt()));
    auto picked = [](const TMapMark &m) { return m.Caption.front().isUpper(); };
    for (int i = one.Count() - 1; i >= 0; --i)
        if (picked(*one.Get(i)))
            one.Delete(one.Get(i));
    all.DeleteIf(picked);
    QCOMPARE(noticedAll, noticedOne);
    QCOMPARE(noticedAll.size(), 4);
    QStringList keptOne, keptAll;
    for (int i = 0; i < one.Count(); ++i)
        keptOne << one.Get(i)->Caption;
    for (int i = 0; i < all.Count(); ++i)
        keptAll << all.Get(i)->Caption;
    QCOMPARE(keptAll, keptOne);
    QCOMPARE(keptAll, (QStringList{"c", "a", "f", "h"}));
    all.DeleteIf(picked); // nothing left to pick
    QCOMPARE(noticedAll.size(), 4);
    QCOMPARE(all.Count(), 4);
}

void tst_MapControl::selectionBoxReportsArea()
{
    TestMap map;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(8);
    map.ScrollMapTo(40000, 20000);
    map.SetMouseMode(TMapMouseMode::mmSelect);
    QList<TGeoRect> boxes;
    map.OnSelectionBox = [&](TMapControl *, const TGeoRect &r) { boxes << r; };
    const QRect view = map.ViewRect();
    QWidget *vp = map.viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(100, 80));
    QTest::mouseMove(vp, QPoint(300, 280));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(300, 280));
    QCOMPARE(map.ViewRect(), view); // selecting does not pan
    QCOMPARE(boxes.size(), 1);
    const QRect box = map.MapToView(map.GeoCoordsToMap(boxes.first()));
    QVERIFY(qAbs(box.left() - 100) <= 1 && qAbs(box.top() - 80) <= 1);
    QVERIFY(qAbs(box.width() - 200) <= 2 && qAbs(box.height() - 200) <= 2);

    // Escape drops a box without reporting it.
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(100, 80));
    QTest::mouseMove(vp, QPoint(200, 180));
    QTest::keyClick(&map, Qt::Key_Escape);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(200, 180));
    QCOMPARE(boxes.size(), 1);
}

void tst_MapControl::zoomZeroDrawsOnlyExistingTile()
{
    TestMap map;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.requested.clear();
    map.SetZoom(0);
    // The cache is still the view rounded up to tiles plus the margin...
    QCOMPARE(map.CacheImageRect().size(), QSize(1024 + 512, 768 + 512));
    // ...but only the one tile of the world is asked for.
    QCOMPARE(map.requested, QList<QPoint>{QPoint(0, 0)});
    map.SetZoom(1);
    map.requested.clear();
    map.viewport()->repaint();
    QVERIFY(map.requested.isEmpty()); // painting uses the cache image
    for (const QPoint &p : map.requested)
        QVERIFY(p.x() >= 0 && p.y() >= 0);
}

void tst_MapControl::refreshTileRepaintsArrivedTile()
{
    TestMap map;
    map.tilesReady = false;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(4);
    map.ScrollMapTo(256 * 3, 256 * 2);
    map.viewport()->repaint();
    // The tile under (10, 10) of the view is tile (3, 2): still loading.
    QImage shot = map.viewport()->grab().toImage();
    QVERIFY(shot.pixelColor(128, 128) != QColor(Qt::darkGreen));
    map.tilesReady = true;
    map.RefreshTile(3, 2);
    QTRY_COMPARE(map.viewport()->grab().toImage().pixelColor(128, 128), QColor(Qt::darkGreen));
    // Its neighbour was not redrawn.
    QVERIFY(map.viewport()->grab().toImage().pixelColor(256 + 128, 128) != QColor(Qt::darkGreen));
}

// Leaving the cache image moves the tiles it holds and draws only the new
// ones; the view must show what a map opened there shows.
void tst_MapControl::panningOffTheCacheImageShowsTheTilesThere_data()
{
    QTest::addColumn<QList<QPoint>>("steps");
    QTest::addRow("east in small steps") << QList<QPoint>(90, QPoint(31, 0));
    QTest::addRow("west and north") << QList<QPoint>(80, QPoint(-37, -23));
    QTest::addRow("south-west") << QList<QPoint>(70, QPoint(-29, 41));
    QTest::addRow("north slowly") << QList<QPoint>(90, QPoint(5, -17));
    QTest::addRow("south slowly") << QList<QPoint>(90, QPoint(-3, 19));
    QTest::addRow("south-east, past the cache at once") << QList<QPoint>{QPoint(700, 300), QPoint(1900, 1700)};
    QTest::addRow("back and forth") << (QList<QPoint>(20, QPoint(97, 13)) + QList<QPoint>(30, QPoint(-101, -9)));
}

void tst_MapControl::panningOffTheCacheImageShowsTheTilesThere()
{
    QFETCH(QList<QPoint>, steps);
    TestMap map;
    map.patterned = true;
    map.SetMapOptions(moDontDrawCopyright | moDontDrawScale);
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(6);
    map.ScrollMapTo(256 * 20 + 77, 256 * 20 + 31);
    map.viewport()->repaint();
    const QRect first = map.CacheImageRect();
    for (const QPoint &d : steps) {
        map.ScrollMapBy(d.x(), d.y());
        map.viewport()->repaint();
        QCOMPARE(map.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32), TilesUnder(map));
    }
    QVERIFY(map.CacheImageRect() != first); // the image moved
}

// A zoom step draws the cache image's tiles under the view at once and the
// others later; whether panning reaches them before the event loop is idle
// or after, the view shows the tiles there.
void tst_MapControl::zoomStepThenPansShowTheTilesThere_data()
{
    QTest::addColumn<bool>("idle");
    QTest::addRow("panning at once") << false;
    QTest::addRow("idle between frames") << true;
}

void tst_MapControl::zoomStepThenPansShowTheTilesThere()
{
    QFETCH(bool, idle);
    TestMap map;
    map.patterned = true;
    map.SetMapOptions(moDontDrawCopyright | moDontDrawScale);
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(6);
    map.ScrollMapTo(256 * 20 + 77, 256 * 20 + 31);
    map.viewport()->repaint();
    QCoreApplication::processEvents();
    for (int zoom : {7, 6, 7}) {
        map.requested.clear();
        map.SetZoom(zoom, map.ViewRect().center());
        map.viewport()->repaint();
        QCOMPARE(map.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32), TilesUnder(map));
        // The frame after the step asked for no tile it does not show.
        const QRect view = map.ViewRect();
        for (const QPoint &t : std::as_const(map.requested))
            QVERIFY2(QRect(t * 256, QSize(256, 256)).intersects(view), qPrintable(QStringLiteral("tile %1, %2").arg(t.x()).arg(t.y())));
        // Into the tiles drawn later, then back and out of the cache image.
        for (int i = 0; i < 60; ++i) {
            map.ScrollMapBy(i < 20 ? 29 : -41, i < 20 ? 17 : -13);
            map.viewport()->repaint();
            if (idle)
                QCoreApplication::processEvents();
            QCOMPARE(map.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32), TilesUnder(map));
        }
    }
}

void tst_MapControl::scaleBarFollowsCentreLatitude_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<double>("lat");
    QTest::addRow("z12 at 58 N") << 12 << 58.0;
    QTest::addRow("z15 at 58 N") << 15 << 58.0;
    QTest::addRow("z12 at 45 S") << 12 << -45.0;
}

void tst_MapControl::scaleBarFollowsCentreLatitude()
{
    // The same length takes 1 / cos(latitude) times the equator's pixels.
    QFETCH(int, zoom);
    QFETCH(double, lat);
    TestMap map;
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    map.SetZoom(zoom);
    map.SetCenterPoint(TGeoPoint{30.0, 0.0});
    map.viewport()->repaint();
    const int atEquator = DrawnScaleBarWidth(map.viewport()->grab().toImage());
    QVERIFY(atEquator > 40);
    // Panned north or south without a zoom change.
    map.SetCenterPoint(TGeoPoint{30.0, lat});
    map.viewport()->repaint();
    const int there = DrawnScaleBarWidth(map.viewport()->grab().toImage());
    const double expected = atEquator / std::cos(lat * M_PI / 180);
    QVERIFY2(std::abs(there - expected) <= 2, qPrintable(QStringLiteral("%1 px at the equator, %2 px at %3, expected %4")
                                                            .arg(atEquator).arg(there).arg(lat).arg(expected)));
}

QTEST_MAIN(tst_MapControl)
#include "tst_MapControl.moc"
