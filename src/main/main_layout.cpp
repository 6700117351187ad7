// TMonitorMainWin: creation, layout and its persistence, visual styles.

#include "main.h"

#include "AlarmNotifier.h"
#include "EventsPanel.h"
#include "MonitorMap.h"
#include "ObjListModel.h"
#include "ObjectsPanel.h"
#include "ZtStyles.h"
#include "ZtTtyBox.h"
#include "client.h"
#include "CallLimits.h"
#include "FormTranslate.h"
#include "OSM.TileStorage.h"
#include "DevicesPanel.h"
#include "PanelWidgets.h"
#include "RecordWindows.h"
#include "TracksPanel.h"
#include "TrapsPanel.h"
#include "TripsPanel.h"
#include "ZonesPanel.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QLineEdit>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

TAddressCache *AddressCache = nullptr;

using namespace PanelWidgets;

namespace {
const QString Main = QStringLiteral("Main");
constexpr int DesignWidth = 852;
constexpr int DesignHeight = 602;
constexpr int SideMinWidth = 172;
constexpr int BottomRestoreMin = 85;
} // namespace

TMonitorMainWin::TMonitorMainWin(QWidget *parent) : QMainWindow(parent)
{
    fRecordWindows = new TRecordWindows(this);
    FormCreate();
}

TMonitorMainWin::~TMonitorMainWin()
{
    FormDestroy();
}

void TMonitorMainWin::FormCreate()
{
    setObjectName(QStringLiteral("MonitorMainWin"));
    setWindowTitle(QStringLiteral("Velmora Monitor"));
    setMinimumSize(800, 600);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(font().pointSize());
    setFont(f);

    // The client first: the panels built below hold it from the start (it
    // logs into the log box once that exists).
    // 5. A remembered token wins over the configured one.
    QString token = IniFile.ReadString(QStringLiteral("Login"), QStringLiteral("Token"));
    if (token.isEmpty())
        token = Config.Get(QStringLiteral("token"), QString());
    fClient = std::make_unique<TVelmoraClient>(Config.Get(QStringLiteral("server"), QString()), token,
                                               Config.Get(QStringLiteral("timezone"), QString()),
                                               Config.Get(QStringLiteral("ca_file"), QString()),
                                               Config.Get(QStringLiteral("tls_verify"), QStringLiteral("1")).trimmed() != QLatin1String("0"));
    SetCallLimits(*fClient, TAnswerLimits::FromConfig([](const QString &key) { return Config.Get(key, QString()); }));
    fClient->SetLogCallback(LogCallback());

    BuildLayout();
    BuildMenus();
    BuildShortcuts();
    BuildTimers();

    // 1.
    fMinBottomHeight = BottomPanel->minimumHeight();
    fHeightOfBottom = 0;

    // 2.-3.
    MapCacheDir = AppPaths::mapCacheDir();
    MapCacheSize = Config.AsInteger(QStringLiteral("map_cache_size")) * 1000000;
    CreateMap();
    // Alarms told to the desktop, and the tray.
    AlarmNotifier = new TAlarmNotifier(*this, this, ObjectsPanel->List, ObjectsPanel->Model());
    ConnectLoadChain();
    EventsPanel->SetShowTrap([this](TTrapInfo *Trap) { TrapsPanel->ShowTrap(Trap); });
    // An event's, an alarm's or a trip's track goes through the track panel,
    // which refuses an object the list does not have.
    EventsPanel->SetTrackRequest([this](int ObjUid, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2) {
        TracksPanel->RequestObjectTrack(ObjUid, Sign, Mode, Dt1, Dt2);
    });

    // 6.
    TaskTimer->start();

    // 7.
    RestoreLayout();
    BottomPager->setCurrentIndex(0);
    PlaceCollapseButton();

    // 8.
    TranslateForm(this);
    TranslateMenu(this, menuBar());
    TranslateMenu(this, ObjPopupMenu);
    TranslateMenu(this, TrackPopupMenu);

    // 9.-10.
    FillStyleMenu();
    const QString style = IniFile.ReadString(Main, QStringLiteral("Style"));
    if (!style.isEmpty() && style != TZtStyles::ActiveName())
        SetStyle(style);
    else
        UpdateStyleColors();

    // 11.
    ClearDiskTileCache();
}

