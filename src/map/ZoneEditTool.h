#pragma once

#include "MapTool.h"
#include "ZoneHit.h"
#include "common.h"

#include <QList>

class TZoneInfo;
class TZoneLayer;

// Mouse editing of the zone open for editing on the zone layer: drag the
// centre to move it, the rim to change a circle's radius, a node to move
// it; a right click on a polygon's node deletes it, on an edge adds a node
// there; Escape during a drag puts the zone back. Each change is logged and
// sent as an "update zone" command. Active while a zone is open for editing.
class TZoneEditTool : public TMapTool
{
public:
    using TOnLog = std::function<void(const QString &Fmt, const QVariantList &Args)>;
    using TOnCmd = std::function<void(const QString &Action, const QString &Subj, const QStringList &Args)>;

    explicit TZoneEditTool(TZoneLayer &Layer) : FLayer(Layer) {}

    bool Active() const override;
    bool Press(const TMapToolEvent &Event) override;
    bool Move(const TMapToolEvent &Event) override;
    bool Release(const TMapToolEvent &Event) override;
    bool Key(const TMapToolEvent &Event) override;

    // The handle of the press under way (None between drags).
    TZoneHit DragHit() const { return FDragHit; }
    // Whether a drag of the edited zone's centre, rim or node is under way.
    bool Dragging() const { return FDragHit.Kind >= TZoneHit::Centre && !FDragPoint.isNull(); }
    // The cursor that says what a press at a hit would do.
    static Qt::CursorShape Cursor(const TZoneHit &Hit);

    TOnLog OnLog; // Args empty: a plain line
    TOnCmd OnCmd;

private:
    bool LeftPress(const QPoint &Pt);
    bool RightPress(const QPoint &Pt);
    void Drag(TZoneInfo &Zone, const QPoint &ViewPt);
    void EndDrag();
    void Log(const QString &Text, const QVariantList &Args = QVariantList()) const;
    void Cmd(const QStringList &Args) const;

    TZoneLayer &FLayer;
    QPoint FDragPoint; // null: no drag
    TZoneHit FDragHit;
    // The edited zone's shape when the drag began, for Escape.
    TGeoPoint FDragStartCenter;
    double FDragStartRadius = 0;
    QList<TGeoPoint> FDragStartNodes;
};
