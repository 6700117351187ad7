#include "EventsPanel.h"

#include "AcceptEventForm.h"
#include "EventListModel.h"
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "PanelContext.h"
#include "PanelWidgets.h"
#include "WaitCursor.h"
#include "client.h"
#include "period_request_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>

#include <cmath>

using namespace PanelWidgets;

namespace {
const QString DateTimeFmt = QStringLiteral("dd.mm.yyyy hh:nn:ss");

// A page of the bottom area: a vertical toolbar beside a list.
QWidget *MakePage(QTabWidget *Pager, const QString &Name, const QString &Title, const QString &BarName, QToolBar *&Bar)
{
    auto *page = new QWidget(Pager);
    page->setObjectName(Name);
    auto *l = new QHBoxLayout(page);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(1);
    Pager->addTab(page, Title);
    Bar = MakeToolBar(BarName, page);
    Bar->setOrientation(Qt::Vertical);
    l->addWidget(Bar);
    return page;
}
} // namespace

TEventsPanel::TEventsPanel(TPanelContext &Ctx, QTabWidget *Pager, QObject *Owner) : QObject(Owner), fCtx(Ctx)
{
    QWidget *alarms = MakePage(Pager, QStringLiteral("TabAlarms"), QStringLiteral("Alarms"), QStringLiteral("AlarmToolBar"), AlarmToolBar);
    AddToolButton(AlarmToolBar, QStringLiteral("SbAcceptAlarm"), QStringLiteral("Accept alarm"), [this] { SbAcceptAlarmClick(); });
    AlarmList = MakeList(QStringLiteral("AlarmList"), alarms);
    AlarmList->setRootIsDecorated(false);
    alarms->layout()->addWidget(AlarmList);

    QWidget *events = MakePage(Pager, QStringLiteral("TabEvents"), QStringLiteral("Events"), QStringLiteral("EventToolBar"), EventToolBar);
    AddToolButton(EventToolBar, QStringLiteral("SbRequestEvents"), QStringLiteral("Request events"), [this] { RequestEvents(); });
    AddToolButton(EventToolBar, QStringLiteral("SbAcceptEvent"), QStringLiteral("Accept event"), [this] { SbAcceptEventClick(); });
    EventList = MakeList(QStringLiteral("EventList"), events);
    EventList->setRootIsDecorated(false);
    events->layout()->addWidget(EventList);

    fAlarmModel = new TEventListModel(fCtx.Client(), this);
    fEventModel = new TEventListModel(fCtx.Client(), this);
    AlarmList->setModel(fAlarmModel);
    EventList->setModel(fEventModel);
    for (QTreeView *v : {AlarmList, EventList}) {
        v->header()->setStretchLastSection(true);
        const int widths[] = {120, 140, 140, 148, 148, 120};
        for (int i = 0; i < 6; ++i)
            v->setColumnWidth(i, widths[i]);
        v->header()->setSortIndicator(1, Qt::DescendingOrder);
        v->header()->setSectionsClickable(true);
        v->header()->setSortIndicatorShown(true);
        // A header click sorts by that column, flipping the direction.
        connect(v->header(), &QHeaderView::sortIndicatorChanged, this,
                [v](int Column, Qt::SortOrder Order) { v->model()->sort(Column, Order); });
    }
    connect(AlarmList, &QTreeView::doubleClicked, this, &TEventsPanel::AlarmListNodeDblClick);
    connect(EventList, &QTreeView::doubleClicked, this, &TEventsPanel::EventListNodeDblClick);
    // Plain event, (unused), accepted alarm, open alarm.
    fAlarmModel->SetAlarmList(true);
    const QStyle *style = Pager->style();
    const QList<QIcon> eventImages{QIcon(), QIcon(), style->standardIcon(QStyle::SP_DialogApplyButton),
                                   style->standardIcon(QStyle::SP_MessageBoxWarning)};
    fAlarmModel->SetImages(eventImages);
    fEventModel->SetImages(eventImages);
}

void TEventsPanel::FillAlarms(const TObjectInfo *Object)
{
    std::vector<TEventInfo *> events;
    if (Object)
        for (const auto &ev : Object->alarms)
            events.push_back(ev.get());
    AlarmList->setUpdatesEnabled(false);
    fAlarmModel->SetEvents(events);
    AlarmList->setUpdatesEnabled(true);
}

