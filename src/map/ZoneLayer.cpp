#include "ZoneLayer.h"

#include "OSM.TrackGlyphs.h"
#include "OSM.ZoneInfo.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// Within 5 pixels on both axes.
bool Near(const QPoint &a, const QPoint &b)
{
    return std::abs(a.x() - b.x()) < 6 && std::abs(a.y() - b.y()) < 6;
}

double Dist(const QPoint &a, const QPoint &b)
{
    return std::hypot(double(a.x() - b.x()), double(a.y() - b.y()));
}

} // namespace

void TZoneLayer::SetZones(std::vector<std::unique_ptr<TZoneInfo>> *Zones)
{
    FZones = Zones;
    Changed();
}

TZoneInfo *TZoneLayer::EditedZone() const
{
    if (FZones)
        for (auto &z : *FZones)
            if (z && z->visible && z->edited)
                return z.get();
    return nullptr;
}

void TZoneLayer::Error(const QString &Text) const
{
    if (OnError)
        OnError(Text);
}

int TZoneLayer::RadiusPx(const TZoneInfo &Zone, const TMapView &View)
{
    const double mpp = MetersPerPixel[View.ZoomLevel()];
    return int(std::trunc(Zone.geom.radius / mpp / std::cos(Zone.geom.center.Lat * M_PI / 180)));
}

void TZoneLayer::Paint(QPainter &Canvas, const TMapView &View)
{
    if (!FZones)
        return;
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, true);
    for (auto &z : *FZones) {
        if (!z || !z->visible)
            continue;
        try {
            DrawZone(Canvas, View, *z);
        } catch (const std::exception &e) {
            Error(QStringLiteral("\rX: zone %1: %2").arg(z->uid).arg(QString::fromUtf8(e.what())));
        }
    }
    Canvas.restore();
}

void TZoneLayer::DrawZone(QPainter &Canvas, const TMapView &View, TZoneInfo &Zone) const
{
    // Only what meets the region being repainted is drawn: while a node is
    // dragged that is a small patch around it, which the other zones and the
    // edited zone's other edges and handles do not reach. The pieces drawn are
    // the same calls as in a full paint, so the pixels are the same.
    auto meets = [&](const QRect &r) {
        return View.Meets(r.normalized().adjusted(-PaintMargin, -PaintMargin, PaintMargin, PaintMargin));
    };
    const bool edited = Zone.edited;
    const QPen pen(ColorOfTColor(Zone.color), edited ? 6 : 3);
    Canvas.setPen(pen);
    Canvas.setBrush(Qt::NoBrush);
    QPoint c;
    const bool hasCenter = Zone.geom.HasCenter();
    if (hasCenter) {
        c = View.GeoToView(Zone.geom.center);
        const QRect dot(c - QPoint(3, 3), c + QPoint(3, 3));
        if (edited && meets(dot))
            Canvas.drawEllipse(dot);
    }
    if (Zone.type_id == TZoneInfo::Circle) {
        if (hasCenter && !std::isnan(Zone.geom.radius)) {
            const int r = RadiusPx(Zone, View);
            if (meets(QRect(c - QPoint(r, r), c + QPoint(r, r))))
                Canvas.drawEllipse(c, r, r);
        }
    } else if (Zone.type_id == TZoneInfo::Poligon) {
        const auto &nodes = Zone.geom.nodes;
        QPolygon pts;
        pts.reserve(nodes.size());
        for (const TGeoPoint &n : nodes)
            pts << View.GeoToView(n);
        if (!meets(pts.boundingRect()))
            return;
        const QPainterPathStroker stroker(pen);
        for (int i = 0; i < pts.size(); ++i) {
            const QPoint &a = pts[i], &b = pts[i == 0 ? pts.size() - 1 : i - 1];
            if (meets(QRect(a, b))) {
                // The pen's outline filled, not a drawn line: the raster
                // engine cuts a drawn line at the clip before shading it, so
                // a patch repainted during a drag would differ by a shade
                // from the full paint around it. A filled outline does not.
                QPainterPath edge(a);
                edge.lineTo(b);
                Canvas.fillPath(stroker.createStroke(edge), pen.brush());
            }
        }
        if (edited)
            for (const QPoint &p : std::as_const(pts)) {
                const QRect handle(p - QPoint(3, 3), p + QPoint(3, 3));
                if (meets(handle))
                    Canvas.drawEllipse(handle);
            }
    }
}

