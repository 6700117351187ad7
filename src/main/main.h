#pragma once

// TMonitorMainWin: the program's one main window and its driver. It owns the
// API client and the monitoring map, keeps the layout, timers, log, notices,
// menus and styles, and hands each area to its panel through TPanelContext:
// TObjectsPanel, TEventsPanel, TTracksPanel, TZonesPanel, TTrapsPanel,
// TDevicesPanel, TTripsPanel (one .h/.cpp pair each in this folder). Handler
// names of the areas stay here as one-line forwards.
//
// The window's own source is split by area: main_layout.cpp (creation,
// layout and its persistence, styles), main_signin.cpp (sign-in, sign-up,
// recovery, sign-out), main_objects.cpp (the objects panel's forwards, the
// outage notice and the sign-in chain), main_events.cpp (the events panel's
// forwards), main_timers.cpp (timers and the task
// queue), main_menus.cpp (menus and actions), main_notices.cpp (log and
// message panel), main_map.cpp (the map layer).

#include "PanelContext.h"
#include "WaitCursor.h"
#include "common.h"
#include "ZtDates.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>

#include <deque>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QStandardItemModel;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class QWidget;
struct TGeoPoint;
class TEventInfo;
class TEventListModel;
class TEventsPanel;
class TObjectInfo;
class TObjectsPanel;
class TObjListModel;
class TVelmoraClient;
class TZtTtyBox;
class TMonitorMap;
class TDevicesPanel;
class TRecordWindows;
class TTracksPanel;
class TTrapsPanel;
class TTripsPanel;
class TZonesPanel;

class TAddressCache;
class TAlarmNotifier;

enum TRClickAction { rcNone, rcCreatePlace };

// The address cache that the program body loads at start and saves at exit;
// nullptr when no program body runs (tests).
extern TAddressCache *AddressCache;

class TMonitorMainWin : public QMainWindow, public TPanelContext
{
    Q_OBJECT
public:
    explicit TMonitorMainWin(QWidget *parent = nullptr);
    ~TMonitorMainWin() override;

    // ---- log and notices ----
    void Log(const QString &Text) override;
    void LogFmt(const QString &Fmt, const QVariantList &Args, int ArgCount) override;
    TLogCallback LogCallback() override;
    static QString Tr(const QString &Key);
    static QString TrFmt(const QString &Key, const QVariantList &Args);
    void ShowMessagePanel(const QString &Text, int Seconds) override;
    void ShowMsg(const QString &Key, int Seconds) override;
    void ShowMsgFmt(const QString &Key, const QVariantList &Args, int Seconds) override;
    // A modal message box owned by this window; flags and result as in ZtMsgBox.
    int MessageBox(const QString &Caption, const QString &Text, unsigned Flags) override;
    // An exception that reached the event loop: the "error" notice, 5 s.
    void AppEventsException(const QString &Message);

    // ---- sign-in ----
    bool IsSignedIn() const override;
    void SignIn(bool Retry);
    void SignUp(bool Recovery);
    void SignOut();
    void UpdateUserMenu();

    // ---- objects (the objects panel) ----
    int LoadObjects(int SelUid);
    void UpdateObjects();
    void FillAlarms(const QModelIndex &ObjectRow = QModelIndex());
    TObjectInfo *SelectedObject() const override;
    QModelIndex SelectedObjectRow() const;
    void ObjListChecking(const QModelIndex &Index, bool Checked);

    // ---- alarms and events (the events panel), zones, traps ----
    int LoadEvents(TDateTime DtFrom, TDateTime DtTo);
    void RefreshEvents();
    void RequestEvents();
    bool AcceptSelectedEvent(const TEventInfo *Event);
    void RequestEventTrack(const TEventInfo *Event);
    void SbAcceptAlarmClick();
    void SbAcceptEventClick();
    void AlarmListNodeDblClick(const QModelIndex &Index);
    void EventListNodeDblClick(const QModelIndex &Index);
    int LoadZones();
    int LoadTraps(int SelUid);

    // ---- styles ----
    void SetStyle(const QString &Name);
    void UpdateStyleColors();
    void CheckStyleMenu();

    // ---- tasks ----
    void AddTask(std::function<void()> Task) override;
    int PendingTasks() const { return int(fTaskQueue.size()); }

