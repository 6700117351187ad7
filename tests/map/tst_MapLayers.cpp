// Each layer of the map painted into an image through a view, without a
// window: what it draws lands where the view puts it, and its hit tests
// agree with what it draws.
#include "MapView.h"
#include "MarkerLayer.h"
#include "OSM.GeoTrack.h"
#include "OSM.MapMarkList.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "TrackLayer.h"
#include "ZoneLayer.h"
#include "ZtDates.h"

#include <QPainter>
#include <QtTest>

namespace {

const TGeoPoint Home{56.27574, 57.998649};
const int Zoom = 16;
const QSize ViewSize(400, 300);

// A view of ViewSize whose centre is Home, moved by Shift view pixels.
TMapView ViewAtHome(const QPoint &Shift = QPoint())
{
    TMapView v;
    v.Zoom = Zoom;
    const QPoint home = v.GeoToMap(Home);
    v.Rect = QRect(home - QPoint(ViewSize.width() / 2, ViewSize.height() / 2) + Shift, ViewSize);
    return v;
}

QImage Paint(TMapLayer &Layer, const TMapView &View)
{
    QImage img(View.Size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    Layer.Paint(p, View);
    return img;
}

bool Blank(const QImage &Img)
{
    for (int y = 0; y < Img.height(); ++y)
        for (int x = 0; x < Img.width(); ++x)
            if (qAlpha(Img.pixel(x, y)) != 0)
                return false;
    return true;
}

std::unique_ptr<TZoneInfo> Circle(double Radius, bool Edited)
{
    auto z = std::make_unique<TZoneInfo>(7, TZoneInfo::Circle);
    z->geom.center = Home;
    z->geom.radius = Radius;
    z->color = 0x0000FF; // red
    z->visible = true;
    z->edited = Edited;
    z->UpdateRect();
    return z;
}

} // namespace

class tst_MapLayers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void viewConversions_data();
    void viewConversions();
    void zoneHitCodes_data();
    void zoneHitCodes();
    void zoneDrawnWhereTheViewPutsIt();
    void zoneRimHit_data();
    void zoneRimHit();
    void zoneOutsideRepaintNotDrawn();
    void markerHitBox_data();
    void markerHitBox();
    void markerSpriteAndToolTip();
    void glyphMarkAndHiddenLayer();
    void trackDrawnAndHit();
};

void tst_MapLayers::viewConversions_data()
{
    QTest::addColumn<QPoint>("viewPt");
    QTest::addColumn<double>("lon"); // NaN: only the round trip is checked
    // A view at zoom 3 whose left edge is the map's west edge.
    QTest::addRow("west edge") << QPoint(0, 100) << -180.0;
    QTest::addRow("one pixel beyond the west edge: taken to it") << QPoint(-1, 100) << -180.0;
    QTest::addRow("one pixel inside") << QPoint(1, 100) << qQNaN();
    QTest::addRow("east edge") << QPoint(2048, 100) << 180.0;
    QTest::addRow("one pixel beyond the east edge") << QPoint(2049, 100) << 180.0;
    QTest::addRow("middle") << QPoint(1024, 1024) << 0.0;
}

void tst_MapLayers::viewConversions()
{
    QFETCH(QPoint, viewPt);
    QFETCH(double, lon);
    TMapView v;
    v.Zoom = 3;
    v.Rect = QRect(QPoint(0, 0), QSize(800, 600));
    const TGeoPoint g = v.ViewToGeo(viewPt);
    if (!std::isnan(lon))
        QCOMPARE(g.Long, lon);
    const QPoint inside(std::clamp(viewPt.x(), 0, 2048), viewPt.y());
    QCOMPARE(v.GeoToView(g), inside);
    // A moved view moves the view pixel, not the place.
    v.Rect.translate(100, 50);
    QCOMPARE(v.GeoToView(g), inside - QPoint(100, 50));
    QVERIFY_THROWS_EXCEPTION(EGeoAssertion, v.MapToGeo(QPoint(-1, 0)));
}

void tst_MapLayers::zoneHitCodes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code");
    QTest::addRow("none") << int(TZoneHit::None) << -1 << -1;
    QTest::addRow("centre") << int(TZoneHit::Centre) << -1 << 1;
    QTest::addRow("rim") << int(TZoneHit::Rim) << -1 << 2;
    QTest::addRow("inside") << int(TZoneHit::Inside) << -1 << 9;
    QTest::addRow("node 0") << int(TZoneHit::Node) << 0 << 100;
    QTest::addRow("node 99") << int(TZoneHit::Node) << 99 << 199;
    QTest::addRow("node 100") << int(TZoneHit::Node) << 100 << 1000100;
    QTest::addRow("edge 0") << int(TZoneHit::Edge) << 0 << 200;
    QTest::addRow("edge 99") << int(TZoneHit::Edge) << 99 << 299;
    QTest::addRow("edge 100") << int(TZoneHit::Edge) << 100 << 2000100;
}

