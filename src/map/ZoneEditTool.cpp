#include "ZoneEditTool.h"

#include "OSM.ZoneInfo.h"
#include "ZoneLayer.h"
#include "ZtUtils.h"
#include "geo_utils.h"

#include <cmath>

namespace {

double RoundTo6(double v)
{
    return std::nearbyint(v * 1e6) / 1e6;
}

QString Dec4(double v)
{
    return FloatToStrN(v, 4);
}

QString ErrorText(const std::exception &e)
{
    return QStringLiteral("\rX: ") + QString::fromUtf8(e.what());
}

} // namespace

Qt::CursorShape TZoneEditTool::Cursor(const TZoneHit &Hit)
{
    switch (Hit.Kind) {
    case TZoneHit::Centre:
        return Qt::SizeAllCursor; // move the zone by its centre
    case TZoneHit::Rim:
        return Qt::SizeFDiagCursor; // pull the rim: the radius
    case TZoneHit::Node:
        return Qt::PointingHandCursor; // move a node
    case TZoneHit::Edge:
        return Qt::CrossCursor; // a right click adds a node here
    default:
        return Qt::ArrowCursor;
    }
}

bool TZoneEditTool::Active() const
{
    return !FDragPoint.isNull() || FLayer.EditedZone();
}

void TZoneEditTool::Log(const QString &Text, const QVariantList &Args) const
{
    if (OnLog)
        OnLog(Text, Args);
}

void TZoneEditTool::Cmd(const QStringList &Args) const
{
    if (OnCmd)
        OnCmd(QStringLiteral("update"), QStringLiteral("zone"), Args);
}

bool TZoneEditTool::Press(const TMapToolEvent &Event)
{
    try {
        if (Event.Button == Qt::LeftButton)
            return LeftPress(Event.Pos);
        if (Event.Button == Qt::RightButton)
            return RightPress(Event.Pos);
    } catch (const std::exception &e) {
        Log(ErrorText(e));
        return true;
    }
    return false;
}

bool TZoneEditTool::LeftPress(const QPoint &Pt)
{
    TZoneInfo *z = FLayer.EditedZone();
    if (!z)
        return false;
    FDragHit = FLayer.HitAt(Pt, z, View());
    if (!FDragHit.IsHandle())
        return false;
    Log(QStringLiteral("\rStart drag center zone: %d,%d"), {Pt.x(), Pt.y()});
    FDragPoint = Pt;
    FDragStartCenter = z->geom.center;
    FDragStartRadius = z->geom.radius;
    FDragStartNodes = z->geom.nodes;
    return true;
}

bool TZoneEditTool::RightPress(const QPoint &Pt)
{
    TZoneInfo *z = FLayer.EditedZone();
    if (!z || z->type_id != TZoneInfo::Poligon)
        return false;
    FDragHit = FLayer.HitAt(Pt, z, View());
    if (FDragHit.Kind != TZoneHit::Node && FDragHit.Kind != TZoneHit::Edge)
        return false;
    auto &nodes = z->geom.nodes;
    const int i = FDragHit.Index;
    if (i >= nodes.size()) {
        Log(QStringLiteral("\r  x: too large index [%d]"), {i});
        return true;
    }
    if (FDragHit.Kind == TZoneHit::Node) {
        Log(QStringLiteral("\rDelete node [%d] ..."), {i});
        if (nodes.size() > 3) {
            nodes.removeAt(i);
            z->UpdateRect();
            Repaint();
            Cmd({QStringLiteral("del node"), QString::number(i)});
        } else {
            Log(QStringLiteral("\r  x: too little nodes"));
        }
    } else {
        Log(QStringLiteral("\rAppend node before [%d] ..."), {i});
        const TGeoPoint a = nodes[i], b = nodes[i == 0 ? nodes.size() - 1 : i - 1];
        const TGeoPoint mid{std::min(a.Long, b.Long) + std::fabs(a.Long - b.Long) / 2,
                            std::min(a.Lat, b.Lat) + std::fabs(a.Lat - b.Lat) / 2};
        nodes.insert(i, mid);
        z->UpdateRect();
        Repaint();
        Cmd({QStringLiteral("add node"), QString::number(i)});
    }
    return true;
}

