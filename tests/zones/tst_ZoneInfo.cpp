#include "OSM.ZoneInfo.h"
#include "geo_utils.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUrlQuery>

#include <cmath>

class TstZoneInfo : public QObject
{
    Q_OBJECT

    static TZoneInfo polygon(const QList<TGeoPoint> &nodes)
    {
        TZoneInfo z(7, TZoneInfo::Poligon);
        z.geom.nodes = nodes;
        z.UpdateRect();
        return z;
    }

private Q_SLOTS:
    void circleBoundsAreaAndPerimeter()
    {
        TZoneInfo z(1, TZoneInfo::Circle);
        z.geom.center = TGeoPoint{37.6, 55.75};
        z.geom.radius = 100;
        z.UpdateRect();
        QVERIFY(z.HasRect());
        QVERIFY(qAbs(z.area - 10000 * M_PI) < 1e-6);
        QVERIFY(qAbs(z.perimeter - 200 * M_PI) < 1e-6);
        // North-west and south-east corners, 141.42 m from the centre.
        QVERIFY(z.rect.TopLeft.Lat > 55.75 && z.rect.TopLeft.Long < 37.6);
        QVERIFY(z.rect.BottomRight.Lat < 55.75 && z.rect.BottomRight.Long > 37.6);
        QVERIFY(qAbs(GeoDistance(z.geom.center, z.rect.TopLeft) - 141.42) < 1.5);
        QVERIFY(qAbs(GeoDistance(z.geom.center, z.rect.BottomRight) - 141.42) < 1.5);
        QVERIFY(z.rect.Contains(z.geom.center));
    }

    // A circle that cannot be bounded must not take the program down.
    void circleWithoutBoundsStaysUsable_data()
    {
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("radius");
        QTest::addRow("no radius") << 37.6 << std::nan("");
        QTest::addRow("across the antimeridian") << 179.9999 << 5000.0;
    }
    void circleWithoutBoundsStaysUsable()
    {
        QFETCH(double, lon);
        QFETCH(double, radius);
        TZoneInfo z(1, TZoneInfo::Circle);
        z.geom.center = TGeoPoint{lon, 55.75};
        z.geom.radius = radius;
        z.UpdateRect();
        QVERIFY(!z.HasRect());
        QVERIFY(z.geom.HasCenter());
    }

    void polygonOfTwoNodesHasNoArea()
    {
        const TZoneInfo z = polygon({TGeoPoint{10, 10}, TGeoPoint{10.01, 10}});
        QCOMPARE(z.area, 0.0);
        QCOMPARE(z.perimeter, 0.0);
        QVERIFY(!z.HasRect());
        QVERIFY(!z.geom.HasCenter());
    }

    void polygonBoundsCentreAreaAndPerimeter()
    {
        // A square of 0.01 degree sides, listed anticlockwise from south-west.
        const TZoneInfo z = polygon(
            {TGeoPoint{10, 10}, TGeoPoint{10.01, 10}, TGeoPoint{10.01, 10.01}, TGeoPoint{10, 10.01}});
        QCOMPARE(z.rect.TopLeft.Lat, 10.01);
        QCOMPARE(z.rect.TopLeft.Long, 10.0);
        QCOMPARE(z.rect.BottomRight.Lat, 10.0);
        QCOMPARE(z.rect.BottomRight.Long, 10.01);
        QVERIFY(qAbs(z.geom.center.Lat - 10.005) < 1e-12);
        QVERIFY(qAbs(z.geom.center.Long - 10.005) < 1e-12);
        const double south = GeoDistance(TGeoPoint{10, 10}, TGeoPoint{10.01, 10});
        const double east = GeoDistance(TGeoPoint{10.01, 10}, TGeoPoint{10.01, 10.01});
        const double north = GeoDistance(TGeoPoint{10.01, 10.01}, TGeoPoint{10, 10.01});
        QVERIFY(qAbs(z.perimeter - (south + east + north + east)) < 0.01);
        // About a square kilometre and a quarter; the formula is an approximation.
        QVERIFY(qAbs(z.area - south * east) / (south * east) < 0.01);
    }

