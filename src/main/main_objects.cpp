// TMonitorMainWin: the object list, its periodic update and the markers.

#include "main.h"
#include "OSM.ObjectInfo.h"

#include "EventListModel.h"
#include "MonitorMap.h"
#include "ObjListModel.h"
#include "ZtMsgBox.h"
#include "client.h"
#include "RecordWindows.h"
#include "TracksPanel.h"
#include "TrapsPanel.h"
#include "ZonesPanel.h"

#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <cmath>

int TMonitorMainWin::LoadObjects(int SelUid)
{
    ObjList->setUpdatesEnabled(false);
    // Markers, rows and alarm rows all point into the client's objects, which
    // the request below may replace: drop them first.
    ClearObjectMarks();
    fAlarmModel->Clear();
    fObjModel->Clear();
    if (SelUid < 1)
        SelUid = static_cast<int>(IniFile.ReadInteger(QStringLiteral("Main"), QStringLiteral("SelectedUid"), 0));
    int count = -1;
    try {
        Log(QStringLiteral("\rLoad objects: "));
        int n = 0;
        {
            TWaitCursor wait;
            n = fClient->GetObjects();
        }
        Log(QStringLiteral("\r  -> ") + QString::number(n));
        if (n < 0 && fClient->ResultCode() >= 400) {
            DropRecordViews();
            fClient->Clear();
            ObjList->setUpdatesEnabled(true);
            return -1;
        }
        count = 0;
        fLastUpdate = AccountNow();
        QModelIndex selected;
        for (const auto &obj : fClient->ObjList()) {
            const QModelIndex row = fObjModel->AddObject(obj.get());
            if (SelUid > 0 && obj->uid == SelUid)
                selected = row;
            ++count;
        }
        ObjList->expandAll();
        if (fObjModel->TopLevelCount() > 0) {
            fLoadingAll = true;
            const auto done = qScopeGuard([this] { fLoadingAll = false; });
            Q_EMIT ObjectsLoaded(count);
            if (!selected.isValid())
                selected = fObjModel->index(0, 0);
            ObjList->setCurrentIndex(selected);
            ObjList->setFocus();
        }
        fUpdateHeld = false;
        UpdateTimer->start(UpdateInterval());
    } catch (const std::exception &e) {
        Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
    }
    ObjList->setUpdatesEnabled(true);
    return count;
}

void TMonitorMainWin::UpdateObjects()
{
    if (!IsSignedIn()) {
        ShowMsg(QStringLiteral("not_logged_in"), 3);
        return;
    }
    Log(QStringLiteral("\rUpdate objects: "));
    const TDateTime prev = fClient->ObjListUpdated();
    int n = 0;
    {
        TWaitCursor wait;
        n = fClient->GetObjects();
    }
    Log(QStringLiteral("\r  -> ") + QString::number(n));
    if (n < 0 && fClient->ResultCode() < 400) {
        // No answer (or a broken one): the list stays as it was, and the
        // user sees that it is getting old until an update succeeds.
        ShowOutage();
        return;
    }
    if (n < 0 && fClient->ResultCode() >= 400) {
        ClearOutage();
        UpdateTimer->stop();
        // Every view of the client's records goes before the records do:
        // the sign-in dialog below lets the window paint.
        DropRecordViews();
        fClient->Clear();
        UpdateUserMenu();
        SignIn(true);
        return;
    }
    fLastUpdate = AccountNow();
    ClearOutage();
    if (n > 0) {
        fObjModel->RefreshAll();
        ObjList->viewport()->update();
        MoveMarkers(prev);
        FillAlarms();
        Q_EMIT ObjectsUpdated();
    }
}

void TMonitorMainWin::MoveMarkers(TDateTime Prev)
{
    if (!fMap)
        return;
    bool moved = false;
    for (int i = 0; i < fMap->MarkCount(); ++i) {
        TObjectInfo *const *cell = fMap->MarkCell(i);
        const TObjectInfo *obj = cell ? *cell : nullptr;
        if (!obj || !obj->last_point)
            continue;
        // A newer report moves the marker; so does any other change of the
        // last point: a device that sends its buffered reports late (device
        // time before the previous update) has still moved, and a marker
        // left behind would contradict the list.
        const double objDt = obj->last_point->obj_dt;
        const double lat = obj->last_point->lat, lon = obj->last_point->lon;
        const bool newer = std::isnan(objDt) || std::isnan(Prev) || objDt > Prev;
        const bool elsewhere = !std::isnan(lat) && !std::isnan(lon) && fMap->MarkCoord(i) != QPointF(lon, lat);
        if (newer || elsewhere) {
            fMap->MoveMark(i, lat, lon);
            moved = true;
        }
    }
    if (moved)
        fMap->Repaint();
}

TObjectInfo *TMonitorMainWin::SelectedObject() const { return fObjModel ? fObjModel->Object(SelectedObjectRow()) : nullptr; }

