#pragma once

// The "Geozones" group of the main window: the account's zones with the zone
// toolbar. The zone windows come with their own issue; until then their
// buttons show the "not_implemented" notice.

#include <QObject>

class QGroupBox;
class QStandardItemModel;
class QToolBar;
class QTreeView;
class QWidget;
class TPanelContext;

class TZonesPanel : public QObject
{
    Q_OBJECT
public:
    // The group is built inside Parent (the right splitter).
    TZonesPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner);

    // Asks the service for the zones and lists them; the count, or -1.
    // Windows that show a zone are closed first: the list is replaced.
    int LoadZones();
    void Clear();

    QGroupBox *Group = nullptr;
    QToolBar *ToolBar = nullptr;
    QTreeView *List = nullptr;
    QStandardItemModel *Model() const { return fModel; }

    void SbZoneInfoClick();
    void SbAppendZoneClick();
    void SbEditZoneClick();
    void SbZoneHistoryClick();
    void SbDeleteZoneClick();
    void ZoneListDblClick();

Q_SIGNALS:
    // The zones are loaded (also after a failure: Count is then -1).
    void ZonesLoaded(int Count);

private:
    TPanelContext &fCtx;
    QStandardItemModel *fModel = nullptr;
};
