#pragma once

// The "Traps" group of the main window: the account's alert rules grouped by
// object in a two-level tree, with the trap toolbar. The editor works on a
// copy of the trap and hands back the changed fields; this panel sends them.

#include <QObject>

class QGroupBox;
class QModelIndex;
class QToolBar;
class QTreeView;
class QWidget;
class TPanelContext;
class TTrapInfo;
class TTrapTreeModel;

class TTrapsPanel : public QObject
{
    Q_OBJECT
public:
    // The group is built inside Parent (the right splitter).
    TTrapsPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner);

    // Asks the service for the traps and lists them, selecting the trap
    // SelUid, or (SelUid 0) the trap selected before, or the first row; the
    // count, or -1. Windows that show a trap are closed first.
    int LoadTraps(int SelUid);
    void Clear();

    // "Trap info": Trap read-only, or the selected trap when none is given.
    void ShowTrap(TTrapInfo *Trap = nullptr);
    void AppendTrap();
    void EditTrap();
    void DeleteTrap();

    QGroupBox *Group = nullptr;
    QToolBar *ToolBar = nullptr;
    QTreeView *List = nullptr;
    TTrapTreeModel *Model() const { return fModel; }
    // The trap of the selected row; none on an object row.
    TTrapInfo *SelectedTrap() const;

    void SbTrapInfoClick() { ShowTrap(); }
    void SbAppendTrapClick() { AppendTrap(); }
    void SbEditTrapClick() { EditTrap(); }
    void SbDeleteTrapClick() { DeleteTrap(); }
    void TrapListDblClick() { EditTrap(); }
    void TrapListChange();

Q_SIGNALS:
    // The traps are loaded (also after a failure: Count is then -1).
    void TrapsLoaded(int Count);

private:
    void Select(const QModelIndex &Index);

    TPanelContext &fCtx;
    TTrapTreeModel *fModel = nullptr;
};
