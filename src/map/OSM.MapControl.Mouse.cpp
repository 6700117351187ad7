// TMapControl: dragging, wheel zoom, the selection box.
#include "OSM.MapControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>

namespace {

TMapToolEvent ToolEvent(QMouseEvent *Event)
{
    return TMapToolEvent{Event->position().toPoint(), Event->button(), Event->buttons(), Event->modifiers(), 0};
}

} // namespace

bool TMapControl::ToolsTake(bool (TMapTool::*Handler)(const TMapToolEvent &), const TMapToolEvent &Event)
{
    for (auto it = FTools.rbegin(); it != FTools.rend(); ++it)
        if ((*it)->Active() && ((*it).get()->*Handler)(Event))
            return true;
    return false;
}

void TMapControl::mousePressEvent(QMouseEvent *Event)
{
    FPressTaken = ToolsTake(&TMapTool::Press, ToolEvent(Event));
    if (FPressTaken)
        setFocus(Qt::MouseFocusReason);
    else
        MapMousePress(Event);
}

void TMapControl::MapMousePress(QMouseEvent *Event)
{
    setFocus(Qt::MouseFocusReason);
    if (Event->button() != Qt::LeftButton || Event->buttons() != Qt::LeftButton || FZoom < 0)
        return;
    const QPoint viewPt = Event->position().toPoint();
    const QPoint mapPt = ViewToMap(viewPt);
    const bool onMap = mapPt.x() >= 0 && mapPt.y() >= 0 && mapPt.x() < FMapSize.width() && mapPt.y() < FMapSize.height();
    if (!onMap)
        return;
    if (FMouseMode == TMapMouseMode::mmDrag) {
        // A press exactly on a mark is left to the mark's owner.
        if (FMapMarkList->Find(MapToGeoCoords(mapPt), false, -1) >= 0)
            return;
        FDragging = true;
        FDragPos = viewPt;
        viewport()->setCursor(Qt::SizeAllCursor);
    } else {
        FSelectionBoxBindPoint = viewPt;
        FSelectionBox->setGeometry(QRect(viewPt, QSize(0, 0)));
        FSelectionBox->show();
    }
}

void TMapControl::mouseMoveEvent(QMouseEvent *Event)
{
    const QPoint viewPt = Event->position().toPoint();
    if (FDragging) {
        if (!(Event->buttons() & Qt::LeftButton)) {
            FDragging = false;
            viewport()->unsetCursor();
            return;
        }
        const QPoint d = FDragPos - viewPt;
        FDragPos = viewPt;
        ScrollMapBy(d.x(), d.y());
    } else if (FSelectionBox->isVisible()) {
        const QPoint end = MapToView(ClampToMap(ViewToMap(viewPt)));
        FSelectionBox->setGeometry(QRect(FSelectionBoxBindPoint, end).normalized());
    }
    ToolsTake(&TMapTool::Move, ToolEvent(Event));
}

void TMapControl::mouseReleaseEvent(QMouseEvent *Event)
{
    if (!ToolsTake(&TMapTool::Release, ToolEvent(Event)))
        MapMouseRelease(Event);
}

void TMapControl::MapMouseRelease(QMouseEvent *Event)
{
    if (Event->button() != Qt::LeftButton)
        return;
    if (FDragging) {
        FDragging = false;
        viewport()->unsetCursor();
    }
    if (FSelectionBox->isVisible()) {
        const QRect box = FSelectionBox->geometry();
        FSelectionBox->hide();
        if (OnSelectionBox) {
            try {
                OnSelectionBox(this, MapToGeoCoords(QRect(ViewToMap(box.topLeft()), box.size())));
            } catch (const std::exception &) {
                // A box reaching past the map edge has no geographic rectangle.
            }
        }
    }
}

void TMapControl::wheelEvent(QWheelEvent *Event)
{
    Event->accept();
    const int delta = Event->angleDelta().y();
    if (delta == 0 || FZoom < 0)
        return;
    const QPoint bind = ClampToMap(ViewToMap(Event->position().toPoint()));
    SetZoom(FZoom + (delta > 0 ? 1 : -1), bind);
}

void TMapControl::keyPressEvent(QKeyEvent *Event)
{
    TMapToolEvent e;
    e.Key = Event->key();
    e.Modifiers = Event->modifiers();
    if (ToolsTake(&TMapTool::Key, e))
        Event->accept();
    else
        MapKeyPress(Event);
}

void TMapControl::MapKeyPress(QKeyEvent *Event)
{
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier && FSelectionBox->isVisible()) {
        FSelectionBox->hide();
        return;
    }
    QAbstractScrollArea::keyPressEvent(Event);
}

// ---- tools ----

class TMapControlToolHost : public TMapToolHost
{
public:
    explicit TMapControlToolHost(TMapControl *Map) : FMap(Map) {}
    TMapView View() const override { return FMap->View(); }
    void Repaint(const QRegion &Area) override
    {
        if (Area.isEmpty())
            FMap->Invalidate();
        else
            FMap->viewport()->update(Area);
    }
    void SetToolCursor(std::optional<Qt::CursorShape> Shape) override
    {
        if (Shape)
            FMap->viewport()->setCursor(*Shape);
        else
            FMap->viewport()->unsetCursor();
    }
    bool MapDragging() const override { return FMap->FDragging; }

private:
    TMapControl *FMap;
};

TMapTool *TMapControl::AddTool(std::unique_ptr<TMapTool> Tool)
{
    if (!FToolHost)
        FToolHost = std::make_unique<TMapControlToolHost>(this);
    Tool->SetHost(FToolHost.get());
    FTools.push_back(std::move(Tool));
    return FTools.back().get();
}