void TMonitorMainWin::FormDestroy()
{
    if (fDestroyed)
        return;
    fDestroyed = true;
    const bool maximized = isMaximized();
    IniFile.WriteBool(Main, QStringLiteral("Maximized"), maximized);
    if (!maximized) {
        const QRect g = geometry();
        IniFile.WriteInteger(Main, QStringLiteral("Left"), g.left());
        IniFile.WriteInteger(Main, QStringLiteral("Top"), g.top());
        IniFile.WriteInteger(Main, QStringLiteral("Width"), g.width());
        IniFile.WriteInteger(Main, QStringLiteral("Height"), g.height());
    }
    IniFile.WriteInteger(Main, QStringLiteral("LeftWidth"), HorzSplitter->sizes().value(0));
    IniFile.WriteInteger(Main, QStringLiteral("ObjectsHeight"), LeftSplitter->sizes().value(0));
    IniFile.WriteInteger(Main, QStringLiteral("RightWidth"), HorzSplitter->sizes().value(2));
    IniFile.WriteInteger(Main, QStringLiteral("TrapsHeight"), RightSplitter->sizes().value(0));
    IniFile.WriteInteger(Main, QStringLiteral("BottomHeight"), BottomHeight());
    IniFile.WriteInteger(Main, QStringLiteral("HeightOfBottom"), fHeightOfBottom);
    if (!TZtStyles::ActiveName().isEmpty())
        IniFile.WriteString(Main, QStringLiteral("Style"), TZtStyles::ActiveName());
    TaskTimer->stop();
    LoginTimer->stop();
    UpdateTimer->stop();
    MsgTimer->stop();
    fTaskQueue.clear();
    // Windows that show records go before the records.
    fRecordWindows->AllFreed();
    // The markers refer to rows, the rows to the client's objects: the map
    // goes first, then the lists, then the client.
    fMap.reset();
    ObjectsPanel->Detach();
    EventsPanel->Detach();
    fClient.reset();
}

void TMonitorMainWin::BuildPanels()
{
    DevicesPanel = new TDevicesPanel(*this, this);
    TripsPanel = new TTripsPanel(*this, this);
    TripsPanel->SetTrackRequest([this](int ObjUid, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2) {
        return TracksPanel->RequestObjectTrack(ObjUid, Sign, Mode, Dt1, Dt2);
    });
    // A trip started or stopped changes the object's status picture.
    ObjectsPanel = new TObjectsPanel(*this, LeftSplitter, this);
    GbObjects = ObjectsPanel->Group;
    ObjToolBar = ObjectsPanel->ToolBar;
    ObjList = ObjectsPanel->List;
    ObjSearch = ObjectsPanel->Search;
    ObjPopupMenu = ObjectsPanel->PopupMenu;
    // The object toolbar's buttons of the other areas.
    const struct
    {
        const char *name;
        std::function<void()> action;
    } actions[] = {
        {"SbConfiguration", [this] { DevicesPanel->SbConfigurationClick(); }},
        {"SbSmsFilters", [this] { DevicesPanel->SbSmsFiltersClick(); }},
        {"SbCommands", [this] { DevicesPanel->SbCommandsClick(); }},
        {"SbPlaces", [this] { DevicesPanel->SbPlacesClick(); }},
        {"SbRequestTrack", [this] { SbRequestTrackClick(); }},
        {"SbLastMessages", [this] { SbLastMessagesClick(); }},
        {"PopupStartTrip", [this] { TripsPanel->StartObjectTrip(); }},
        {"PopupStopTrip", [this] { TripsPanel->StopObjectTrip(); }},
    };
    for (const auto &a : actions)
        ObjectsPanel->SetAction(QString::fromLatin1(a.name), a.action);
    // A trip started or stopped changes the object's status picture.
    connect(TripsPanel, &TTripsPanel::ObjectChanged, ObjectsPanel, [this] { ObjectsPanel->Model()->RefreshAll(); });
    TracksPanel = new TTracksPanel(*this, LeftSplitter, this);
    GbTracks = TracksPanel->Group;
    TrackToolBar = TracksPanel->ToolBar;
    TrackList = TracksPanel->List;
    TrackPopupMenu = TracksPanel->PopupMenu;
}

void TMonitorMainWin::BuildRightPanels()
{
    TrapsPanel = new TTrapsPanel(*this, RightSplitter, this);
    GbTraps = TrapsPanel->Group;
    TrapToolBar = TrapsPanel->ToolBar;
    TrapList = TrapsPanel->List;
    ZonesPanel = new TZonesPanel(*this, RightSplitter, this);
    GbZones = ZonesPanel->Group;
    ZoneToolBar = ZonesPanel->ToolBar;
    ZoneList = ZonesPanel->List;
}

