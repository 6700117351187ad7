// TMonitorMainWin: the objects panel's forwards, the outage notice of the
// minute update, and the sign-in chain between the panels.

#include "main.h"

#include "AlarmNotifier.h"
#include "EventsPanel.h"
#include "ObjListModel.h"
#include "ObjectsPanel.h"
#include "TracksPanel.h"
#include "TrapsPanel.h"
#include "ZonesPanel.h"
#include "client.h"

#include <QFrame>
#include <QLabel>
#include <QTimer>

#include <cmath>

int TMonitorMainWin::LoadObjects(int SelUid) { return ObjectsPanel->LoadObjects(SelUid); }
void TMonitorMainWin::UpdateObjects() { ObjectsPanel->UpdateObjects(); }
TObjectInfo *TMonitorMainWin::SelectedObject() const { return ObjectsPanel ? ObjectsPanel->SelectedObject() : nullptr; }
QModelIndex TMonitorMainWin::SelectedObjectRow() const { return ObjectsPanel ? ObjectsPanel->SelectedObjectRow() : QModelIndex(); }
TObjListModel *TMonitorMainWin::ObjModel() const { return ObjectsPanel->Model(); }
void TMonitorMainWin::ObjListChecking(const QModelIndex &Index, bool Checked) { ObjectsPanel->ObjListChecking(Index, Checked); }
void TMonitorMainWin::ObjListChange() { ObjectsPanel->ObjListChange(); }
void TMonitorMainWin::ObjListDblClick() { ObjectsPanel->ObjListDblClick(); }
void TMonitorMainWin::SbObjectMenuClick() { ObjectsPanel->SbObjectMenuClick(); }
void TMonitorMainWin::SbObjectInfoClick() { ObjectsPanel->SbObjectInfoClick(); }
void TMonitorMainWin::SbEditObjectClick() { ObjectsPanel->SbEditObjectClick(); }
void TMonitorMainWin::CreatePlaceByClick() { ObjectsPanel->CreatePlaceByClick(); }
void TMonitorMainWin::CreateObjectClick() { ObjectsPanel->CreateObjectClick(); }
void TMonitorMainWin::DeleteObjectClick() { ObjectsPanel->DeleteObjectClick(); }
void TMonitorMainWin::SbTrackMenuClick() { TracksPanel->SbTrackMenuClick(); }
void TMonitorMainWin::SbRequestTrackClick() { TracksPanel->SbRequestTrackClick(); }
void TMonitorMainWin::SbLastMessagesClick() { TracksPanel->SbLastMessagesClick(); }

void TMonitorMainWin::ShowOutage()
{
    const TDateTime last = ObjectsPanel->LastUpdate();
    const QString when = std::isnan(last) ? QStringLiteral("-") : FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), last);
    fOutageText = TrFmt(QStringLiteral("service_not_answering"), {when});
    // Lasting: it stays until an update succeeds (a year is long enough).
    ShowMessagePanel(fOutageText, 365 * 86400);
}

void TMonitorMainWin::ClearOutage(bool Answering)
{
    if (fOutageText.isEmpty())
        return;
    // Only our own notice goes; a later one stays.
    if (MsgPanel->isVisible() && u'!' + MsgLabel->text() == fOutageText)
        ShowMsg(QString(), 0);
    fOutageText.clear();
    if (Answering)
        Log(QStringLiteral("\rThe service answers again"));
}

void TMonitorMainWin::ConnectLoadChain()
{
    // Sign-in, then the objects, then the zones, the traps and today's events.
    connect(this, &TMonitorMainWin::SignedIn, ObjectsPanel, [this] { ObjectsPanel->LoadObjects(0); });
    connect(ObjectsPanel, &TObjectsPanel::ObjectsLoaded, ZonesPanel, [this] { ZonesPanel->LoadZones(); });
    connect(ZonesPanel, &TZonesPanel::ZonesLoaded, TrapsPanel, [this] {
        if (ObjectsPanel->LoadingAll())
            TrapsPanel->LoadTraps(0);
    });
    connect(TrapsPanel, &TTrapsPanel::TrapsLoaded, EventsPanel, [this] {
        if (ObjectsPanel->LoadingAll())
            EventsPanel->LoadEvents(0, 0);
    });

    // What the objects' load and update mean for the rest of the window.
    connect(ObjectsPanel, &TObjectsPanel::Listed, this, [this] {
        // A load that got its list shows the service answers again.
        if (!ObjectsPanel->LoadPending())
            ClearOutage();
        fUpdateHeld = false;
        UpdateTimer->start(UpdateInterval());
        FitLeftPanelToRows();
    });
    connect(ObjectsPanel, &TObjectsPanel::LoadRefused, this, [this] {
        DropRecordViews();
        fClient->Clear();
    });
    connect(ObjectsPanel, &TObjectsPanel::UpdateRefused, this, [this] {
        // The service answers, but no longer to this token: the user is told
        // why the sign-in dialog comes, and the update that saw the refusal
        // loads nothing more (signing in again loads everything once).
        fUpdateRefused = true;
        ClearOutage(false);
        LogFmt(QStringLiteral("\rUpdate objects: the service refused the sign-in (%d)"), {fClient->ResultCode()}, 1);
        ShowMsg(QStringLiteral("sign_in_refused"), 10);
        UpdateTimer->stop();
        // Every view of the client's records goes before the records do:
        // the sign-in dialog below lets the window paint.
        DropRecordViews();
        fClient->Clear();
        UpdateUserMenu();
        SignIn(true);
    });
    connect(ObjectsPanel, &TObjectsPanel::NotAnswering, this, &TMonitorMainWin::ShowOutage);
    connect(ObjectsPanel, &TObjectsPanel::Updated, this, [this](int Changed) {
        ClearOutage();
        if (Changed > 0) {
            FillAlarms();
            // Rows, markers and the alarm list show the changes already.
            AlarmNotifier->ObjectsUpdated();
        }
    });
    connect(ObjectsPanel, &TObjectsPanel::ObjectsLoaded, AlarmNotifier, &TAlarmNotifier::ObjectsLoaded);
    connect(ObjectsPanel, &TObjectsPanel::SelectionChanged, this, [this] { FillAlarms(); });
    connect(ObjectsPanel, &TObjectsPanel::MapCentred, this, [this] { fHomePending = false; });
    connect(ObjectsPanel, &TObjectsPanel::PlaceClickArmed, this, [this] { ArmCreatePlace(); });
}
