// TZtMapControl: finding object markers under the pointer, and their tooltips.
#include "OSM.ZtMapControl.h"

#include "OSM.ObjectInfo.h"
#include "ZtDates.h"

#include <QHelpEvent>
#include <QToolTip>

#include <cmath>

TMapMark *TZtMapControl::MarkAt(const QPoint &ViewPt)
{
    for (int i = 0; i < MapMarks().Count(); ++i) {
        TMapMark *m = MapMarks().Get(i);
        QPoint p;
        try {
            p = GeoPointToInnerPoint(m->Coord);
        } catch (const std::exception &) {
            continue;
        }
        // The pin stands on its point: 32 pixels wide, 48 high.
        if (p.x() - 16 <= ViewPt.x() && ViewPt.x() < p.x() + 16 && p.y() - 48 <= ViewPt.y() && ViewPt.y() < p.y())
            return m;
    }
    return nullptr;
}

QString TZtMapControl::MarkerToolTip(const TObjectInfo &Obj)
{
    QString text = Obj.name;
    const double dt = Obj.last_point ? Obj.last_point->sys_dt : NoDateTime;
    if (!std::isnan(dt) && dt != 0)
        text += u'\n' + FormatDateTimeDef(QString(), dt);
    return text;
}

bool TZtMapControl::viewportEvent(QEvent *Event)
{
    if (Event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(Event);
        TMapMark *m = MarkAt(help->pos());
        const TObjectInfo *obj = m && m->Data ? *static_cast<TObjectInfo *const *>(m->Data) : nullptr;
        if (obj)
            QToolTip::showText(help->globalPos(), MarkerToolTip(*obj), viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return TMapControl::viewportEvent(Event);
}