void TMonitorMainWin::BuildBottom()
{
    BottomPanel = new QWidget(VertSplitter);
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setMinimumHeight(64);
    BottomPanel->installEventFilter(this);
    auto *bl = new QVBoxLayout(BottomPanel);
    bl->setContentsMargins(0, 0, 0, 0);
    BottomPager = new QTabWidget(BottomPanel);
    BottomPager->setObjectName(QStringLiteral("BottomPager"));
    BottomPager->setTabPosition(QTabWidget::South);
    bl->addWidget(BottomPager);

    // Alarms and Events, then the log.
    EventsPanel = new TEventsPanel(*this, BottomPager, this);
    AlarmList = EventsPanel->AlarmList;
    EventList = EventsPanel->EventList;

    auto makePage = [this](const QString &name, const QString &title) {
        auto *page = new QWidget(BottomPager);
        page->setObjectName(name);
        auto *l = new QHBoxLayout(page);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(1);
        BottomPager->addTab(page, title);
        return page;
    };
    QWidget *logPage = makePage(QStringLiteral("TabLog"), QStringLiteral("Log"));
    auto *lb = new QToolBar(logPage);
    lb->setObjectName(QStringLiteral("LogToolBar"));
    lb->setOrientation(Qt::Vertical);
    logPage->layout()->addWidget(lb);
    SbClearLog = AddToolButton(lb, QStringLiteral("SbClearLog"), QStringLiteral("Clear log"), [this] { SbClearLogClick(); });
    LogBox = new TZtTtyBox(logPage);
    LogBox->setObjectName(QStringLiteral("LogBox"));
    QFont lf(QStringLiteral("Consolas"));
    lf.setStyleHint(QFont::Monospace);
    lf.setPixelSize(11);
    LogBox->setFont(lf);
    LogBox->SetLinesStored(1000);
    LogBox->SetLogMode(lmDisabled);
    LogBox->SetLogFileName(QStringLiteral("TtyLog.txt"));
    LogBox->SetMaxLogSize(262144);
    logPage->layout()->addWidget(LogBox);
    connect(BottomPager, &QTabWidget::currentChanged, this, &TMonitorMainWin::BottomPagerChange);

    // The collapse button floats over the page control's bottom right corner.
    SbHideBottomLog = new QToolButton(BottomPager);
    SbHideBottomLog->setObjectName(QStringLiteral("SbHideBottomLog"));
    SbHideBottomLog->setAutoRaise(true);
    SbHideBottomLog->setFixedSize(20, 20);
    connect(SbHideBottomLog, &QToolButton::clicked, this, &TMonitorMainWin::SbHideBottomLogClick);
    BottomPager->installEventFilter(this);
}

