// TZtMapControl: zone hit test, zone editing with the mouse, click reports.
#include "OSM.ZtMapControl.h"

#include "OSM.GeoTrack.h"
#include "OSM.ZoneInfo.h"
#include "ZtUtils.h"
#include "geo_utils.h"

#include <QKeyEvent>
#include <QMouseEvent>

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

double RoundTo6(double v)
{
    return std::nearbyint(v * 1e6) / 1e6;
}

QString Dec4(double v)
{
    return FloatToStrN(v, 4);
}

} // namespace

Qt::CursorShape TZtMapControl::ZoneEditCursor(int HitCode)
{
    if (HitCode == 1)
        return Qt::SizeAllCursor; // move the zone by its centre
    if (HitCode == 2)
        return Qt::SizeFDiagCursor; // pull the rim: the radius
    if (IsNodeHit(HitCode))
        return Qt::PointingHandCursor; // move a node
    if (IsEdgeHit(HitCode))
        return Qt::CrossCursor; // a right click adds a node here
    return Qt::ArrowCursor;
}

TZoneInfo *TZtMapControl::FindEditedZone()
{
    FEditedZone = nullptr;
    if (FGeoZones)
        for (auto &z : *FGeoZones)
            if (z && z->visible && z->edited) {
                FEditedZone = z.get();
                break;
            }
    return FEditedZone;
}

int TZtMapControl::ZoneHitTest(const QPoint &ViewPt, TZoneInfo *Zone)
{
    if (!Zone)
        return -1;
    try {
        if (!Zone->geom.HasCenter())
            return -1;
        const QPoint c = GeoPointToInnerPoint(Zone->geom.center);
        if (Near(ViewPt, c))
            return 1;
        if (Zone->type_id == TZoneInfo::Circle) {
            if (std::isnan(Zone->geom.radius))
                return -1;
            const int r = ZoneRadiusPx(*Zone);
            const int d = int(std::trunc(Dist(ViewPt, c)));
            if (std::abs(r - d) < 6)
                return 2;
            return d < r ? 9 : -1;
        }
        if (Zone->type_id == TZoneInfo::Poligon) {
            const auto &nodes = Zone->geom.nodes;
            QVector<QPoint> pts;
            pts.reserve(nodes.size());
            for (const TGeoPoint &n : nodes)
                pts << GeoPointToInnerPoint(n);
            for (int i = 0; i < pts.size(); ++i)
                if (Near(ViewPt, pts[i]))
                    return NodeHit(i);
            for (int i = 0; i < pts.size(); ++i) {
                const QPoint &a = pts[i], &b = pts[i == 0 ? pts.size() - 1 : i - 1];
                if (!Near(a, b)) {
                    if (std::abs(Dist(a, b) - Dist(ViewPt, a) - Dist(ViewPt, b)) < 0.1)
                        return EdgeHit(i);
                } else if (Near(ViewPt, a)) {
                    return EdgeHit(i);
                }
            }
            if (Zone->HasRect()) {
                const QPoint nw = GeoPointToInnerPoint(Zone->rect.TopLeft);
                const QPoint se = GeoPointToInnerPoint(Zone->rect.BottomRight);
                if (nw.x() < ViewPt.x() && ViewPt.x() < se.x() && nw.y() < ViewPt.y() && ViewPt.y() < se.y())
                    return 9;
            }
        }
        return -1;
    } catch (const std::exception &e) {
        Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
        return -1;
    }
}

void TZtMapControl::mousePressEvent(QMouseEvent *Event)
{
    bool consumed = false;
    try {
        if (Event->button() == Qt::LeftButton)
            LeftPress(Event, consumed);
        else if (Event->button() == Qt::RightButton)
            RightPress(Event, consumed);
    } catch (const std::exception &e) {
        Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
        consumed = true;
    }
    if (consumed)
        setFocus(Qt::MouseFocusReason);
    else
        TMapControl::mousePressEvent(Event);
}