    // The minute update at once (F5); the next one comes a period later.
    void UpdateNow();

    // ---- account and settings ----
    void EditUserData();
    void OpenSettings();
    void ShowAbout();

    // ---- state, for the Parts built on this window and for tests ----
    TVelmoraClient *Client() const override { return fClient.get(); }
    TMonitorMap *Map() const override { return fMap.get(); }
    TMonitorMap *MapCtrl() const { return fMap.get(); }
    QWidget *DialogParent() const override { return const_cast<TMonitorMainWin *>(this); }
    TDateTime AccountNow() const override;
    TRecordWindows &RecordWindows() override { return *fRecordWindows; }
    // The period of the minute update, in milliseconds.
    int UpdateInterval() const;
    TObjListModel *ObjModel() const;
    TEventListModel *AlarmModel() const;
    TEventListModel *EventModel() const;
    bool Activated() const { return fActivated; }
    int MinBottomHeight() const { return fMinBottomHeight; }
    int HeightOfBottom() const { return fHeightOfBottom; }
    TDateTime MsgTimeout() const { return fMsgTimeout; }
    // What the next right click on the map does: a place is created there
    // while the map's point picking is armed for it.
    TRClickAction rClickAction() const;
    // Arms the map's point picking for "Create Place".
    void ArmCreatePlace();
    QColor clWin, clTxt, clTxtSel;
    QString MapCacheDir;
    qint64 MapCacheSize = 0;

    // The panels of the areas.
    TObjectsPanel *ObjectsPanel = nullptr;
    TEventsPanel *EventsPanel = nullptr;
    TTracksPanel *TracksPanel = nullptr;
    TZonesPanel *ZonesPanel = nullptr;
    TTrapsPanel *TrapsPanel = nullptr;
    TDevicesPanel *DevicesPanel = nullptr;
    TTripsPanel *TripsPanel = nullptr;
    // Desktop notices of new alarms and the tray icon.
    TAlarmNotifier *AlarmNotifier = nullptr;

