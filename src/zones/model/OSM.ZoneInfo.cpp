#include "OSM.ZoneInfo.h"

#include "geo_utils.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <cmath>
#include <stdexcept>

QString TZoneGeom::ToJsonString(int TypeId) const
{
    switch (TypeId) {
    case TZoneInfo::Circle: {
        QJsonObject o;
        o.insert(QStringLiteral("center"), QJsonArray{center.Long, center.Lat});
        o.insert(QStringLiteral("radius"), radius);
        return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    }
    case TZoneInfo::Poligon: {
        QJsonArray a;
        for (const TGeoPoint &p : nodes)
            a.append(QJsonArray{p.Long, p.Lat});
        return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
    }
    default:
        throw std::runtime_error(
            QStringLiteral("TZoneGeom.ToJsonString: unknown type_id [%1]").arg(TypeId).toStdString());
    }
}

void TZoneInfo::Assign(const TZoneInfo &other)
{
    uid = other.uid;
    vid = other.vid;
    type_id = other.type_id;
    user_id = other.user_id;
    name = other.name;
    desc = other.desc;
    geom = other.geom;
    color = other.color;
    del_dt = other.del_dt;
    visible = other.visible;
    edited = other.edited;
    perimeter = other.perimeter;
    area = other.area;
    UpdateRect();
}

bool TZoneInfo::HasRect() const
{
    return !std::isnan(rect.TopLeft.Long) && !std::isnan(rect.TopLeft.Lat)
        && !std::isnan(rect.BottomRight.Long) && !std::isnan(rect.BottomRight.Lat);
}

void TZoneInfo::UpdateRect()
{
    rect = TGeoRect();
    if (type_id == Circle) {
        const double radius = geom.radius;
        area = radius * radius * M_PI;
        perimeter = radius * 6.283185307179586;
        if (!geom.HasCenter() || std::isnan(radius))
            return;
        const double d = radius * 1.4142;
        try {
            rect.TopLeft = GeoDestination(geom.center, d, 315);
            rect.BottomRight = GeoDestination(geom.center, d, 135);
        } catch (const EGeoAssertion &) {
            // A circle across the antimeridian or beyond the Mercator limit has
            // no drawable bounds; the zone itself stays usable.
            rect = TGeoRect();
        }
        return;
    }
    if (type_id != Poligon)
        return;

    perimeter = 0;
    area = 0;
    const qsizetype n = geom.nodes.size();
    if (n > 2) {
        auto x = [](const TGeoPoint &r) { return GeoDistance(r, TGeoPoint{0, r.Lat}); };
        auto y = [](const TGeoPoint &r) { return GeoDistance(r, TGeoPoint{r.Long, 0}); };
        double sum1 = 0, sum2 = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const TGeoPoint &p = geom.nodes[i];
            const TGeoPoint &q = geom.nodes[(i + 1) % n];
            if (std::isnan(rect.TopLeft.Lat) || p.Lat > rect.TopLeft.Lat)
                rect.TopLeft.Lat = p.Lat;
            if (std::isnan(rect.TopLeft.Long) || p.Long < rect.TopLeft.Long)
                rect.TopLeft.Long = p.Long;
            if (std::isnan(rect.BottomRight.Lat) || p.Lat < rect.BottomRight.Lat)
                rect.BottomRight.Lat = p.Lat;
            if (std::isnan(rect.BottomRight.Long) || p.Long > rect.BottomRight.Long)
                rect.BottomRight.Long = p.Long;
            perimeter += GeoDistance(p, q);
            sum1 += x(p) * y(q);
            sum2 += y(p) * x(q);
        }
        area = std::fabs(sum1 - sum2) / 2;
    }
    if (HasRect()) {
        geom.center.Lat = rect.BottomRight.Lat + (rect.TopLeft.Lat - rect.BottomRight.Lat) / 2;
        geom.center.Long = rect.TopLeft.Long + (rect.BottomRight.Long - rect.TopLeft.Long) / 2;
    } else {
        geom.center = TGeoPoint();
    }
}

static QString enc(const QString &s)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(s));
}

QString TZoneInfo::ToUrlString() const
{
    return QStringLiteral("uid=%1&name=%2&type_id=%3&color=%4&geom=%5&desc=%6&")
        .arg(QString::number(uid), enc(name), QString::number(type_id), enc(ColorToText(color)),
             enc(geom.ToJsonString(type_id)), enc(desc));
}

QString TZoneInfo::ColorToText(uint32_t aColor)
{
    return QStringLiteral("#%1%2%3")
        .arg(aColor & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((aColor >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((aColor >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

uint32_t TZoneInfo::ColorFromText(const QString &aText)
{
    QString s = aText;
    if (s.startsWith(QLatin1Char('#')))
        s.remove(0, 1);
    // Blue, green and red pairs joined: the value holds red in its low byte.
    QString h = s.mid(4, 2) + s.mid(2, 2) + s.mid(0, 2);
    if (h.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        h.remove(0, 2);
    else if (h.startsWith(QLatin1Char('x'), Qt::CaseInsensitive))
        h.remove(0, 1);
    uint32_t v = 0;
    for (QChar c : h) {
        const int d = c.isDigit() ? c.digitValue()
            : (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))
            ? c.toLower().unicode() - 'a' + 10
            : 0;
        v = v * 16 + uint32_t(d);
    }
    return v == 0 ? 0x0000FFu : v;
}