void TZtMapControl::LeftPress(QMouseEvent *Event, bool &Consumed)
{
    const QPoint pt = Event->position().toPoint();
    if (FindEditedZone()) {
        // While a zone is edited the map reports no clicks.
        FDragType = ZoneHitTest(pt, FEditedZone);
        if (FDragType == 1 || FDragType == 2 || IsNodeHit(FDragType)) {
            LogFmt(QStringLiteral("\rStart drag center zone: %d,%d"), {pt.x(), pt.y()});
            FZoneDragPoint = pt;
            FDragStartCenter = FEditedZone->geom.center;
            FDragStartRadius = FEditedZone->geom.radius;
            FDragStartNodes = FEditedZone->geom.nodes;
            Consumed = true;
        }
        return;
    }
    const TGeoPoint geo = GeoAt(pt);
    if (OnLClickMap && OnLClickMap(geo)) {
        Consumed = true;
        return;
    }
    // Hits are collected first: a report may change the lists.
    if (OnClickTrackPoint) {
        std::vector<TTrackPointInfo *> hits;
        UpdateMapPoints();
        for (size_t t = 0; t < FGeoTracks.size() && t < FTrackCaches.size(); ++t) {
            const auto &pts = FGeoTracks[t]->Points();
            const double reach = FGeoTracks[t]->Style().PointSize / 2;
            // Only points of the last paint carry a position.
            const auto &painted = FTrackCaches[t].Painted();
            for (auto it = painted.rbegin(); it != painted.rend(); ++it) {
                if (*it >= pts.size())
                    continue;
                TTrackPointInfo *tp = pts[*it].get();
                if (tp->MapPoint.isNull())
                    continue;
                if (Dist(tp->MapPoint, pt) < reach) {
                    hits.push_back(tp);
                    break;
                }
            }
        }
        for (TTrackPointInfo *tp : hits)
            OnClickTrackPoint(tp);
    }
    if (OnClickMapMark) {
        if (TMapMark *hit = MarkAt(pt))
            OnClickMapMark(hit);
    }
    if (OnClickZone && FGeoZones) {
        std::vector<TZoneInfo *> hits;
        for (auto &z : *FGeoZones)
            if (z && z->visible && ZoneHitTest(pt, z.get()) > 0)
                hits.push_back(z.get());
        for (TZoneInfo *z : hits)
            OnClickZone(z);
    }
}

void TZtMapControl::RightPress(QMouseEvent *Event, bool &Consumed)
{
    const QPoint pt = Event->position().toPoint();
    if (!FindEditedZone()) {
        if (OnRClickMap && OnRClickMap(GeoAt(pt)))
            Consumed = true;
        return;
    }
    if (FEditedZone->type_id != TZoneInfo::Poligon)
        return;
    FDragType = ZoneHitTest(pt, FEditedZone);
    if (!IsNodeHit(FDragType) && !IsEdgeHit(FDragType))
        return;
    Consumed = true;
    auto &nodes = FEditedZone->geom.nodes;
    const int i = HitIndex(FDragType);
    if (i >= nodes.size()) {
        LogFmt(QStringLiteral("\r  x: too large index [%d]"), {i});
        return;
    }
    if (IsNodeHit(FDragType)) {
        LogFmt(QStringLiteral("\rDelete node [%d] ..."), {i});
        if (nodes.size() > 3) {
            nodes.removeAt(i);
            FEditedZone->UpdateRect();
            Invalidate();
            Cmd(QStringLiteral("update"), QStringLiteral("zone"), {QStringLiteral("del node"), QString::number(i)});
        } else {
            Log(QStringLiteral("\r  x: too little nodes"));
        }
    } else {
        LogFmt(QStringLiteral("\rAppend node before [%d] ..."), {i});
        const TGeoPoint a = nodes[i], b = nodes[i == 0 ? nodes.size() - 1 : i - 1];
        const TGeoPoint mid{std::min(a.Long, b.Long) + std::fabs(a.Long - b.Long) / 2,
                            std::min(a.Lat, b.Lat) + std::fabs(a.Lat - b.Lat) / 2};
        nodes.insert(i, mid);
        FEditedZone->UpdateRect();
        Invalidate();
        Cmd(QStringLiteral("update"), QStringLiteral("zone"), {QStringLiteral("add node"), QString::number(i)});
    }
}

void TZtMapControl::mouseMoveEvent(QMouseEvent *Event)
{
    TMapControl::mouseMoveEvent(Event);
    if (!FindEditedZone()) {
        FZoneDragPoint = QPoint();
        return;
    }
    const QPoint pt = Event->position().toPoint();
    try {
        if (FZoneDragPoint.isNull()) {
            if (!IsDragging()) {
                const int hit = ZoneHitTest(pt, FEditedZone);
                if (hit > 0 && hit != 9)
                    viewport()->setCursor(ZoneEditCursor(hit));
                else
                    viewport()->unsetCursor();
            }
        } else if (Event->buttons() != Qt::NoButton || Event->modifiers() != Qt::NoModifier) {
            DragZone(pt);
        } else {
            EndZoneDrag();
        }
    } catch (const std::exception &e) {
        Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
    }
}

