// TZtMapControl: click reports and marker tooltips; zone editing is the
// zone edit tool's.
#include "OSM.ZtMapControl.h"

#include "OSM.GeoTrack.h"
#include "OSM.ZoneInfo.h"

#include "MapImage.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

namespace {

// The map has no section of its own: the message keys, with the English
// text where no translation is loaded.
QString Tr(const char *Key, const char *English)
{
    return Translation.GetString(QStringLiteral("ZtMapControl"), QLatin1String(Key), QString::fromUtf8(English));
}

} // namespace

Qt::CursorShape TZtMapControl::ZoneEditCursor(int HitCode)
{
    return TZoneEditTool::Cursor(TZoneHit::FromCode(HitCode));
}

TZoneInfo *TZtMapControl::FindEditedZone()
{
    FEditedZone = FZoneLayer->EditedZone();
    return FEditedZone;
}

void TZtMapControl::MapMousePress(QMouseEvent *Event)
{
    bool consumed = false;
    try {
        // While a zone is edited the map reports no clicks.
        if (!FindEditedZone()) {
            if (Event->button() == Qt::LeftButton)
                LeftPress(Event, consumed);
            else if (Event->button() == Qt::RightButton)
                RightPress(Event, consumed);
        }
    } catch (const std::exception &e) {
        Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
        consumed = true;
    }
    FPressTaken = consumed;
    if (consumed)
        setFocus(Qt::MouseFocusReason);
    else
        TMapControl::MapMousePress(Event);
}

void TZtMapControl::MapKeyPress(QKeyEvent *Event)
{
    if (Event->key() == Qt::Key_M && Event->modifiers() == Qt::NoModifier) {
        FRulerTool->Start();
        Event->accept();
        return;
    }
    TMapControl::MapKeyPress(Event);
}

void TZtMapControl::contextMenuEvent(QContextMenuEvent *Event)
{
    // A right click that a tool or the owner took (a zone's node, a picked
    // point) is no request for the menu.
    if (Event->reason() == QContextMenuEvent::Mouse && FPressTaken)
        return;
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *measure = menu->addAction(Tr("map_measure", "Measure distance"), this, [this] { FRulerTool->Start(); });
    measure->setShortcut(QKeySequence(Qt::Key_M));
    menu->addAction(Tr("map_save_image", "Save map view as image…"), this, [this] { SaveViewAsImage(); });
    if (OnFillContextMenu)
        OnFillContextMenu(*menu);
    // Not modal: the map's events go on while the menu is open.
    menu->popup(Event->globalPos());
}

void TZtMapControl::LeftPress(QMouseEvent *Event, bool &Consumed)
{
    const QPoint pt = Event->position().toPoint();
    const TGeoPoint geo = GeoAt(pt);
    if (OnLClickMap && OnLClickMap(geo)) {
        Consumed = true;
        return;
    }
    // Hits are collected first: a report may change the lists.
    if (OnClickTrackPoint) {
        UpdateMapPoints();
        for (TTrackPointInfo *tp : FTrackLayer->PointsAt(pt))
            OnClickTrackPoint(tp);
    }
    if (OnClickMapMark) {
        if (TMapMark *hit = MarkAt(pt))
            OnClickMapMark(hit);
    }
    if (OnClickZone)
        for (TZoneInfo *z : FZoneLayer->ZonesAt(pt, View()))
            OnClickZone(z);
}

void TZtMapControl::RightPress(QMouseEvent *Event, bool &Consumed)
{
    if (OnRClickMap && OnRClickMap(GeoAt(Event->position().toPoint())))
        Consumed = true;
}

void TZtMapControl::SaveViewAsImage()
{
    const QString path = QFileDialog::getSaveFileName(this, Tr("map_save_image", "Save map view as image…").remove(QChar(0x2026)),
                                                      QDir::home().filePath(QStringLiteral("map.png")),
                                                      QStringLiteral("PNG (*.png)"));
    if (path.isEmpty())
        return;
    int missing = 0;
    const QImage image = RenderMapImage(*this, View(), 10000, &missing);
    if (missing > 0)
        LogFmt(QStringLiteral("\rX: map image: %d tiles not loaded"), {missing});
    QString error;
    if (!SaveMapImage(image, path, &error))
        Log(QStringLiteral("\rX: map image %1: %2").arg(path, error));
}

bool TZtMapControl::viewportEvent(QEvent *Event)
{
    if (Event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(Event);
        const QString text = Markers().ToolTipAt(help->pos(), View());
        if (!text.isEmpty())
            QToolTip::showText(help->globalPos(), text, viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return TMapControl::viewportEvent(Event);
}