QModelIndex TMonitorMainWin::SelectedObjectRow() const
{
    if (!ObjList || !ObjList->selectionModel())
        return QModelIndex();
    const QModelIndexList rows = ObjList->selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

void TMonitorMainWin::ObjListChecking(const QModelIndex &Index, bool Checked)
{
    TObjectInfo *obj = fObjModel->Object(Index);
    if (!obj || !obj->last_point || !obj->HasLatLon() || !fMap)
        return;
    obj->tail.clear();
    const double lat = obj->last_point->lat;
    const double lon = obj->last_point->lon;
    const int mark = fMap->FindMark(lat, lon);
    if (Checked && mark < 0) {
        if (obj->photo.isNull() && obj->has_image) {
            TWaitCursor wait;
            fClient->GetPhoto(obj);
        }
        fHomePending = false; // the marker centres the map
        fMap->AddObjectMark(lat, lon, fObjModel->DataCell(Index));
        ObjList->setCurrentIndex(Index);
    } else if (!Checked && mark >= 0) {
        fMap->DeleteMark(mark);
    }
    fMap->Repaint();
}

// A click on the object's marker.
void TMonitorMainWin::SelectObjectCell(TObjectInfo *const *Cell)
{
    const QModelIndex row = fObjModel ? fObjModel->IndexOfDataCell(Cell) : QModelIndex();
    if (row.isValid())
        ObjList->setCurrentIndex(row);
}

void TMonitorMainWin::ObjListChange() { FillAlarms(); }

void TMonitorMainWin::ObjListDblClick()
{
    const QModelIndex row = SelectedObjectRow();
    const TObjectInfo *obj = fObjModel->Object(row);
    if (!obj || !obj->last_point || !fObjModel->IsChecked(row) || !fMap)
        return;
    if (obj->last_point->lat == 0 && obj->last_point->lon == 0)
        return;
    fHomePending = false;
    fMap->SetCenter(fMap->Zoom(), obj->last_point->lat, obj->last_point->lon);
}

void TMonitorMainWin::SbObjectMenuClick()
{
    auto *b = findChild<QToolButton *>(QStringLiteral("SbObjectMenu"));
    ObjPopupMenu->popup(b ? b->mapToGlobal(QPoint(0, b->height())) : QCursor::pos());
}

void TMonitorMainWin::SbTrackMenuClick() { TracksPanel->SbTrackMenuClick(); }
void TMonitorMainWin::SbRequestTrackClick() { TracksPanel->SbRequestTrackClick(); }
void TMonitorMainWin::SbLastMessagesClick() { TracksPanel->SbLastMessagesClick(); }

// The object windows come with their own issue.
void TMonitorMainWin::SbObjectInfoClick() { NotImplemented(QStringLiteral("SbObjectInfo")); }
void TMonitorMainWin::SbEditObjectClick() { NotImplemented(QStringLiteral("SbEditObject")); }

void TMonitorMainWin::CreatePlaceByClick()
{
    if (!RequireSelectedObject())
        return;
    if (MessageBox(Tr(QStringLiteral("create_place_title")), Tr(QStringLiteral("create_place_prompt")), 0x41) == mbrOk)
        rClickAction = rcCreatePlace;
}

void TMonitorMainWin::CreateObjectClick()
{
    if (!IsSignedIn()) {
        ShowMsg(QStringLiteral("not_logged_in"), 3);
        return;
    }
    // The object editor comes with the object management windows.
    ShowMsg(QStringLiteral("not_implemented"), 3);
}

void TMonitorMainWin::DeleteObjectClick()
{
    if (!RequireSelectedObject())
        return;
    TObjectInfo *obj = SelectedObject();
    const bool deleted = obj->is_deleted;
    const QString prompt = TrFmt(deleted ? QStringLiteral("delete_object_prompt") : QStringLiteral("mark_object_prompt"), {obj->name});
    if (MessageBox(Tr(QStringLiteral("delete_object")), prompt, 0x24) != mbrYes)
        return;
    // The second step frees the record: its windows go first.
    if (deleted)
        fRecordWindows->RecordFreed(TRecordKind::Object, obj);
    bool ok = false;
    {
        TWaitCursor wait;
        if (deleted && obj->has_image)
            fClient->DeletePhoto(obj);
        ok = fClient->DeleteObject(obj);
    }
    if (ok)
        LoadObjects(0);
    else
        ShowMsgFmt(QStringLiteral("error"), {fClient->ErrorMessage()}, 5);
}

void TMonitorMainWin::ShowOutage()
{
    const QString when = std::isnan(fLastUpdate) ? QStringLiteral("-")
                                                 : FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), fLastUpdate);
    fOutageText = TrFmt(QStringLiteral("service_not_answering"), {when});
    // Lasting: it stays until an update succeeds (a year is long enough).
    ShowMessagePanel(fOutageText, 365 * 86400);
}

void TMonitorMainWin::ClearOutage()
{
    if (fOutageText.isEmpty())
        return;
    // Only our own notice goes; a later one stays.
    if (MsgPanel->isVisible() && u'!' + MsgLabel->text() == fOutageText)
        ShowMsg(QString(), 0);
    fOutageText.clear();
    Log(QStringLiteral("\rThe service answers again"));
}

void TMonitorMainWin::ConnectLoadChain()
{
    connect(this, &TMonitorMainWin::SignedIn, this, [this] { LoadObjects(0); });
    connect(this, &TMonitorMainWin::ObjectsLoaded, ZonesPanel, [this] { ZonesPanel->LoadZones(); });
    connect(ZonesPanel, &TZonesPanel::ZonesLoaded, TrapsPanel, [this] {
        if (fLoadingAll)
            TrapsPanel->LoadTraps(0);
    });
    connect(TrapsPanel, &TTrapsPanel::TrapsLoaded, this, [this] {
        if (fLoadingAll)
            LoadEvents(0, 0);
    });
}