bool TZoneEditTool::Move(const TMapToolEvent &Event)
{
    TZoneInfo *z = FLayer.EditedZone();
    if (!z) {
        FDragPoint = QPoint();
        return false;
    }
    try {
        if (FDragPoint.isNull()) {
            if (Host() && !Host()->MapDragging()) {
                const TZoneHit hit = FLayer.HitAt(Event.Pos, z, View());
                if (hit.Kind != TZoneHit::None && hit.Kind != TZoneHit::Inside)
                    SetCursor(Cursor(hit));
                else
                    SetCursor(std::nullopt);
            }
            return false;
        }
        if (Event.Buttons != Qt::NoButton || Event.Modifiers != Qt::NoModifier)
            Drag(*z, Event.Pos);
        else
            EndDrag();
    } catch (const std::exception &e) {
        Log(ErrorText(e));
    }
    return true;
}

bool TZoneEditTool::Release(const TMapToolEvent &Event)
{
    if (FDragPoint.isNull() || Event.Button != Qt::LeftButton)
        return false;
    EndDrag();
    return true;
}

void TZoneEditTool::EndDrag()
{
    FDragPoint = QPoint();
    FDragHit = TZoneHit();
    FDragStartNodes.clear();
    SetCursor(std::nullopt);
}

bool TZoneEditTool::Key(const TMapToolEvent &Event)
{
    // Escape puts the zone back where the drag began, as drawing tools do.
    TZoneInfo *z = FLayer.EditedZone();
    if (Event.Key != Qt::Key_Escape || FDragPoint.isNull() || !z)
        return false;
    z->geom.center = FDragStartCenter;
    z->geom.radius = FDragStartRadius;
    if (z->type_id == TZoneInfo::Poligon)
        z->geom.nodes = FDragStartNodes;
    z->UpdateRect();
    EndDrag();
    Log(QStringLiteral("\rZone drag cancelled"));
    Repaint();
    Cmd({QStringLiteral("drag cancelled")});
    return true;
}

void TZoneEditTool::Drag(TZoneInfo &Zone, const QPoint &ViewPt)
{
    TZoneInfo *z = &Zone;
    const TMapView view = View();
    const TGeoPoint g = view.ViewToGeo(ViewPt);
    if (FDragHit.Kind == TZoneHit::Centre) {
        const double dLat = g.Lat - z->geom.center.Lat, dLong = g.Long - z->geom.center.Long;
        if (std::fabs(dLat) < 1e-5 && std::fabs(dLong) < 1e-5)
            return;
        Log(QStringLiteral("\rNew zone center: %s, %s"), {Dec4(g.Lat), Dec4(g.Long)});
        const QRegion before = TZoneLayer::ViewArea(*z, view);
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
        Repaint((before + TZoneLayer::ViewArea(*z, view)).boundingRect());
        Cmd({QStringLiteral("center"), Dec4(g.Lat), Dec4(g.Long)});
    } else if (FDragHit.Kind == TZoneHit::Rim) {
        const double d = ArcDistance(z->geom.center, g);
        if (!(d >= 5) || std::fabs(d - z->geom.radius) < 1)
            return;
        Log(QStringLiteral("\rNew zone radius: %d"), {int(std::trunc(d))});
        const QRegion before = TZoneLayer::ViewArea(*z, view);
        z->geom.radius = d;
        z->UpdateRect();
        Repaint((before + TZoneLayer::ViewArea(*z, view)).boundingRect());
        Cmd({QStringLiteral("radius"), FloatToStrN(d, 2)});
    } else if (FDragHit.Kind == TZoneHit::Node) {
        const int i = FDragHit.Index;
        if (i >= z->geom.nodes.size())
            return;
        TGeoPoint &n = z->geom.nodes[i];
        if (std::fabs(n.Long - g.Long) < 1e-5 && std::fabs(n.Lat - g.Lat) < 1e-5)
            return;
        const QRegion before = TZoneLayer::ViewArea(*z, view, i);
        n = TGeoPoint{RoundTo6(g.Long), RoundTo6(g.Lat)};
        z->UpdateRect();
        // The node's two edges, its handle and the centre mark, before and after.
        Repaint((before + TZoneLayer::ViewArea(*z, view, i)).boundingRect());
        Cmd({QStringLiteral("node") + QString::number(i), Dec4(g.Lat), Dec4(g.Long)});
    }
}