void tst_MapLayers::zoneHitCodes()
{
    QFETCH(int, kind);
    QFETCH(int, index);
    QFETCH(int, code);
    const TZoneHit hit{TZoneHit::TKind(kind), index};
    QCOMPARE(hit.Code(), code);
    QCOMPARE(TZoneHit::FromCode(code), hit);
}

void tst_MapLayers::zoneDrawnWhereTheViewPutsIt()
{
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Circle(100, false));
    TZoneLayer layer;
    layer.SetZones(&zones);
    for (const QPoint &shift : {QPoint(), QPoint(37, -21)}) {
        const TMapView v = ViewAtHome(shift);
        const QPoint c = v.GeoToView(Home);
        const int r = TZoneLayer::RadiusPx(*zones[0], v);
        QVERIFY(r > 70 && r < 90);
        QImage img = Paint(layer, v);
        QCOMPARE(QColor(img.pixel(c + QPoint(r, 0))), QColor(Qt::red));
        QCOMPARE(QColor(img.pixel(c - QPoint(0, r))), QColor(Qt::red));
        QCOMPARE(qAlpha(img.pixel(c + QPoint(r - 8, 0))), 0);
        QCOMPARE(qAlpha(img.pixel(c)), 0); // no centre mark unless edited
        zones[0]->edited = true;
        img = Paint(layer, v);
        QCOMPARE(QColor(img.pixel(c + QPoint(3, 0))), QColor(Qt::red));
        zones[0]->edited = false;
    }
}

void tst_MapLayers::zoneRimHit_data()
{
    QTest::addColumn<int>("fromRim"); // along the x axis, in pixels
    QTest::addColumn<int>("kind");
    QTest::addRow("6 outside") << 6 << int(TZoneHit::None);
    QTest::addRow("5 outside") << 5 << int(TZoneHit::Rim);
    QTest::addRow("on the rim") << 0 << int(TZoneHit::Rim);
    QTest::addRow("5 inside") << -5 << int(TZoneHit::Rim);
    QTest::addRow("6 inside") << -6 << int(TZoneHit::Inside);
}

void tst_MapLayers::zoneRimHit()
{
    QFETCH(int, fromRim);
    QFETCH(int, kind);
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Circle(100, true));
    TZoneLayer layer;
    layer.SetZones(&zones);
    const TMapView v = ViewAtHome();
    const QPoint c = v.GeoToView(Home);
    const QPoint pt = c + QPoint(TZoneLayer::RadiusPx(*zones[0], v) + fromRim, 0);
    QCOMPARE(int(layer.HitAt(pt, zones[0].get(), v).Kind), kind);
    QCOMPARE(layer.HitTest(pt, v), kind != TZoneHit::None);
    QCOMPARE(layer.HitAt(c, zones[0].get(), v), TZoneHit{TZoneHit::Centre});
}

void tst_MapLayers::zoneOutsideRepaintNotDrawn()
{
    // A repaint of a patch away from the zone leaves the image alone; a
    // patch over the rim draws the rim there exactly as a full paint does.
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    zones.push_back(Circle(100, true));
    TZoneLayer layer;
    layer.SetZones(&zones);
    TMapView v = ViewAtHome();
    const QImage full = Paint(layer, v);
    v.PaintRegion = QRegion(0, 0, 40, 40);
    QVERIFY(Blank(Paint(layer, v)));
    const QPoint c = v.GeoToView(Home);
    const QRect patch(c + QPoint(TZoneLayer::RadiusPx(*zones[0], v) - 10, -10), QSize(20, 20));
    v.PaintRegion = QRegion(patch);
    QImage part(v.Size(), QImage::Format_ARGB32_Premultiplied);
    part.fill(Qt::transparent);
    {
        QPainter p(&part);
        p.setClipRegion(v.PaintRegion);
        layer.Paint(p, v);
    }
    QCOMPARE(part.copy(patch), full.copy(patch));
}

void tst_MapLayers::markerHitBox_data()
{
    QTest::addColumn<QPoint>("offset"); // from the mark's point
    QTest::addColumn<bool>("hit");
    QTest::addRow("left edge") << QPoint(-16, -1) << true;
    QTest::addRow("left of it") << QPoint(-17, -1) << false;
    QTest::addRow("right edge") << QPoint(15, -1) << true;
    QTest::addRow("right of it") << QPoint(16, -1) << false;
    QTest::addRow("top") << QPoint(0, -48) << true;
    QTest::addRow("above") << QPoint(0, -49) << false;
    QTest::addRow("the point itself") << QPoint(0, 0) << false;
}

void tst_MapLayers::markerHitBox()
{
    QFETCH(QPoint, offset);
    QFETCH(bool, hit);
    TMapMarkList marks(nullptr);
    TMapMark *m = marks.Add(Home, QString());
    TMarkerLayer layer(marks);
    for (const QPoint &shift : {QPoint(), QPoint(-55, 12)}) {
        const TMapView v = ViewAtHome(shift);
        const QPoint pt = v.GeoToView(Home) + offset;
        QCOMPARE(layer.MarkAt(pt, v), hit ? m : nullptr);
        QCOMPARE(layer.HitTest(pt, v), hit);
    }
}