int TEventsPanel::LoadEvents(TDateTime DtFrom, TDateTime DtTo)
{
    // Today is the account's: the computer may be in another zone.
    if (DtFrom == 0)
        DtFrom = std::floor(fCtx.AccountNow());
    if (std::isnan(DtTo) || DtFrom >= DtTo)
        DtTo = std::floor(DtFrom) + 0.999999;
    fCtx.LogFmt(QStringLiteral("\rLoad events (%s .. %s) ..."),
                {FormatDateTimeNaN(DateTimeFmt, DtFrom), FormatDateTimeNaN(DateTimeFmt, DtTo)}, 2);
    // The request replaces the events the rows point to: note the selected
    // one and empty the list before asking.
    const QModelIndexList sel = EventList->selectionModel() ? EventList->selectionModel()->selectedRows() : QModelIndexList();
    const TEventInfo *selEv = sel.isEmpty() ? nullptr : fEventModel->Event(sel.first());
    const uint32_t selUid = selEv ? selEv->uid : 0;
    fEventModel->Clear();
    int n = 0;
    {
        TWaitCursor wait;
        n = fCtx.Client()->GetEvents(DtFrom, DtTo);
    }
    fCtx.LogFmt(QStringLiteral("\r  -> %d"), {n}, 1);

    std::vector<TEventInfo *> events;
    for (const auto &ev : fCtx.Client()->EventList())
        events.push_back(ev.get());
    EventList->setUpdatesEnabled(false);
    fEventModel->SetEvents(events);
    if (selUid != 0)
        for (int i = 0; i < fEventModel->Count(); ++i)
            if (fEventModel->Event(fEventModel->index(i, 0))->uid == selUid)
                EventList->setCurrentIndex(fEventModel->index(i, 0));
    EventList->setUpdatesEnabled(true);
    return n;
}

void TEventsPanel::RefreshEvents()
{
    if (!fCtx.IsSignedIn())
        return;
    const TDateTime now = fCtx.AccountNow();
    const TDateTime dt1 = fCtx.Client()->EventListDt1();
    const TDateTime dt2 = fCtx.Client()->EventListDt2();
    // Only a period that covers the present can have new events.
    if (dt1 < now && (std::isnan(dt2) || now < dt2))
        LoadEvents(dt1, dt2);
}

void TEventsPanel::RequestEvents()
{
    QWidget *parent = fCtx.DialogParent();
    TPeriodRequestForm period(parent);
    period.adjustSize();
    // Its bottom-right corner at the button's top-right corner.
    QPoint at;
    if (const QWidget *b = EventToolBar->findChild<QWidget *>(QStringLiteral("SbRequestEvents")))
        at = b->mapToGlobal(QPoint(b->width(), 0));
    if (at.isNull()) {
        if (const QScreen *s = parent ? parent->screen() : nullptr)
            period.move(s->availableGeometry().center() - period.rect().center());
    } else {
        period.move(at - QPoint(period.width(), period.height()));
    }
    // A reversed period is refused inside the dialog.
    if (period.DoRequest(false))
        LoadEvents(period.GetDt1(), period.GetDt2());
}

void TEventsPanel::Clear()
{
    fAlarmModel->Clear();
    fEventModel->Clear();
}

void TEventsPanel::Detach()
{
    AlarmList->setModel(nullptr);
    EventList->setModel(nullptr);
    Clear();
}

void TEventsPanel::EventsPageShown()
{
    // The page opens on the newest event, wherever the sorting put it.
    if (EventList->currentIndex().isValid() || fEventModel->Count() == 0)
        return;
    const QModelIndex newest = fEventModel->NewestIndex();
    EventList->setCurrentIndex(newest);
    EventList->scrollTo(newest);
}

void TEventsPanel::SbAcceptAlarmClick()
{
    if (AcceptSelectedEvent(fAlarmModel->Event(AlarmList->currentIndex())))
        AlarmList->viewport()->update();
}

void TEventsPanel::SbAcceptEventClick()
{
    if (AcceptSelectedEvent(fEventModel->Event(EventList->currentIndex())))
        EventList->viewport()->update();
}

