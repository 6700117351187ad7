#pragma once

// The "Traps" group of the main window: the account's alert rules with the
// trap toolbar. The trap windows come with their own issue; until then their
// buttons show the "not_implemented" notice.

#include <QObject>

class QGroupBox;
class QStandardItemModel;
class QToolBar;
class QTreeView;
class QWidget;
class TPanelContext;

class TTrapsPanel : public QObject
{
    Q_OBJECT
public:
    // The group is built inside Parent (the right splitter).
    TTrapsPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner);

    // Asks the service for the traps and lists them, selecting SelUid; the
    // count, or -1. Windows that show a trap are closed first.
    int LoadTraps(int SelUid);
    void Clear();

    QGroupBox *Group = nullptr;
    QToolBar *ToolBar = nullptr;
    QTreeView *List = nullptr;
    QStandardItemModel *Model() const { return fModel; }

    void SbTrapInfoClick();
    void SbAppendTrapClick();
    void SbEditTrapClick();
    void SbDeleteTrapClick();
    void TrapListDblClick();

Q_SIGNALS:
    // The traps are loaded (also after a failure: Count is then -1).
    void TrapsLoaded(int Count);

private:
    TPanelContext &fCtx;
    QStandardItemModel *fModel = nullptr;
};