void tst_MapLayers::markerSpriteAndToolTip()
{
    TMapMarkList marks(nullptr);
    TMarkerLayer layer(marks);
    layer.SetMarkerImages(TMarkerLayer::DefaultMarkerImages());
    TObjectInfo obj(1, QStringLiteral("truck"));
    obj.name = QStringLiteral("Truck 12");
    obj.photo = QImage(64, 64, QImage::Format_RGB32);
    obj.photo.fill(Qt::magenta);
    obj.last_point->sys_dt = ParseDateTime(QStringLiteral("10.12.2026 09:30:05"));
    TObjectInfo *cell = &obj;
    TMapMark *m = marks.Add(Home, QString());
    m->Data = &cell;
    const TMapView v = ViewAtHome(QPoint(20, 30));
    const QImage img = Paint(layer, v);
    const QPoint pt = v.GeoToView(Home);
    const QImage &icon = layer.MarkerImages()[1];
    QCOMPARE(m->Width, icon.width());
    QCOMPARE(QColor(img.pixel(pt + QPoint(0, -icon.height() + 4 + icon.width() / 2))), QColor(Qt::magenta));
    QCOMPARE(layer.ToolTipAt(pt + QPoint(0, -30), v), QStringLiteral("Truck 12\n10.12.2026 09:30:05"));
    QCOMPARE(layer.ToolTipAt(pt + QPoint(0, 30), v), QString());
}

void tst_MapLayers::glyphMarkAndHiddenLayer()
{
    TMapMarkList marks(nullptr);
    TMarkerLayer layer(marks);
    layer.GlyphStyle.Shape = TMapMarkGlyphShape::gshSquare;
    layer.GlyphStyle.Size = 10;
    layer.GlyphStyle.BgColor = Qt::green;
    layer.GlyphStyle.BorderColor = Qt::green;
    TMapMark *m = marks.Add(Home, QString(), 3);
    TMapView v = ViewAtHome();
    const QPoint pt = v.GeoToView(Home);
    QCOMPARE(QColor(Paint(layer, v).pixel(pt)), QColor(Qt::green));
    // The owner may draw the mark itself.
    int drawn = 0;
    layer.OnDrawMark = [&](QPainter &, const QPoint &at, TMapMark *mark, bool &handled) {
        drawn += at == pt && mark == m;
        handled = true;
    };
    QVERIFY(Blank(Paint(layer, v)));
    QCOMPARE(drawn, 1);
    // A mark of a hidden layer is not drawn.
    layer.OnDrawMark = nullptr;
    v.VisibleLayers.reset(3);
    QVERIFY(Blank(Paint(layer, v)));
    v.VisibleLayers.set(3);
    v.VisibleLayers.reset(2);
    QVERIFY(!Blank(Paint(layer, v)));
}

void tst_MapLayers::trackDrawnAndHit()
{
    TTrackLayer layer;
    auto track = std::make_unique<TGeoTrack>(QStringLiteral("1"));
    TGeoTrackStyle st = GeoTrackStyle(1);
    st.PointSize = 12;
    st.LineWidth = 3;
    st.LineColor = 0x00FF00; // green
    track->SetStyle(st);
    TMapView v = ViewAtHome();
    // Three points on a row through Home, 60 pixels apart.
    for (int i = 0; i < 3; ++i) {
        auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
        const TGeoPoint g = v.ViewToGeo(v.GeoToView(Home) + QPoint(-60 + 60 * i, 0));
        p->lat = g.Lat;
        p->lon = g.Long;
        track->Points().push_back(std::move(p));
    }
    TTrackPointInfo *middle = track->Points()[1].get();
    layer.Tracks().push_back(std::move(track));
    const QImage img = Paint(layer, v);
    const QPoint c = v.GeoToView(Home);
    QCOMPARE(QColor(img.pixel(c + QPoint(30, 0))), QColor(Qt::green)); // the line between the glyphs
    QCOMPARE(qAlpha(img.pixel(c + QPoint(30, 20))), 0);
    layer.UpdateMapPoints();
    const auto hits = layer.PointsAt(c + QPoint(2, 0));
    QCOMPARE(hits.size(), size_t(1));
    QCOMPARE(hits[0], middle);
    QVERIFY(layer.PointsAt(c + QPoint(0, 20)).empty());
    // A track of a hidden layer is neither drawn nor hit.
    v.VisibleLayers.reset(0);
    QVERIFY(Blank(Paint(layer, v)));
    layer.UpdateMapPoints();
    QVERIFY(layer.PointsAt(c + QPoint(2, 0)).empty());
}

QTEST_MAIN(tst_MapLayers)
#include "tst_MapLayers.moc"