void TMonitorMainWin::BuildLayout()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientPanel"));
    auto *cl = new QVBoxLayout(central);
    cl->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);

    VertSplitter = new QSplitter(Qt::Vertical, central);
    VertSplitter->setObjectName(QStringLiteral("BottomSplitter"));
    VertSplitter->setChildrenCollapsible(false);
    cl->addWidget(VertSplitter);

    HorzSplitter = new QSplitter(Qt::Horizontal, VertSplitter);
    HorzSplitter->setObjectName(QStringLiteral("SideSplitter"));
    HorzSplitter->setChildrenCollapsible(false);

    LeftPanel = new QWidget(HorzSplitter);
    LeftPanel->setObjectName(QStringLiteral("LeftPanel"));
    LeftPanel->setMinimumWidth(SideMinWidth);
    auto *ll = new QVBoxLayout(LeftPanel);
    ll->setContentsMargins(0, 0, 0, 0);
    LeftSplitter = new QSplitter(Qt::Vertical, LeftPanel);
    LeftSplitter->setObjectName(QStringLiteral("LeftSplitter"));
    LeftSplitter->setChildrenCollapsible(false);
    ll->addWidget(LeftSplitter);
    BuildPanels();

    MapPanel = new QWidget(HorzSplitter);
    MapPanel->setObjectName(QStringLiteral("MapPanel"));
    MapPanel->setMinimumWidth(64);
    auto *ml = new QVBoxLayout(MapPanel);
    ml->setContentsMargins(0, 0, 0, 0);
    MapPanel->installEventFilter(this);

    RightPanel = new QWidget(HorzSplitter);
    RightPanel->setObjectName(QStringLiteral("RightPanel"));
    RightPanel->setMinimumWidth(SideMinWidth);
    auto *rl = new QVBoxLayout(RightPanel);
    rl->setContentsMargins(0, 0, 0, 0);
    RightSplitter = new QSplitter(Qt::Vertical, RightPanel);
    RightSplitter->setObjectName(QStringLiteral("RightSplitter"));
    RightSplitter->setChildrenCollapsible(false);
    rl->addWidget(RightSplitter);
    BuildRightPanels();

    // No stretch factors: a splitter without them shares a change of the
    // window's width in proportion to the panels' widths, so maximising
    // widens the side lists too, not only the map.

    BuildBottom();
    VertSplitter->setStretchFactor(0, 1);
    VertSplitter->setStretchFactor(1, 0);
    connect(VertSplitter, &QSplitter::splitterMoved, this, [this] { BottomPanelResize(); });
    // A width the user chose is his: the rows no longer widen the panel.
    connect(HorzSplitter, &QSplitter::splitterMoved, this, [this] { fLeftFitsRows = false; });

    BuildMsgPanel();

    TopToolBar = new QToolBar(this);
    TopToolBar->setObjectName(QStringLiteral("TopToolBar"));
    SbExit = TopToolBar->addAction(QStringLiteral("Exit"));
    SbExit->setObjectName(QStringLiteral("SbExit"));
    connect(SbExit, &QAction::triggered, this, &TMonitorMainWin::SbExitClick);
    addToolBar(TopToolBar);
    TopToolBar->hide();
}

void TMonitorMainWin::BuildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto item = [this](QMenu *m, const QString &name, const QString &text, void (TMonitorMainWin::*slot)()) {
        QAction *a = m->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    MenuUser = bar->addMenu(QStringLiteral("User"));
    MenuUser->setObjectName(QStringLiteral("MenuUser"));
    MenuUser->menuAction()->setObjectName(QStringLiteral("MenuUser"));
    MenuSignIn = item(MenuUser, QStringLiteral("MenuSignIn"), QStringLiteral("Sign In"), &TMonitorMainWin::MenuSignInClick);
    MenuSignUp = item(MenuUser, QStringLiteral("MenuSignUp"), QStringLiteral("Sign Up"), &TMonitorMainWin::MenuSignUpClick);
    MenuUserData = item(MenuUser, QStringLiteral("MenuUserData"), QStringLiteral("User data"), &TMonitorMainWin::MenuUserDataClick);
    MenuUserTrips = item(MenuUser, QStringLiteral("MenuUserTrips"), QStringLiteral("Trips"), &TMonitorMainWin::MenuUserTripsClick);
    MenuSignOut = item(MenuUser, QStringLiteral("MenuSignOut"), QStringLiteral("Sign Out"), &TMonitorMainWin::MenuSignOutClick);

    MenuSettings = bar->addMenu(QStringLiteral("Settings"));
    MenuSettings->setObjectName(QStringLiteral("MenuSettings"));
    MenuSettings->menuAction()->setObjectName(QStringLiteral("MenuSettings"));
    MenuStyle = MenuSettings->addMenu(QStringLiteral("Style"));
    MenuStyle->setObjectName(QStringLiteral("MenuStyle"));
    MenuStyle->menuAction()->setObjectName(QStringLiteral("MenuStyle"));
    connect(MenuStyle, &QMenu::triggered, this, &TMonitorMainWin::MenuStyleClick);
    MenuEditSettings = item(MenuSettings, QStringLiteral("MenuEditSettings"), QStringLiteral("Settings"),
                            &TMonitorMainWin::MenuEditSettingsClick);

    MenuHelp = bar->addMenu(QStringLiteral("Help"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelp->menuAction()->setObjectName(QStringLiteral("MenuHelp"));
    MenuAbout = item(MenuHelp, QStringLiteral("MenuAbout"), QStringLiteral("About"), &TMonitorMainWin::MenuAboutClick);
}

void TMonitorMainWin::BuildTimers()
{
    auto timer = [this](const QString &name, int ms, void (TMonitorMainWin::*slot)()) {
        auto *t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(ms);
        connect(t, &QTimer::timeout, this, slot);
        return t;
    };
    LoginTimer = timer(QStringLiteral("LoginTimer"), 500, &TMonitorMainWin::LoginTimerTimer);
    TaskTimer = timer(QStringLiteral("TaskTimer"), 100, &TMonitorMainWin::TaskTimerTimer);
    MsgTimer = timer(QStringLiteral("MsgTimer"), 100, &TMonitorMainWin::MsgTimerTimer);
    UpdateTimer = timer(QStringLiteral("UpdateTimer"), UpdateInterval(), &TMonitorMainWin::UpdateTimerTimer);
}

void TMonitorMainWin::RestoreLayout()
{
    const QRect avail = screen() ? screen()->availableGeometry() : QRect(0, 0, 1920, 1080);
    // The first window takes most of a screen larger than the designed size.
    const int w = static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("Width"), std::max(DesignWidth, avail.width() * 4 / 5)));
    const int h = static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("Height"), std::max(DesignHeight, avail.height() * 4 / 5)));
    const int x = static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("Left"), avail.left() + (avail.width() - w) / 2));
    const int y = static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("Top"), avail.top() + (avail.height() - h) / 2));
    setGeometry(x, y, std::max(w, minimumWidth()), std::max(h, minimumHeight()));

    fPendingBottom = std::max<int>(BottomRestoreMin, static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("BottomHeight"), 0)));
    // Without a saved width the left panel is as wide as its content needs:
    // the object toolbar's buttons, and a row's check box, whole report time
    // and status picture; the names widen it once the objects are listed.
    const int savedLeft = static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("LeftWidth"), 0));
    fLeftFitsRows = savedLeft <= 0;
    fPendingLeft = std::max<int>(SideMinWidth, savedLeft > 0 ? savedLeft : ObjectsPanel->WidthHint());
    fPendingRight = std::max<int>(SideMinWidth, static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("RightWidth"), 0)));
    fPendingObjects = static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("ObjectsHeight"), -1));
    fPendingTraps = static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("TrapsHeight"), -1));
    fLayoutPending = true;
    ApplyPanelSizes();

    if (fHeightOfBottom == 0)
        fHeightOfBottom = static_cast<int>(IniFile.ReadInteger(Main, QStringLiteral("HeightOfBottom"), 96));
    if (IniFile.ReadBool(Main, QStringLiteral("Maximized"), false))
        setWindowState(windowState() | Qt::WindowMaximized);
    BottomPanelResize();
}

