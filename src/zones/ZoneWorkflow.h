#pragma once

#include "OSM.ZoneInfo.h"
#include "ZoneEditForm.h"
#include "common.h"

#include <QObject>
#include <QAbstractItemView>
#include <QStandardItemModel>
#include <QPointer>

#include <functional>

class QAbstractItemView;
class QStandardItem;
class QStandardItemModel;
class QWidget;
class TVelmoraClient;
class TZtMapControl;

// What the zone actions need of the window around them.
struct TZoneWorkflowContext
{
    std::function<void(const QString &Text)> Log;
    // A timed notice by message key.
    std::function<void(const QString &Key, int Seconds)> ShowMsg;
    // A message box: caption and text already translated; flags as the
    // system's (0x24 a yes/no question, 0x30 a warning); the button's code
    // back (6 yes, 7 no, 1 OK).
    std::function<int(const QString &Caption, const QString &Text, int Flags)> MsgBox;
    // A timed notice of a message key with arguments.
    std::function<void(const QString &Key, const QVariantList &Args, int Seconds)> ShowMsgFmt;
    std::function<bool()> SignedIn;
    // Where the editor's commands go, so that they pass the window's command
    // handling (its log) like the map's; ZoneCommand directly when unset.
    std::function<int(QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args)> Command;
    // The window the editor is placed against and owned by.
    QWidget *Parent = nullptr;
};

// The zone list with its check boxes, the one zone editor, and the zone part
// of the map commands: loading, showing, appending, editing, deleting and
// saving zones of the client's list, and which of them the map shows. The
// list widget and the map are the caller's; the zones are the client's.
class TZoneWorkflow : public QObject
{
    Q_OBJECT
public:
    // View shows Model, one checkable row per zone.
    TZoneWorkflow(TVelmoraClient *Client, TZtMapControl *Map, QAbstractItemView *View, QStandardItemModel *Model,
                  TZoneWorkflowContext Ctx, QObject *Parent = nullptr);
    ~TZoneWorkflow() override;

    // Refills the list from the service; an open editor is closed first
    // (asking about unsaved changes), as its zone is about to be freed.
    // The number of zones, or -1.
    int LoadZones();
    // Closes the open editor before its zone is freed: with unsaved changes
    // and Ask, the user may save them first. False when the user chose to
    // keep the editor open (only with Ask).
    bool CloseEditor(bool Ask);

    void ShowZone(bool Edit);
    void AppendZone();
    void EditZone();
    void DeleteZone();
    // Asks for a period (the dialog's top-right corner at Button's
    // bottom-right), requests the selected zone's history and shows it.
    void ShowZoneHistory(QWidget *Button);
    // Selects the row of the clicked zone and shows it in view mode.
    void OnZoneClick(TZoneInfo *Zone);
    // The zone commands of the map layer and of the editor; -1 unless a save succeeded.
    int ZoneCommand(QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args);

    void ZoomToZone(TZoneInfo *Zone);
    void ZoomToVisibleZones();

    // The client and the map may come after the workflow (the window makes
    // them at sign-in); nothing is done without a client.
    void SetClient(TVelmoraClient *Client) { fClient = Client; }
    void SetMap(TZtMapControl *Map) { fMap = Map; }

    TZoneEditForm *Editor() const { return fEditor; }
    TZoneInfo *SelectedZone() const;
    QStandardItem *RowOf(const TZoneInfo *Zone) const;
    static TZoneInfo *ZoneOf(const QStandardItem *Row);
    QStandardItem *CurrentRow() const;
    void SelectRow(QStandardItem *Row);

    // The ticked zones are kept by uid in the settings file ([Zones] Visible).
    static QString VisibleKey();

private:
    void ZoneListChecking(QStandardItem *Row);
    void AddRow(TZoneInfo *Zone, bool Ticked);
    void SaveTicks();
    void RemoveZone(TZoneInfo *Zone);
    void Msg(const QString &Key);
    QString Tr(const QString &Key) const;

    TVelmoraClient *fClient;
    TZtMapControl *fMap;
    // The panel's; they may go first at shutdown.
    QPointer<QAbstractItemView> fView;
    QPointer<QStandardItemModel> fList;
    TZoneWorkflowContext fCtx;
    QPointer<TZoneEditForm> fEditor;
    bool fFilling = false;
};
