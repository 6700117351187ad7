#include "TrapsPanel.h"

#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
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

namespace {
constexpr int TrapsMinHeight = 48;
}

TTrapsPanel::TTrapsPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner) : QObject(Owner), fCtx(Ctx)
{
    Group = MakeGroup(QStringLiteral("GbTraps"), QStringLiteral("Traps"), Parent);
    ToolBar = MakeToolBar(QStringLiteral("TrapToolBar"), Group);
    AddToolButton(ToolBar, QStringLiteral("SbTrapInfo"), QStringLiteral("Trap info"), [this] { SbTrapInfoClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbAppendTrap"), QStringLiteral("Append trap"), [this] { SbAppendTrapClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbEditTrap"), QStringLiteral("Edit trap"), [this] { SbEditTrapClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbDeleteTrap"), QStringLiteral("Delete trap"), [this] { SbDeleteTrapClick(); });
    Group->layout()->addWidget(ToolBar);
    List = MakeList(QStringLiteral("TrapList"), Group);
    List->setHeaderHidden(true);
    fModel = new QStandardItemModel(0, 1, this);
    List->setModel(fModel);
    connect(List, &QTreeView::doubleClicked, this, &TTrapsPanel::TrapListDblClick);
    Group->layout()->addWidget(List);
    Group->setMinimumHeight(TrapsMinHeight);
}

int TTrapsPanel::LoadTraps(int SelUid)
{
    fCtx.Log(QStringLiteral("\rLoad traps: "));
    fCtx.RecordWindows().KindFreed(TRecordKind::Trap);
    fModel->removeRows(0, fModel->rowCount());
    int n = 0;
    {
        TWaitCursor wait;
        n = fCtx.Client()->GetTraps();
    }
    fCtx.Log(QStringLiteral("\r  -> ") + QString::number(n));
    for (const auto &t : fCtx.Client()->TrapList()) {
        const QString owner = t->fObjInfo ? t->fObjInfo->name : QStringLiteral("GENERAL");
        auto *item = new QStandardItem(owner + QStringLiteral(": ") + t->TrapName() + u' ' + t->Condition());
        item->setEditable(false);
        item->setData(t->uid, Qt::UserRole);
        fModel->appendRow(item);
        if (SelUid > 0 && t->uid == SelUid)
            List->setCurrentIndex(item->index());
    }
    Q_EMIT TrapsLoaded(n);
    return n;
}

void TTrapsPanel::Clear() { fModel->removeRows(0, fModel->rowCount()); }

// The trap windows come with their own issue.
void TTrapsPanel::SbTrapInfoClick() { fCtx.NotImplemented(QStringLiteral("SbTrapInfo")); }
void TTrapsPanel::SbAppendTrapClick() { fCtx.NotImplemented(QStringLiteral("SbAppendTrap")); }
void TTrapsPanel::SbEditTrapClick() { fCtx.NotImplemented(QStringLiteral("SbEditTrap")); }
void TTrapsPanel::SbDeleteTrapClick() { fCtx.NotImplemented(QStringLiteral("SbDeleteTrap")); }
void TTrapsPanel::TrapListDblClick() { fCtx.NotImplemented(QStringLiteral("TrapList")); }
