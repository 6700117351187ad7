#include "TrapsPanel.h"

#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "PanelContext.h"
#include "PanelWidgets.h"
#include "RecordWindows.h"
#include "TrapEditForm.h"
#include "TrapListDelegate.h"
#include "TrapTreeModel.h"
#include "WaitCursor.h"
#include "ZtMsgBox.h"
#include "client.h"
#include "translate.h"

#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLayout>
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
    fModel = new TTrapTreeModel(this);
    List->setModel(fModel);
    List->setItemDelegate(new TTrapListDelegate(List));
    connect(List, &QTreeView::doubleClicked, this, &TTrapsPanel::TrapListDblClick);
    connect(List->selectionModel(), &QItemSelectionModel::currentChanged, this, &TTrapsPanel::TrapListChange);
    Group->layout()->addWidget(List);
    Group->setMinimumHeight(TrapsMinHeight);
}

TTrapInfo *TTrapsPanel::SelectedTrap() const { return fModel->Trap(List->currentIndex()); }

void TTrapsPanel::Select(const QModelIndex &Index)
{
    if (!Index.isValid())
        return;
    List->setCurrentIndex(Index);
    if (Index.parent().isValid())
        List->expand(Index.parent());
    List->scrollTo(Index);
}

int TTrapsPanel::LoadTraps(int SelUid)
{
    // Without a trap asked for, the selected one stays selected.
    if (SelUid == 0)
        if (const TTrapInfo *t = SelectedTrap())
            SelUid = t->uid;
    List->setUpdatesEnabled(false);
    fCtx.Log(QStringLiteral("\rLoad traps: "));
    fCtx.RecordWindows().KindFreed(TRecordKind::Trap);
    // The rows refer to the traps the request is about to free.
    fModel->Clear();
    int n = 0;
    {
        TWaitCursor wait;
        n = fCtx.Client()->GetTraps();
    }
    fCtx.Log(QStringLiteral("\r  -> ") + QString::number(n));
    const QModelIndex sel = fModel->Build(*fCtx.Client(), SelUid);
    if (fModel->rowCount() > 0) {
        Select(sel.isValid() ? sel : fModel->index(0, 0));
        List->setFocus();
    }
    List->setUpdatesEnabled(true);
    Q_EMIT TrapsLoaded(n);
    return n;
}

void TTrapsPanel::Clear() { fModel->Clear(); }

void TTrapsPanel::TrapListChange()
{
    const QModelIndex cur = List->currentIndex();
    if (cur.isValid() && !cur.parent().isValid())
        List->expand(cur);
}

void TTrapsPanel::ShowTrap(TTrapInfo *Trap)
{
    fCtx.Log(QStringLiteral("\rShow trap ..."));
    if (!Trap)
        Trap = SelectedTrap();
    if (!Trap) {
        fCtx.ShowMsg(QStringLiteral("trap_not_selected"), 3);
        return;
    }
    try {
        TTrapEditForm form(fCtx.DialogParent());
        form.ShowTrap(fCtx.Client(), *Trap);
    } catch (const std::exception &e) {
        fCtx.Log(QStringLiteral("\r  X:") + QString::fromStdString(e.what()));
    }
}

void TTrapsPanel::AppendTrap()
{
    fCtx.Log(QStringLiteral("\rAppend trap ..."));
    const QModelIndex cur = List->currentIndex();
    int objId = 0;
    if (const TTrapInfo *t = fModel->Trap(cur))
        objId = t->obj_id;
    else if (const TObjectInfo *o = fModel->Object(cur))
        objId = o->uid; // 0 for "GENERAL"
    else if (const TObjectInfo *sel = fCtx.SelectedObject())
        objId = sel->uid;
    try {
        TTrapEditForm form(fCtx.DialogParent());
        if (!form.EditTrap(fCtx.Client(), nullptr, objId)) {
            fCtx.Log(QStringLiteral("\r  cancel"));
            return;
        }
        const int uid = fCtx.Client()->CreateTrap(form.TrapInfo());
        if (uid > 0)
            LoadTraps(uid);
        else
            fCtx.ShowMsgFmt(QStringLiteral("error"), {fCtx.Client()->ErrorMessage()}, 5);
    } catch (const std::exception &e) {
        fCtx.Log(QStringLiteral("\r  X:") + QString::fromStdString(e.what()));
    }
}

void TTrapsPanel::EditTrap()
{
    if (fModel->rowCount() == 0) {
        LoadTraps(0);
        if (fModel->rowCount() == 0)
            return;
    }
    const TTrapInfo *trap = SelectedTrap();
    if (!trap) {
        fCtx.ShowMsg(QStringLiteral("trap_not_selected"), 3);
        return;
    }
    // The dialog is modal; the trap is looked up again by uid afterwards.
    const int uid = trap->uid;
    fCtx.LogFmt(QStringLiteral("\rEdit trap (%d) ..."), {uid}, 1);
    try {
        TTrapEditForm form(fCtx.DialogParent());
        if (!form.EditTrap(fCtx.Client(), trap, 0)) {
            fCtx.Log(QStringLiteral("\r  cancel"));
            return;
        }
        const TFieldMap fields = form.Fields();
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            fCtx.Log(QStringLiteral("\r  ") + it.key() + QStringLiteral("->") + it.value());
        if (!fCtx.Client()->UpdateTrap(uid, fields)) {
            fCtx.ShowMsgFmt(QStringLiteral("error"), {fCtx.Client()->ErrorMessage()}, 5);
            return;
        }
        // A new type, target or object moves the row: the tree is rebuilt
        // from the client's list as it is now.
        List->setUpdatesEnabled(false);
        Select(fModel->Build(*fCtx.Client(), uid));
        List->setUpdatesEnabled(true);
    } catch (const std::exception &e) {
        fCtx.Log(QStringLiteral("\r  X:") + QString::fromStdString(e.what()));
    }
}

void TTrapsPanel::DeleteTrap()
{
    const QModelIndex cur = List->currentIndex();
    const TTrapInfo *trap = fModel->Trap(cur);
    if (!trap) {
        fCtx.ShowMsg(QStringLiteral("trap_not_selected"), 3);
        return;
    }
    fCtx.Log(QStringLiteral("\rDelete trap ..."));
    const int uid = trap->uid;
    if (fCtx.MessageBox(Translation.GetString(QStringLiteral("delete_trap")),
                        Translation.GetString(QStringLiteral("delete_trap_prompt"), {trap->TrapName()}), 0x24)
        != mbrYes) {
        fCtx.Log(QStringLiteral("\r  cancel"));
        return;
    }
    // The box was modal: find the row again before the trap is freed.
    const QModelIndex row = fModel->IndexOfTrap(uid);
    if (!fCtx.Client()->DeleteTrap(uid)) {
        fCtx.ShowMsgFmt(QStringLiteral("error"), {fCtx.Client()->ErrorMessage()}, 5);
        return;
    }
    Select(fModel->RemoveTrapRow(row));
}
