#pragma once

// What a panel of the main window may use of it. Each area of the window
// (objects, alarms and events, tracks, zones, traps, devices, trips) is a
// panel that owns its toolbar, list, model and handlers and reaches the rest
// of the program only through this narrow interface.

#include "common.h"
#include "ZtDates.h"

#include <QString>
#include <QVariantList>

#include <functional>

class QWidget;
class TEventInfo;
class TMonitorMap;
class TObjectInfo;
class TRecordWindows;
class TTrapInfo;
class TVelmoraClient;
class TZoneInfo;

class TPanelContext
{
public:
    virtual ~TPanelContext() = default;

    // ---- log and notices ----
    virtual void Log(const QString &Text) = 0;
    virtual void LogFmt(const QString &Fmt, const QVariantList &Args, int ArgCount) = 0;
    // The log as a callback for the client, the map and dialogs that log.
    virtual TLogCallback LogCallback() = 0;
    // The notice over the map: a translated key, 3 s for notices, 5 s for errors.
    virtual void ShowMsg(const QString &Key, int Seconds) = 0;
    virtual void ShowMsgFmt(const QString &Key, const QVariantList &Args, int Seconds) = 0;
    virtual void ShowMessagePanel(const QString &Text, int Seconds) = 0;
    // A modal message box owned by the main window; flags and result as in ZtMsgBox.
    virtual int MessageBox(const QString &Caption, const QString &Text, unsigned Flags) = 0;
    // An action whose window is not built yet: logged, and the
    // "not_implemented" notice.
    void NotImplemented(const QString &Action);
    // Actions on a selection: the "object_not_selected" notice when there is none.
    bool RequireSelectedObject();

    // ---- the task queue ----
    // Runs Task later, one per tick of the task timer. A task that works on
    // a record holds its uid and looks the record up when it runs (see
    // AddObjectTask): the record may be gone by then.
    virtual void AddTask(std::function<void()> Task) = 0;
    // Runs Task with the object of this uid, or not at all when the client
    // no longer has it.
    void AddObjectTask(int Uid, std::function<void(TObjectInfo *)> Task);

    // ---- state ----
    virtual TVelmoraClient *Client() const = 0;
    virtual TMonitorMap *Map() const = 0;
    virtual bool IsSignedIn() const = 0;
    virtual TObjectInfo *SelectedObject() const = 0;
    // The parent of the panels' dialogs and windows.
    virtual QWidget *DialogParent() const = 0;
    // The present as a local time of the account's zone: what "now" and
    // "today" mean for every time the program holds.
    virtual TDateTime AccountNow() const = 0;

    // Records of the client by uid; nullptr when it has none.
    TObjectInfo *FindObject(int Uid) const;
    TZoneInfo *FindZone(int Uid) const;
    TTrapInfo *FindTrap(int Uid) const;

    // ---- shared plumbing ----
    // Windows that show a record register here; they are closed (or told)
    // before the record is freed.
    virtual TRecordWindows &RecordWindows() = 0;
    // The periodic update does not run while a modal dialog of the main
    // window is open; it runs once after the dialog closes. Nothing to do
    // for the panels: this is what they may rely on.
};