    // Controls, named after their component names.
    QWidget *LeftPanel = nullptr;
    QWidget *RightPanel = nullptr;
    QWidget *MapPanel = nullptr;
    QWidget *BottomPanel = nullptr;
    QSplitter *HorzSplitter = nullptr;
    QSplitter *VertSplitter = nullptr;
    QSplitter *LeftSplitter = nullptr;
    QSplitter *RightSplitter = nullptr;
    QGroupBox *GbObjects = nullptr;
    QGroupBox *GbTracks = nullptr;
    QGroupBox *GbTraps = nullptr;
    QGroupBox *GbZones = nullptr;
    QToolBar *ObjToolBar = nullptr;
    QToolBar *TrackToolBar = nullptr;
    QToolBar *TrapToolBar = nullptr;
    QToolBar *ZoneToolBar = nullptr;
    QTreeView *ObjList = nullptr;
    QLineEdit *ObjSearch = nullptr; // the search field over it
    QTreeView *TrackList = nullptr;
    QTreeView *TrapList = nullptr;
    QTreeView *ZoneList = nullptr;
    QTreeView *AlarmList = nullptr;
    QTreeView *EventList = nullptr;
    QTabWidget *BottomPager = nullptr;
    QToolButton *SbHideBottomLog = nullptr;
    QToolButton *SbClearLog = nullptr;
    TZtTtyBox *LogBox = nullptr;
    QFrame *MsgPanel = nullptr;
    QLabel *MsgLabel = nullptr;
    QToolButton *SbCloseMsg = nullptr;
    QToolBar *TopToolBar = nullptr;
    QAction *SbExit = nullptr;
    QMenu *MenuUser = nullptr;
    QMenu *MenuSettings = nullptr;
    QMenu *MenuHelp = nullptr;
    QMenu *MenuStyle = nullptr;
    QAction *MenuSignIn = nullptr;
    QAction *MenuSignUp = nullptr;
    QAction *MenuUserData = nullptr;
    QAction *MenuUserTrips = nullptr;
    QAction *MenuSignOut = nullptr;
    QAction *MenuEditSettings = nullptr;
    QAction *MenuAbout = nullptr;
    QMenu *ObjPopupMenu = nullptr;
    QMenu *TrackPopupMenu = nullptr;
    QTimer *LoginTimer = nullptr;
    QTimer *TaskTimer = nullptr;
    QTimer *MsgTimer = nullptr;
    QTimer *UpdateTimer = nullptr;

Q_SIGNALS:
    // The sign-in chain: a successful sign-in loads the objects; loaded
    // objects load the zones, then the traps, then today's events (the
    // panels' signals, wired in ConnectLoadChain).
    void SignedIn();

public Q_SLOTS:
    void FormActivate();
    void LoginTimerTimer();
    void TaskTimerTimer();
    void MsgTimerTimer();
    void UpdateTimerTimer();
    void MenuSignInClick();
    void MenuSignUpClick();
    void MenuSignOutClick();
    void MenuUserDataClick();
    void MenuUserTripsClick();
    void MenuStyleClick(QAction *Item);
    void MenuEditSettingsClick();
    void MenuAboutClick();
    void MsgPanelClick();
    void SbCloseMsgClick();
    void SbClearLogClick();
    void SbHideBottomLogClick();
    void BottomPanelResize();
    void BottomPagerChange(int Index);
    void SbExitClick();
    void ObjListChange();
    void ObjListDblClick();
    void SbObjectMenuClick();
    void SbTrackMenuClick();
    void SbObjectInfoClick();
    void SbEditObjectClick();
    void SbRequestTrackClick();
    void SbLastMessagesClick();
    void OpenTrips();
    void CreatePlaceByClick();
    void CreateObjectClick();
    void DeleteObjectClick();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // main_layout.cpp
    void FormCreate();
    void FormDestroy();
    void BuildLayout();
    void BuildMenus();
    // F5, Ctrl+Q, Ctrl+plus and Ctrl+minus.
    void BuildShortcuts();
    void ConnectLoadChain();
    void BuildPanels();
    void BuildRightPanels();
    void BuildBottom();
    void BuildMsgPanel();
    void BuildTimers();
    void RestoreLayout();
    void ApplyPanelSizes();
    // Widens the left panel to show the listed rows whole, unless the user
    // or the saved layout gave it a width.
    void FitLeftPanelToRows();
    void FillStyleMenu();
    void ClearDiskTileCache();
    void PlaceCollapseButton();
    void SetBottomHeight(int Height);
    int BottomHeight() const;
    void StoreSelectedUid();

    // main_objects.cpp
    // Empties every list, marker, track and window that shows a record of the
    // client, before the client frees them (sign-out, a refused update).
    void DropRecordViews();
    // The lasting notice while the service does not answer, and its end.
    void ShowOutage();
    // Answering: the service answers again (logged); false when it answers
    // with a refusal.
    void ClearOutage(bool Answering = true);

    // main_map.cpp
    void CreateMap();
    // Centres the map on its home point after each resize until the user
    // touches the map.
    void KeepHomeCentre(QObject *Watched, QEvent *Event);
    // A right click on the map; true when it was handled.
    void OnPlacePicked(const TGeoPoint &Point);
    void ClearObjectMarks();

    // main_notices.cpp
    void LayoutMsgPanel();

    bool fActivated = false;
    int fMinBottomHeight = 64;
    int fHeightOfBottom = 0;
    TDateTime fMsgTimeout = 0;
    std::unique_ptr<TVelmoraClient> fClient;
    std::unique_ptr<TMonitorMap> fMap;
    TRecordWindows *fRecordWindows = nullptr;
    std::deque<std::function<void()>> fTaskQueue;
    // The minute update came while a modal dialog was open: it runs once
    // when the dialog has closed.
    bool fUpdateHeld = false;
    // The running minute update met a refused token (a sign-in followed).
    bool fUpdateRefused = false;
    // The map's home point, kept centred until the user moves the map.
    static constexpr double HomeLat = 57.998649, HomeLon = 56.27574;
    bool fHomePending = false;
    // The outage notice shown while requests fail (empty when none is shown).
    QString fOutageText;
    bool fDestroyed = false;
    // Saved panel sizes, applied once the window has its size.
    bool fLayoutPending = false;
    bool fLeftFitsRows = false;
    int fPendingLeft = 0, fPendingRight = 0, fPendingBottom = 0, fPendingObjects = -1, fPendingTraps = -1;
};
