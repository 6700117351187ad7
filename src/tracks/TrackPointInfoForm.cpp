#include "TrackPointInfoForm.h"

#include "FormTranslate.h"
#include "OSM.AddressCache.h"
#include "OSM.TrackPointInfo.h"
#include "ZtDates.h"
#include "ZtUtils.h"
#include "common.h"

#include <QHeaderView>
#include <QTableWidget>

#include <cmath>

namespace {
const QString TimeFormat = QStringLiteral("dd.mm.yyyy hh:nn:ss");
}

TTrackPointInfoForm::TTrackPointInfoForm(TAddressCache *Cache, QWidget *parent)
    : TTrackPopupForm(parent), fCache(Cache)
{
    setObjectName(QStringLiteral("TrackPointInfoForm"));
    setWindowTitle(QStringLiteral("TrackPoint Info"));
    List->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
    List->setShowGrid(true);
    TranslateForm(this);
}

void TTrackPointInfoForm::Fill(const TTrackPointInfo &tp)
{
    List->setRowCount(0);
    if (UserLevel > 8)
        AddRow(QStringLiteral("uid"), QString::number(tp.uid));
    AddRow(QStringLiteral("bat"), QString::number(tp.bat));
    AddRow(QStringLiteral("sys_time"), FormatDateTimeNaN(TimeFormat, tp.sys_dt));
    if (!std::isnan(tp.obj_dt))
        AddRow(QStringLiteral("obj_time"), FormatDateTimeNaN(TimeFormat, tp.obj_dt));
    if (tp.HasLatLon()) {
        if (!std::isnan(tp.gps_dt))
            AddRow(QStringLiteral("gps_time"), FormatDateTimeNaN(TimeFormat, tp.gps_dt));
        if (tp.HasSource())
            AddRow(QStringLiteral("crd_src"), tp.SrcName());
        AddRow(QStringLiteral("lat_lon"), FloatToStrN(tp.lat, 6) + u',' + FloatToStrN(tp.lon, 6));
        if (tp.HasAltitude())
            AddRow(QStringLiteral("alt"), FloatToStrN(tp.alt, 0));
        AddRow(QStringLiteral("acc"), FloatToStrN(tp.acc, 0));
        if (tp.IsParking) {
            const int d = tp.ParkingDuration;
            AddRow(QStringLiteral("park_dur"), QString::asprintf("%d:%.2d:%.2d", d / 3600, d / 60 % 60, d % 60));
        } else if (tp.HasSpeed()) {
            AddRow(QStringLiteral("speed"), FloatToStrN(tp.speed, 0));
            AddRow(QStringLiteral("bearing"), FloatToStrN(tp.angle, 0));
        }
        if (!tp.osm_id.isEmpty()) {
            if (UserLevel > 8)
                AddRow(QStringLiteral("osm_id"), tp.osm_id);
            const QString a = fCache ? fCache->GetAddress(tp.osm_id) : QString();
            if (!a.isEmpty())
                AddRow(QStringLiteral("address"), a);
        }
    }
    for (const auto &s : tp.sensors)
        AddRow(s->sign, s->val);
    QStringList ev;
    for (const auto &e : tp.events)
        ev << e->Sign();
    if (!ev.isEmpty())
        AddRow(QStringLiteral("events"), ev.join(u' ').trimmed());
    QStringList zn;
    for (const auto &z : tp.zones)
        zn << z->name;
    if (!zn.isEmpty())
        AddRow(QStringLiteral("zones"), zn.join(u' ').trimmed());
    // Long values wrap over several lines.
    List->setWordWrap(true);
    const int base = List->verticalHeader()->defaultSectionSize();
    for (int r = 0; r < RowCount(); ++r) {
        const int len = int(RowValue(r).size());
        if (len > 20)
            List->setRowHeight(r, (len / 20 + 1) * base);
    }
}

void TTrackPointInfoForm::ShowTrackPoint(const TTrackPointInfo *tp)
{
    if (!tp)
        return;
    Fill(*tp);
    ShowFitted();
}
