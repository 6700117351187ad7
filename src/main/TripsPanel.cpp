#include "TripsPanel.h"

#include "OSM.ObjectInfo.h"
#include "PanelContext.h"
#include "RecordWindows.h"
#include "StartTripForm.h"
#include "TripInfoForm.h"
#include "MonitorMap.h"
#include "WaitCursor.h"
#include "ZtFormPos.h"
#include "ZtMsgBox.h"
#include "client.h"
#include "period_request_form.h"
#include "translate.h"

#include <QScreen>

TTripsPanel::TTripsPanel(TPanelContext &Ctx, QObject *Owner) : QObject(Owner), fCtx(Ctx) {}

void TTripsPanel::AskStopRunning(const QString &Name)
{
    if (fCtx.MessageBox(Translation.GetString(QStringLiteral("trip")),
                        Translation.GetString(QStringLiteral("trip_already_started"), {Name}), 0x34)
        == mbrYes)
        StopObjectTrip();
}

void TTripsPanel::StartObjectTrip()
{
    fCtx.Log(QStringLiteral("\rStart trip ..."));
    if (!fCtx.RequireSelectedObject())
        return;
    const TObjectInfo *obj = fCtx.SelectedObject();
    if (obj->is_deleted) {
        fCtx.ShowMsg(QStringLiteral("object_deleted"), 3);
        return;
    }
    if (obj->trip_id > 0 && obj->trip_status < 2) {
        AskStopRunning(obj->name);
        return;
    }
    const int uid = obj->uid;
    const QString objName = obj->name;
    TStartTripForm form(fCtx.DialogParent());
    // The client's own default, which a file name or a URL can carry.
    form.SetTripName(TVelmoraClient::DefaultTripName(fCtx.AccountNow()));
    if (form.exec() != QDialog::Accepted) {
        fCtx.Log(QStringLiteral("\r  cancel"));
        return;
    }
    TVelmoraClient &client = *fCtx.Client();
    bool ok = false;
    {
        TWaitCursor wait;
        ok = client.StartTrip(uid, form.TripName());
    }
    if (ok) {
        fCtx.ShowMsg(QStringLiteral("trip_started"), 3);
        // The dialog was modal: the object is looked up again.
        if (TObjectInfo *o = fCtx.FindObject(uid); o && client.GetObject(o))
            Q_EMIT ObjectChanged(uid);
    } else if (client.ResultCode() == 409) {
        AskStopRunning(objName);
    } else {
        fCtx.ShowMsgFmt(QStringLiteral("error"), {client.ErrorMessage()}, 5);
    }
}

void TTripsPanel::StopObjectTrip()
{
    fCtx.Log(QStringLiteral("\rStop trip ..."));
    if (!fCtx.RequireSelectedObject())
        return;
    const int uid = fCtx.SelectedObject()->uid;
    TVelmoraClient &client = *fCtx.Client();
    bool ok = false;
    {
        TWaitCursor wait;
        ok = client.StopTrip(uid);
    }
    if (ok) {
        fCtx.ShowMsg(QStringLiteral("trip_stopped"), 3);
        if (TObjectInfo *o = fCtx.FindObject(uid); o && client.GetObject(o))
            Q_EMIT ObjectChanged(uid);
    } else if (client.ResultCode() == 409) {
        fCtx.ShowMsg(QStringLiteral("trip_not_found"), 3);
    } else {
        fCtx.ShowMsgFmt(QStringLiteral("error"), {client.ErrorMessage()}, 5);
    }
}

void TTripsPanel::OpenTrips()
{
    if (fTripForm) {
        fCtx.ShowMsg(QStringLiteral("trip_info_active"), 3);
        return;
    }
    TDateTime dt1 = 0, dt2 = 0;
    {
        TPeriodRequestForm period(fCtx.DialogParent());
        period.adjustSize();
        if (const QScreen *s = period.screen())
            period.move(s->availableGeometry().center() - period.rect().center());
        if (!period.DoRequest(false))
            return;
        dt1 = period.GetDt1();
        dt2 = period.GetDt2();
    }
    fCtx.Log(QStringLiteral("\rGet trips ..."));
    int n = 0;
    {
        TWaitCursor wait;
        n = fCtx.Client()->GetTrips(dt1, dt2);
    }
    fCtx.LogFmt(QStringLiteral("\r  -> %d"), {n}, 1);
    if (n < 0) {
        fCtx.ShowMsgFmt(QStringLiteral("error"), {fCtx.Client()->ErrorMessage()}, 5);
        return;
    }
    if (n == 0) {
        fCtx.ShowMsg(QStringLiteral("no_data"), 3);
        return;
    }
    fTripForm = new TTripInfoForm(fCtx.DialogParent());
    // The window shows the client's trips and objects: it closes before they go.
    fCtx.RecordWindows().Register(fTripForm, TRecordKind::Trip, &fCtx.Client()->TripList());
    fTripForm->ShowTrips(fCtx.Client(), [this](QObject *, const QString &Action, const QString &Subj, const QStringList &Args) {
        return TripCommand(Action, Subj, Args);
    });
}

int TTripsPanel::TripCommand(const QString &Action, const QString &Subj, const QStringList &Args)
{
    if (!fCtx.IsSignedIn()) {
        fCtx.ShowMsg(QStringLiteral("not_logged_in"), 3);
        return 0;
    }
    fCtx.LogFmt(QStringLiteral("\rCommand: %s %s (%s)"), {Action, Subj, Args.join(QLatin1Char(','))}, 3);
    if (Action != u"show" || Subj != u"track")
        return 0;
    QMap<QString, QString> a;
    for (const QString &kv : Args)
        a.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    const int objUid = a.value(QStringLiteral("obj_id")).toInt();
    const TDateTime dt1 = ParseDateTime(a.value(QStringLiteral("dt1")));
    const TDateTime dt2 = ParseDateTime(a.value(QStringLiteral("dt2")));
    if (objUid <= 0 || !(dt1 < dt2))
        return 0;
    if (!fTrackRequest) {
        fCtx.NotImplemented(QStringLiteral("TripTrack"));
        return 0;
    }
    if (fTrackRequest(objUid, a.value(QStringLiteral("name")), a.value(QStringLiteral("mode")).toInt(), dt1, dt2))
        MoveOffMap();
    return 1;
}

void TTripsPanel::MoveOffMap()
{
    QWidget *map = fCtx.Map() ? fCtx.Map()->Widget() : nullptr;
    if (!fTripForm || !map || !map->isVisible())
        return;
    const QRect onScreen(map->mapToGlobal(QPoint(0, 0)), map->size());
    QPoint p = fTripForm->pos();
    if (!onScreen.contains(p))
        return;
    // To the right of the map, yet not past the screen's right edge.
    p.setX(onScreen.right() + 1);
    const QRect wa = WorkAreaAt(onScreen.center());
    const int width = fTripForm->frameGeometry().width();
    if (p.x() + width > wa.x() + wa.width())
        p.setX(wa.x() + wa.width() - width);
    fTripForm->move(p);
}
