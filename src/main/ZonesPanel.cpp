#include "ZonesPanel.h"

#include "MonitorMap.h"

#include "OSM.ZoneInfo.h"
#include "OSM.ZtMapControl.h"
#include "PanelContext.h"
#include "PanelWidgets.h"
#include "RecordWindows.h"
#include "WaitCursor.h"
#include "ZoneWorkflow.h"
#include "client.h"

#include <QGroupBox>
#include <QLayout>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

using namespace PanelWidgets;

TZonesPanel::TZonesPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner) : QObject(Owner), fCtx(Ctx)
{
    Group = MakeGroup(QStringLiteral("GbZones"), QStringLiteral("Geozones"), Parent);
    ToolBar = MakeToolBar(QStringLiteral("ZoneToolBar"), Group);
    AddToolButton(ToolBar, QStringLiteral("SbZoneInfo"), QStringLiteral("Zone info"), [this] { SbZoneInfoClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbAppendZone"), QStringLiteral("Append zone"), [this] { SbAppendZoneClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbEditZone"), QStringLiteral("Edit zone"), [this] { SbEditZoneClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbZoneHistory"), QStringLiteral("Zone history"), [this] { SbZoneHistoryClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbDeleteZone"), QStringLiteral("Delete zone"), [this] { SbDeleteZoneClick(); });
    Group->layout()->addWidget(ToolBar);
    List = MakeList(QStringLiteral("ZoneList"), Group);
    List->setHeaderHidden(true);
    fModel = new QStandardItemModel(0, 1, this);
    List->setModel(fModel);
    connect(List, &QTreeView::doubleClicked, this, &TZonesPanel::ZoneListDblClick);
    Group->layout()->addWidget(List);

    TZoneWorkflowContext ctx;
    ctx.Log = [this](const QString &Text) { fCtx.Log(Text); };
    ctx.ShowMsg = [this](const QString &Key, int Seconds) { fCtx.ShowMsg(Key, Seconds); };
    ctx.ShowMsgFmt = [this](const QString &Key, const QVariantList &Args, int Seconds) { fCtx.ShowMsgFmt(Key, Args, Seconds); };
    ctx.MsgBox = [this](const QString &Caption, const QString &Text, int Flags) {
        return fCtx.MessageBox(Caption, Text, unsigned(Flags));
    };
    ctx.SignedIn = [this] { return fCtx.IsSignedIn(); };
    // The editor's commands are logged like the map's; they are not refused
    // when signed out, so that an editor closed at sign-out still cancels.
    ctx.Command = [this](QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args) {
        fCtx.LogFmt(QStringLiteral("\rCommand: %s %s (%s)"), {Action, Subj, Args.join(QLatin1Char(','))}, 3);
        return fWorkflow ? fWorkflow->ZoneCommand(Sender, Action, Subj, Args) : -1;
    };
    ctx.Parent = Parent;
    fWorkflow = new TZoneWorkflow(fCtx.Client(), fCtx.Map() ? fCtx.Map()->Control() : nullptr, List, fModel, ctx, this);
    HookMap();
}

TZonesPanel::~TZonesPanel()
{
    // The editor goes before the list and the zones it works on.
    delete fWorkflow;
}

void TZonesPanel::HookMap()
{
    TZtMapControl *map = fCtx.Map() ? fCtx.Map()->Control() : nullptr;
    fWorkflow->SetClient(fCtx.Client());
    fWorkflow->SetMap(map);
    if (!map || map == fHookedMap)
        return; // the client may change, the map's callbacks stay
    fHookedMap = map;
    map->SetCmdCallback([this](QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args) {
        return OnMapCommand(Sender, Action, Subj, Args);
    });
    map->OnClickZone = [this](TZoneInfo *Zone) { OnZoneClick(Zone); };
}

int TZonesPanel::LoadZones()
{
    HookMap();
    // The request replaces the zones that windows and rows point to; the
    // editor is closed first, asking about unsaved changes.
    fWorkflow->CloseEditor(true);
    fCtx.RecordWindows().KindFreed(TRecordKind::Zone);
    int n = 0;
    {
        TWaitCursor wait;
        n = fWorkflow->LoadZones();
    }
    // The map draws the zones the list holds.
    if (fCtx.Map())
        fCtx.Map()->SetZones(&fCtx.Client()->ZoneList());
    Q_EMIT ZonesLoaded(n);
    return n;
}

void TZonesPanel::Clear()
{
    fWorkflow->CloseEditor(false);
    fModel->removeRows(0, fModel->rowCount());
}

int TZonesPanel::OnMapCommand(QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args)
{
    if (!fCtx.IsSignedIn()) {
        fCtx.ShowMsg(QStringLiteral("not_logged_in"), 3);
        return -1;
    }
    fCtx.LogFmt(QStringLiteral("\rCommand: %s %s (%s)"), {Action, Subj, Args.join(QLatin1Char(','))}, 3);
    return fWorkflow->ZoneCommand(Sender, Action, Subj, Args);
}

void TZonesPanel::OnZoneClick(TZoneInfo *Zone)
{
    HookMap();
    fWorkflow->OnZoneClick(Zone);
}

void TZonesPanel::SbZoneInfoClick()
{
    HookMap();
    fWorkflow->ShowZone(false);
}
void TZonesPanel::SbAppendZoneClick()
{
    HookMap();
    fWorkflow->AppendZone();
}
void TZonesPanel::SbEditZoneClick()
{
    HookMap();
    fWorkflow->EditZone();
}
void TZonesPanel::SbZoneHistoryClick()
{
    HookMap();
    fWorkflow->ShowZoneHistory(ToolBar->findChild<QToolButton *>(QStringLiteral("SbZoneHistory")));
}
void TZonesPanel::SbDeleteZoneClick()
{
    HookMap();
    fWorkflow->DeleteZone();
}
void TZonesPanel::ZoneListDblClick()
{
    HookMap();
    fWorkflow->ShowZone(false);
}