void TEventsPanel::AlarmListNodeDblClick(const QModelIndex &Index)
{
    if (NodeDblClick(fAlarmModel->Event(Index), Index.column()))
        AlarmList->viewport()->update();
}

void TEventsPanel::EventListNodeDblClick(const QModelIndex &Index)
{
    if (NodeDblClick(fEventModel->Event(Index), Index.column()))
        EventList->viewport()->update();
}

// ---- what the lists do with an event ----

std::vector<TEventInfo *> TEventsPanel::FindEvents(uint32_t Uid) const
{
    std::vector<TEventInfo *> found;
    TVelmoraClient *c = fCtx.Client();
    if (!c || Uid == 0)
        return found;
    for (const auto &e : c->EventList())
        if (e->uid == Uid)
            found.push_back(e.get());
    for (const auto &o : c->ObjList())
        for (const auto &a : o->alarms)
            if (a->uid == Uid)
                found.push_back(a.get());
    return found;
}

bool TEventsPanel::AcceptSelectedEvent(const TEventInfo *Event)
{
    fCtx.Log(QStringLiteral("\rAccept event ..."));
    if (!Event) {
        fCtx.Log(QStringLiteral("\r  x: no event"));
        return false;
    }
    if (!std::isnan(Event->accept_dt)) {
        fCtx.Log(QStringLiteral("\r  x: already accepted [") + FormatDateTimeNaN(DateTimeFmt, Event->accept_dt) + u']');
        return false;
    }
    // From here on Event may be freed: the update runs when the dialog closes.
    const uint32_t uid = Event->uid;
    QString msg;
    {
        TAcceptEventForm form(fCtx.DialogParent());
        if (form.exec() != QDialog::Accepted) {
            fCtx.Log(QStringLiteral("\r  x: cancel"));
            return false;
        }
        msg = form.GetAcceptMessage();
    }
    bool ok = false;
    {
        TWaitCursor wait;
        ok = fCtx.Client()->AcceptEvent(uid, msg);
    }
    fCtx.Log(QStringLiteral("\r  -> ") + (ok ? QStringLiteral("ok") : QStringLiteral("error")));
    if (ok)
        for (TEventInfo *e : FindEvents(uid)) {
            e->accept_dt = fCtx.AccountNow();
            e->accept_msg = msg;
        }
    return ok;
}

void TEventsPanel::RequestEventTrack(const TEventInfo *Event)
{
    if (!Event)
        return;
    fCtx.LogFmt(QStringLiteral("\rRequest track for event: uid=%d, obj_id=%d"), {Event->uid, Event->obj_id}, 2);
    if (!fCtx.FindObject(Event->obj_id)) {
        fCtx.Log(QStringLiteral("\r  -> no object info"));
        return;
    }
    if (std::isnan(Event->h_obj_dt)) {
        fCtx.Log(QStringLiteral("\r  -> no start DT"));
        return;
    }
    const TDateTime dt1 = Event->h_obj_dt;
    const TDateTime dt2 = std::isnan(Event->c_obj_dt) ? dt1 + 1.0 / 24.0 : Event->c_obj_dt;
    if (!fTrackRequest) {
        fCtx.NotImplemented(QStringLiteral("EventTrack"));
        return;
    }
    fTrackRequest(Event->obj_id, Event->Sign(), 0, dt1, dt2);
}

TEventsPanel::TDblClick TEventsPanel::DblClickAction(const TEventInfo *Event, int Column)
{
    if (!Event)
        return dcNone;
    switch (Column) {
    case 1:
    case 2:
        return dcTrack;
    case 3:
        return dcTrap;
    case 5:
        return std::isnan(Event->accept_dt) ? dcAccept : dcNone;
    default:
        return dcNone;
    }
}

bool TEventsPanel::NodeDblClick(const TEventInfo *Event, int Column)
{
    switch (DblClickAction(Event, Column)) {
    case dcTrack:
        RequestEventTrack(Event);
        return false;
    case dcTrap:
        if (TTrapInfo *t = fCtx.FindTrap(Event->trap_id); t && fShowTrap)
            fShowTrap(t);
        return false;
    case dcAccept:
        return AcceptSelectedEvent(Event);
    default:
        return false;
    }
}