void TZtMapControl::mouseReleaseEvent(QMouseEvent *Event)
{
    if (!FZoneDragPoint.isNull() && Event->button() == Qt::LeftButton) {
        EndZoneDrag();
        return;
    }
    TMapControl::mouseReleaseEvent(Event);
}

void TZtMapControl::EndZoneDrag()
{
    FZoneDragPoint = QPoint();
    FDragType = -1;
    FDragStartNodes.clear();
    viewport()->unsetCursor();
}

void TZtMapControl::keyPressEvent(QKeyEvent *Event)
{
    // Escape puts the zone back where the drag began, as drawing tools do.
    if (Event->key() == Qt::Key_Escape && !FZoneDragPoint.isNull() && FindEditedZone()) {
        TZoneInfo *z = FEditedZone;
        z->geom.center = FDragStartCenter;
        z->geom.radius = FDragStartRadius;
        if (z->type_id == TZoneInfo::Poligon)
            z->geom.nodes = FDragStartNodes;
        z->UpdateRect();
        EndZoneDrag();
        Log(QStringLiteral("\rZone drag cancelled"));
        Invalidate();
        Cmd(QStringLiteral("update"), QStringLiteral("zone"), {QStringLiteral("drag cancelled")});
        Event->accept();
        return;
    }
    TMapControl::keyPressEvent(Event);
}

void TZtMapControl::DragZone(const QPoint &ViewPt)
{
    TZoneInfo *z = FEditedZone;
    const TGeoPoint g = GeoAt(ViewPt);
    if (FDragType == 1) {
        const double dLat = g.Lat - z->geom.center.Lat, dLong = g.Long - z->geom.center.Long;
        if (std::fabs(dLat) < 1e-5 && std::fabs(dLong) < 1e-5)
            return;
        LogFmt(QStringLiteral("\rNew zone center: %s, %s"), {Dec4(g.Lat), Dec4(g.Long)});
        const QRegion before = ZoneViewArea(*z);
        if (z->type_id == TZoneInfo::Circle) {
            z->geom.center = TGeoPoint{RoundTo6(g.Long), RoundTo6(g.Lat)};
        } else {
            for (TGeoPoint &n : z->geom.nodes) {
                n.Long += dLong;
                n.Lat += dLat;
            }
        }
        z->UpdateRect();
        // Only where the zone was and where it is now needs a repaint.
        viewport()->update((before + ZoneViewArea(*z)).boundingRect());
        Cmd(QStringLiteral("update"), QStringLiteral("zone"), {QStringLiteral("center"), Dec4(g.Lat), Dec4(g.Long)});
    } else if (FDragType == 2) {
        const double d = ArcDistance(z->geom.center, g);
        if (!(d >= 5) || std::fabs(d - z->geom.radius) < 1)
            return;
        LogFmt(QStringLiteral("\rNew zone radius: %d"), {int(std::trunc(d))});
        const QRegion before = ZoneViewArea(*z);
        z->geom.radius = d;
        z->UpdateRect();
        viewport()->update((before + ZoneViewArea(*z)).boundingRect());
        Cmd(QStringLiteral("update"), QStringLiteral("zone"), {QStringLiteral("radius"), FloatToStrN(d, 2)});
    } else if (IsNodeHit(FDragType)) {
        const int i = HitIndex(FDragType);
        if (i >= z->geom.nodes.size())
            return;
        TGeoPoint &n = z->geom.nodes[i];
        if (std::fabs(n.Long - g.Long) < 1e-5 && std::fabs(n.Lat - g.Lat) < 1e-5)
            return;
        const QRegion before = ZoneViewArea(*z, i);
        n = TGeoPoint{RoundTo6(g.Long), RoundTo6(g.Lat)};
        z->UpdateRect();
        // The node's two edges, its handle and the centre mark, before and after.
        viewport()->update((before + ZoneViewArea(*z, i)).boundingRect());
        Cmd(QStringLiteral("update"), QStringLiteral("zone"),
            {QStringLiteral("node") + QString::number(i), Dec4(g.Lat), Dec4(g.Long)});
    }
}