void TMonitorMainWin::FitLeftPanelToRows()
{
    if (!fLeftFitsRows)
        return;
    QList<int> s = HorzSplitter->sizes();
    // The map keeps most of the room: the lists take at most 30 % of it.
    const int need = std::min(ObjectsPanel->WidthHint(), (s[0] + s[1] + s[2]) * 3 / 10);
    const int grow = std::min(need - s[0], s[1] - MapPanel->minimumWidth());
    if (grow <= 0)
        return;
    s[0] += grow;
    s[1] -= grow;
    HorzSplitter->setSizes(s);
}

void TMonitorMainWin::ApplyPanelSizes()
{
    // Splitters share out only the room they have, so the saved sizes are
    // applied again once the window is laid out at its real size.
    if (!fLayoutPending)
        return;
    if (QLayout *l = layout())
        l->activate();
    if (centralWidget()->layout())
        centralWidget()->layout()->activate();
    const int totalH = std::max(VertSplitter->height() - VertSplitter->handleWidth(), 1);
    VertSplitter->setSizes({std::max(totalH - fPendingBottom, 1), fPendingBottom});
    const int totalW = std::max(HorzSplitter->width() - 2 * HorzSplitter->handleWidth(), 1);
    HorzSplitter->setSizes({fPendingLeft, std::max(totalW - fPendingLeft - fPendingRight, 64), fPendingRight});
    for (QSplitter *sp : {LeftSplitter, RightSplitter}) {
        if (QLayout *pl = sp->parentWidget()->layout())
            pl->activate();
    }
    const int leftH = std::max(LeftSplitter->height() - LeftSplitter->handleWidth(), 1);
    const int objects = fPendingObjects >= 0 ? fPendingObjects : (leftH / 3) * 2;
    LeftSplitter->setSizes({objects, std::max(leftH - objects, 1)});
    const int rightH = std::max(RightSplitter->height() - RightSplitter->handleWidth(), 1);
    const int traps = fPendingTraps >= 0 ? fPendingTraps : rightH / 2;
    RightSplitter->setSizes({traps, std::max(rightH - traps, 1)});
    BottomPanelResize();
}

