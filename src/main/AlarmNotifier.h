#pragma once

// Alarms while the window is in the background. After each minute update
// the alarms that the previous update did not have are told to the desktop
// (one notice each: the object's name, the trap's message); a click on a
// notice brings the window forward with the object selected. A tray icon
// shows the count of open alarms, and with the close_to_tray setting closing
// the window hides it there instead.
//
// A (re)load of the object list, as after the sign-in, takes the alarms it
// finds as known: they are on screen already and the tray shows their count.

#include <QObject>
#include <QSet>
#include <QString>

class QAbstractItemView;
class QMenu;
class QAction;
class QWidget;
class TDesktopNotifier;
class TEventInfo;
class TObjectInfo;
class TObjListModel;
class TPanelContext;
class TTrapInfo;

class TAlarmNotifier : public QObject
{
    Q_OBJECT
public:
    // More new alarms than this in one update give one summary notice.
    static constexpr int MaxNoticesPerUpdate = 5;

    // Window: the main window (shown, hidden and raised here). ObjList and
    // Model: the object list, where a clicked notice selects its object.
    TAlarmNotifier(TPanelContext &Ctx, QWidget *Window, QAbstractItemView *ObjList, TObjListModel *Model);
    ~TAlarmNotifier() override;

    // The object list was (re)loaded: its alarms are known.
    void ObjectsLoaded();
    // A minute update merged changed objects: new alarms are told.
    void ObjectsUpdated();

    // The notice of one alarm: title (the object's name) and body (the trap's
    // message with its fields filled in, or the trap's condition when it has
    // no message).
    static QString NoticeBody(const TObjectInfo &Obj, const TTrapInfo *Trap, const TEventInfo &Ev);

    int OpenAlarmCount() const { return fOpenCount; }
    // Whether closing the window hides it in the tray (the setting, and a
    // tray to hide it in).
    bool ClosesToTray() const;
    TDesktopNotifier *Notifier() const { return fNotifier; }
    QMenu *TrayMenu() const { return fMenu; }
    QAction *ShowAction() const { return fShowAction; }
    QAction *QuitAction() const { return fQuitAction; }

    // Brings the window forward (out of the tray, unminimized, active).
    void ShowWindow();
    // ShowWindow, then selects the object's row (when it is still listed).
    void ShowObject(qint64 Uid);
    // Closes the window for good (the tray's "Quit") and ends the program.
    void Quit();

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void applySettings();
    void setCount(int Count);

    TPanelContext &fCtx;
    QWidget *fWindow;
    QAbstractItemView *fObjList;
    TObjListModel *fModel;
    TDesktopNotifier *fNotifier = nullptr;
    QMenu *fMenu = nullptr;
    QAction *fShowAction = nullptr;
    QAction *fQuitAction = nullptr;
    // Uids of the alarms the last load or update had.
    QSet<quint32> fKnown;
    int fOpenCount = 0;
    bool fQuitting = false;
};
