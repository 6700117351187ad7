#include "ZonesPanel.h"

#include "MonitorMap.h"

#include "OSM.ZoneInfo.h"
#include "PanelContext.h"
#include "PanelWidgets.h"
#include "RecordWindows.h"
#include "WaitCursor.h"
#include "client.h"

#include <QGroupBox>
#include <QLayout>
#include <QStandardItemModel>
#include <QToolBar>
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
}

int TZonesPanel::LoadZones()
{
    fCtx.Log(QStringLiteral("\rLoad zones: "));
    // The request replaces the zones that windows and rows point to.
    fCtx.RecordWindows().KindFreed(TRecordKind::Zone);
    fModel->removeRows(0, fModel->rowCount());
    int n = 0;
    {
        TWaitCursor wait;
        n = fCtx.Client()->GetZones();
    }
    fCtx.Log(QStringLiteral("\r  -> ") + QString::number(n));
    for (const auto &z : fCtx.Client()->ZoneList()) {
        auto *item = new QStandardItem(z->name);
        item->setEditable(false);
        item->setData(z->uid, Qt::UserRole);
        fModel->appendRow(item);
    }
    // The map draws the zones the list holds.
    if (fCtx.Map())
        fCtx.Map()->SetZones(&fCtx.Client()->ZoneList());
    Q_EMIT ZonesLoaded(n);
    return n;
}

void TZonesPanel::Clear() { fModel->removeRows(0, fModel->rowCount()); }

// The zone windows come with their own issue.
void TZonesPanel::SbZoneInfoClick() { fCtx.NotImplemented(QStringLiteral("SbZoneInfo")); }
void TZonesPanel::SbAppendZoneClick() { fCtx.NotImplemented(QStringLiteral("SbAppendZone")); }
void TZonesPanel::SbEditZoneClick() { fCtx.NotImplemented(QStringLiteral("SbEditZone")); }
void TZonesPanel::SbZoneHistoryClick() { fCtx.NotImplemented(QStringLiteral("SbZoneHistory")); }
void TZonesPanel::SbDeleteZoneClick() { fCtx.NotImplemented(QStringLiteral("SbDeleteZone")); }
void TZonesPanel::ZoneListDblClick() { fCtx.NotImplemented(QStringLiteral("ZoneList")); }
