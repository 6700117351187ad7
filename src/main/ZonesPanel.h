#pragma once

// The "Geozones" group of the main window: the account's zones with the zone
// toolbar. Ticking a zone shows it on the map; the zone editor, the zone
// actions and the editing on the map are the zone workflow's.

#include <QObject>
#include <QStringList>

class QGroupBox;
class QStandardItemModel;
class QToolBar;
class QTreeView;
class QWidget;
class TPanelContext;
class TZoneInfo;
class TZoneWorkflow;

class TZonesPanel : public QObject
{
    Q_OBJECT
public:
    // The group is built inside Parent (the right splitter).
    TZonesPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner);
    ~TZonesPanel() override;

    // Asks the service for the zones and lists them; the count, or -1.
    // Windows that show a zone are closed first (the zone editor asks about
    // unsaved changes): the list is replaced.
    int LoadZones();
    void Clear();

    QGroupBox *Group = nullptr;
    QToolBar *ToolBar = nullptr;
    QTreeView *List = nullptr;
    QStandardItemModel *Model() const { return fModel; }
    TZoneWorkflow *Workflow() const { return fWorkflow; }

    void SbZoneInfoClick();
    void SbAppendZoneClick();
    void SbEditZoneClick();
    void SbZoneHistoryClick();
    void SbDeleteZoneClick();
    void ZoneListDblClick();
    // The map layer's zone click.
    void OnZoneClick(TZoneInfo *Zone);
    // The map's and the zone editor's commands: logged, refused while signed
    // out; the result of "save" is the zone's uid or -1.
    int OnMapCommand(QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args);

Q_SIGNALS:
    // The zones are loaded (also after a failure: Count is then -1).
    void ZonesLoaded(int Count);

private:
    // The map's zone callbacks lead here once the map exists.
    void HookMap();

    TPanelContext &fCtx;
    QStandardItemModel *fModel = nullptr;
    TZoneWorkflow *fWorkflow = nullptr;
    QObject *fHookedMap = nullptr;
};