int TMonitorMainWin::BottomHeight() const { return VertSplitter->sizes().value(1); }

void TMonitorMainWin::SetBottomHeight(int Height)
{
    const QList<int> s = VertSplitter->sizes();
    const int total = s.value(0) + s.value(1);
    VertSplitter->setSizes({std::max(total - Height, 1), Height});
    BottomPanelResize();
}

void TMonitorMainWin::PlaceCollapseButton()
{
    SbHideBottomLog->move(BottomPager->width() - SbHideBottomLog->width() - 4,
                          BottomPager->height() - SbHideBottomLog->height());
    SbHideBottomLog->raise();
}

void TMonitorMainWin::BottomPanelResize()
{
    const int h = BottomHeight();
    if (h > fMinBottomHeight)
        fHeightOfBottom = h;
    const bool expanded = h > fMinBottomHeight;
    SbHideBottomLog->setArrowType(expanded ? Qt::DownArrow : Qt::UpArrow);
    SbHideBottomLog->setProperty("ImageIndex", expanded ? 0 : 1);
}

void TMonitorMainWin::SbHideBottomLogClick()
{
    if (BottomHeight() > fMinBottomHeight)
        SetBottomHeight(fMinBottomHeight);
    else
        SetBottomHeight(fHeightOfBottom);
}

void TMonitorMainWin::FillStyleMenu()
{
    MenuStyle->clear();
    const QString active = TZtStyles::ActiveName().isEmpty() ? QApplication::style()->name() : TZtStyles::ActiveName();
    for (const QString &name : TZtStyles::Names()) {
        QAction *a = MenuStyle->addAction(name);
        a->setCheckable(true);
        a->setChecked(name.compare(active, Qt::CaseInsensitive) == 0 && (name == active || TZtStyles::ActiveName().isEmpty()));
    }
}

void TMonitorMainWin::SetStyle(const QString &Name)
{
    Log(QStringLiteral("\rSet style: ") + Name);
    try {
        if (!TZtStyles::Names().contains(Name)) {
            Log(QStringLiteral(" x: not found"));
            return;
        }
        Log(QStringLiteral("\rTry set style: ") + Name);
        if (!TZtStyles::Apply(Name))
            Log(QStringLiteral(" x: not applied"));
        UpdateStyleColors();
        CheckStyleMenu();
    } catch (const std::exception &e) {
        Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
    }
}

void TMonitorMainWin::UpdateStyleColors()
{
    clWin = TZtStyles::WindowColor();
    clTxt = TZtStyles::TextColor();
    clTxtSel = TZtStyles::SelectedTextColor();
    ObjectsPanel->SetColors(clWin, clTxt, clTxtSel);
    RefreshIcons(this);
}

void TMonitorMainWin::CheckStyleMenu()
{
    const QString active = TZtStyles::ActiveName();
    for (QAction *a : MenuStyle->actions())
        a->setChecked(QString(a->text()).remove(u'&') == active);
}

void TMonitorMainWin::MenuStyleClick(QAction *Item)
{
    if (Item)
        SetStyle(QString(Item->text()).remove(u'&'));
}

void TMonitorMainWin::ClearDiskTileCache()
{
    int age = static_cast<int>(Config.AsInteger(QStringLiteral("map_cache_max_age")));
    if (age <= 0)
        age = 30;
    LogFmt(QStringLiteral("\rClear disk tile cache: dir=%s, age=%d"), {MapCacheDir, age}, 2);
    const int n = PurgeTileCache(MapCacheDir, age, [this](const QString &s) { Log(s); });
    LogFmt(QStringLiteral("\r  -> %d"), {n}, 1);
}

bool TMonitorMainWin::eventFilter(QObject *watched, QEvent *event)
{
    KeepHomeCentre(watched, event);
    if (event->type() == QEvent::MouseButtonPress && (watched == MsgPanel || watched == MsgLabel)) {
        MsgPanelClick();
        return true;
    }
    if (event->type() == QEvent::Resize) {
        if (watched == BottomPager)
            PlaceCollapseButton();
        else if (watched == BottomPanel)
            BottomPanelResize();
        else if (watched == MapPanel && MsgPanel && MsgPanel->isVisible())
            LayoutMsgPanel();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMonitorMainWin::BottomPagerChange(int Index)
{
    if (Index == 1)
        EventsPanel->EventsPageShown();
    else if (Index == 2)
        LogBox->ScrollTo(-1);
}
