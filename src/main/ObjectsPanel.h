#pragma once

// The "Objects" group of the main window: the account's objects with their
// status pictures, the markers of the ticked ones, the object toolbar and
// popup menu, the first load and the minute update. The toolbar's buttons of
// other areas (devices, tracks, trips) are wired in by the main window with
// SetAction; until then they say "not implemented". A search field over the
// list hides the rows that do not match (Ctrl+F goes to it); rows are hidden
// in the view, not removed, so the model's indexes stay the rows' indexes.

#include "ZtDates.h"

#include <QHash>
#include <QSet>
#include <QModelIndex>
#include <QObject>

#include <functional>

class QColor;
class QGroupBox;
class QLineEdit;
class QMenu;
class QToolBar;
class QTreeView;
class QWidget;
class TObjectInfo;
class TObjListDelegate;
class TObjListModel;
class TPanelContext;

class TObjectsPanel : public QObject
{
    Q_OBJECT
public:
    // The group is built inside Parent (the left splitter).
    TObjectsPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner);

    // Asks the service for the objects and lists them, selecting SelUid, or
    // (SelUid < 1) the uid remembered in [Main] SelectedUid, or the first
    // row. The count, or -1 when the service refused the request (4xx).
    // Without an answer, or with a failing service (5xx), the rows and
    // markers stay as they were and their count is returned.
    int LoadObjects(int SelUid);
    // The periodic update: merges the changed objects into their rows and
    // moves their markers. Reports its outcome through the signals below.
    // After a load that got no list it loads instead.
    void UpdateObjects();
    // The last load got no list: the next update loads.
    bool LoadPending() const { return fLoadPending; }
    // Rows and markers go (before the client frees the objects).
    void Clear();
    // The list lets go of its model: the window is closing.
    void Detach();

    TObjectInfo *SelectedObject() const;
    QModelIndex SelectedObjectRow() const;
    // The last successful object request, in the account's time (NaN: none).
    TDateTime LastUpdate() const { return fLastUpdate; }
    // True while a load pulls the zones, traps and events after it; a later
    // reload of the zones or traps alone does not.
    bool LoadingAll() const { return fLoadingAll; }

    // What a button or popup item of another area does (by object name).
    void SetAction(const QString &Name, std::function<void()> Action);
    // The width the group needs to show its toolbar whole, and each row's
    // name and report time whole beside the check box and status picture
    // (with no rows: a report time).
    int WidthHint() const;
    // The style's colours of the rows.
    void SetColors(const QColor &Win, const QColor &Txt, const QColor &TxtSel);

    QGroupBox *Group = nullptr;
    QToolBar *ToolBar = nullptr;
    QLineEdit *Search = nullptr;
    QTreeView *List = nullptr;
    QMenu *PopupMenu = nullptr;
    TObjListModel *Model() const { return fModel; }

    // Whether an object answers a search text: a part of its name, id or
    // IMEI (any case), the digits of its phone number, or its uid.
    static bool Matches(const TObjectInfo &Obj, const QString &Text);
    // Shows the rows that answer the search field, hides the others.
    void ApplyFilter();

    // Handlers of the list, the toolbar and the popup menu.
    void ObjListChecking(const QModelIndex &Index, bool Checked);
    void ObjListChange();
    void ObjListDblClick();
    void SbObjectMenuClick();
    void SbObjectInfoClick();
    void SbEditObjectClick();
    void CreatePlaceByClick();
    void CreateObjectClick();
    void DeleteObjectClick();
    // A click on an object's marker selects its row.
    void SelectObjectCell(TObjectInfo *const *Cell);
    // The object's information window at the mouse cursor, not modal; it
    // closes when the object is freed.
    void ShowObjectInfo(TObjectInfo *Obj);

    // "Tick all" / "Untick all" of the popup menu: every object row (the
    // search's hidden ones too) with its marker.
    void TickAll(bool Ticked);
    // The ticked objects by uid: kept across reloads and, in the settings
    // file ([Objects] Ticked), between runs.
    const QSet<int> &TickedUids() const { return fTicked; }

    // Brings the markers to their objects' last points after an update whose
    // previous time stamp was Prev.
    void MoveMarkers(TDateTime Prev);

Q_SIGNALS:
    // A load listed Count objects and found rows: the zones, traps and
    // events follow (the sign-in chain).
    void ObjectsLoaded(int Count);
    // A load ended without a refusal: the periodic update may run.
    void Listed(int Count);
    // The service refused the token: on a load (the rows are gone already),
    // or on an update (the rows are still there).
    void LoadRefused();
    void UpdateRefused();
    // A load or an update got no answer, a broken one, or a failure of the
    // service (5xx): the rows stay as they were.
    void NotAnswering();
    // The update succeeded; Changed objects were merged into their rows.
    void Updated(int Changed);
    // The selected row changed.
    void SelectionChanged();
    // The map was moved to an object: it no longer keeps its home point.
    void MapCentred();
    // "Create Place" was confirmed: the next right click on the map places it.
    void PlaceClickArmed();

private:
    void RunAction(const QString &Name);
    // The first row the filter shows, or none.
    QModelIndex FirstShownRow() const;
    bool RequireSelection();
    // Adds or removes the object's marker; Centre: the map goes to it.
    void ShowMark(const QModelIndex &Index, bool Ticked, bool Centre);
    // A tick changed (by the user or by TickAll): noted and saved.
    void NoteTick(const QModelIndex &Index, bool Ticked);
    // Every object row, children included.
    QModelIndexList ObjectRows() const;
    // The objects the rows hold (the "Deleted" group row not counted).
    int ListedCount() const;

    TPanelContext &fCtx;
    TObjListModel *fModel = nullptr;
    TObjListDelegate *fDelegate = nullptr;
    QHash<QString, std::function<void()>> fActions;
    TDateTime fLastUpdate = NoDateTime;
    bool fLoadingAll = false;
    bool fLoadPending = false;
    // Some rows may be hidden by the search.
    bool fFiltered = false;
    QSet<int> fTicked;
};