QRegion TZoneLayer::ViewArea(const TZoneInfo &Zone, const TMapView &View, int Node)
{
    auto grow = [](const QRect &r) {
        return r.normalized().adjusted(-PaintMargin, -PaintMargin, PaintMargin, PaintMargin);
    };
    try {
        QRegion area;
        if (Zone.geom.HasCenter()) {
            const QPoint c = View.GeoToView(Zone.geom.center);
            area += grow(QRect(c - QPoint(3, 3), c + QPoint(3, 3)));
            if (Zone.type_id == TZoneInfo::Circle && !std::isnan(Zone.geom.radius)) {
                const int r = RadiusPx(Zone, View);
                area += grow(QRect(c - QPoint(r, r), c + QPoint(r, r)));
            }
        }
        const auto &nodes = Zone.geom.nodes;
        const int n = int(nodes.size());
        if (Zone.type_id == TZoneInfo::Poligon && n > 0) {
            if (Node >= 0 && Node < n) {
                const QPoint p = View.GeoToView(nodes[Node]);
                area += grow(QRect(p, View.GeoToView(nodes[(Node + n - 1) % n])));
                area += grow(QRect(p, View.GeoToView(nodes[(Node + 1) % n])));
            } else {
                QPolygon pts;
                pts.reserve(n);
                for (const TGeoPoint &g : nodes)
                    pts << View.GeoToView(g);
                area += grow(pts.boundingRect());
            }
        }
        return area;
    } catch (const std::exception &) {
        return QRegion(View.ViewArea());
    }
}

TZoneHit TZoneLayer::HitAt(const QPoint &ViewPt, const TZoneInfo *Zone, const TMapView &View) const
{
    if (!Zone)
        return {};
    try {
        if (!Zone->geom.HasCenter())
            return {};
        const QPoint c = View.GeoToView(Zone->geom.center);
        if (Near(ViewPt, c))
            return {TZoneHit::Centre};
        if (Zone->type_id == TZoneInfo::Circle) {
            if (std::isnan(Zone->geom.radius))
                return {};
            const int r = RadiusPx(*Zone, View);
            const int d = int(std::trunc(Dist(ViewPt, c)));
            if (std::abs(r - d) < 6)
                return {TZoneHit::Rim};
            return d < r ? TZoneHit{TZoneHit::Inside} : TZoneHit{};
        }
        if (Zone->type_id == TZoneInfo::Poligon) {
            const auto &nodes = Zone->geom.nodes;
            QVector<QPoint> pts;
            pts.reserve(nodes.size());
            for (const TGeoPoint &n : nodes)
                pts << View.GeoToView(n);
            for (int i = 0; i < pts.size(); ++i)
                if (Near(ViewPt, pts[i]))
                    return TZoneHit::AtNode(i);
            for (int i = 0; i < pts.size(); ++i) {
                const QPoint &a = pts[i], &b = pts[i == 0 ? pts.size() - 1 : i - 1];
                if (!Near(a, b)) {
                    if (std::abs(Dist(a, b) - Dist(ViewPt, a) - Dist(ViewPt, b)) < 0.1)
                        return TZoneHit::AtEdge(i);
                } else if (Near(ViewPt, a)) {
                    return TZoneHit::AtEdge(i);
                }
            }
            if (Zone->HasRect()) {
                const QPoint nw = View.GeoToView(Zone->rect.TopLeft);
                const QPoint se = View.GeoToView(Zone->rect.BottomRight);
                if (nw.x() < ViewPt.x() && ViewPt.x() < se.x() && nw.y() < ViewPt.y() && ViewPt.y() < se.y())
                    return {TZoneHit::Inside};
            }
        }
        return {};
    } catch (const std::exception &e) {
        Error(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
        return {};
    }
}

std::vector<TZoneInfo *> TZoneLayer::ZonesAt(const QPoint &ViewPt, const TMapView &View) const
{
    std::vector<TZoneInfo *> hits;
    if (FZones)
        for (auto &z : *FZones)
            if (z && z->visible && HitAt(ViewPt, z.get(), View).Kind != TZoneHit::None)
                hits.push_back(z.get());
    return hits;
}

bool TZoneLayer::HitTest(const QPoint &ViewPt, const TMapView &View) const
{
    return !ZonesAt(ViewPt, View).empty();
}