    void assignRecomputesAndCopiesNodes()
    {
        TZoneInfo a = polygon({TGeoPoint{10, 10}, TGeoPoint{10.01, 10}, TGeoPoint{10.01, 10.01}});
        a.name = QStringLiteral("Home");
        a.area = 1; // stale
        TZoneInfo b;
        b.Assign(a);
        QCOMPARE(b.name, QStringLiteral("Home"));
        QVERIFY(b.area > 1000);
        b.geom.nodes[0].Lat = 20;
        QCOMPARE(a.geom.nodes[0].Lat, 10.0);
    }

    void colorText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("color");
        QTest::addRow("red") << "#FF0000" << 0x0000FFu;
        QTest::addRow("green") << "#00FF00" << 0x00FF00u;
        QTest::addRow("blue, no hash") << "0000ff" << 0xFF0000u;
        QTest::addRow("mixed") << "#102030" << 0x302010u;
        QTest::addRow("black is red") << "#000000" << 0x0000FFu;
        QTest::addRow("empty is red") << "" << 0x0000FFu;
    }
    void colorText()
    {
        QFETCH(QString, text);
        QFETCH(uint, color);
        QCOMPARE(TZoneInfo::ColorFromText(text), color);
        if (color != 0x0000FFu || text == QLatin1String("#FF0000"))
            QCOMPARE(TZoneInfo::ColorToText(color), QString(text.startsWith('#') ? text : '#' + text).toUpper());
    }

    void geometryJson()
    {
        TZoneGeom g;
        g.center = TGeoPoint{37.5, 55.25};
        g.radius = 150;
        g.nodes = {TGeoPoint{1, 2}, TGeoPoint{3, 4}};
        const QJsonObject c = QJsonDocument::fromJson(g.ToJsonString(TZoneInfo::Circle).toUtf8()).object();
        QCOMPARE(c.value("center").toArray(), (QJsonArray{37.5, 55.25}));
        QCOMPARE(c.value("radius").toDouble(), 150.0);
        QCOMPARE(g.ToJsonString(TZoneInfo::Poligon), QStringLiteral("[[1,2],[3,4]]"));
        try {
            g.ToJsonString(3);
            QFAIL("an unknown type must not be written");
        } catch (const std::exception &e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("TZoneGeom.ToJsonString: unknown type_id [3]"));
        }
    }

    void urlString()
    {
        TZoneInfo z(0, TZoneInfo::Poligon);
        z.name = QStringLiteral("Dacha & garden");
        z.desc = QStringLiteral("50% = half");
        z.color = 0x0000FF;
        z.geom.nodes = {TGeoPoint{1, 2}, TGeoPoint{3, 4}, TGeoPoint{5, 6}};
        const QString s = z.ToUrlString();
        QVERIFY(s.startsWith(QStringLiteral("uid=0&name=")));
        QVERIFY(s.endsWith(QLatin1Char('&')));
        const QStringList parts = s.chopped(1).split('&');
        QCOMPARE(parts.size(), 6);
        const QStringList keys{"uid", "name", "type_id", "color", "geom", "desc"};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(parts[i].section('=', 0, 0), keys[i]);
        QUrlQuery q(s);
        QCOMPARE(q.queryItemValue("name", QUrl::FullyDecoded), z.name);
        QCOMPARE(q.queryItemValue("desc", QUrl::FullyDecoded), z.desc);
        QCOMPARE(q.queryItemValue("color", QUrl::FullyDecoded), QStringLiteral("#FF0000"));
        QCOMPARE(q.queryItemValue("geom", QUrl::FullyDecoded), QStringLiteral("[[1,2],[3,4],[5,6]]"));
        QCOMPARE(q.queryItemValue("type_id"), QStringLiteral("2"));
    }
};

QTEST_GUILESS_MAIN(TstZoneInfo)
#include "tst_ZoneInfo.moc"
