#pragma once

// The "Tracks" group of the main window: the requested, filtered and
// imported tracks, drawn on the map while their boxes are ticked, with the
// track toolbar and popup menu. The object toolbar's "Request track" and
// "Last messages" buttons land here too.

#include "ZtDates.h"

#include <QObject>

#include <memory>

class QGroupBox;
class QMenu;
class QToolBar;
class QTreeView;
class QWidget;
class TGeoTrack;
class TObjectInfo;
class TTrackPointInfo;
class TPanelContext;
class TTrackListModel;
class TTrackWorkflow;

class TTracksPanel : public QObject
{
    Q_OBJECT
public:
    // The group is built inside Parent (the left splitter).
    TTracksPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner);

    // Sign-out: the rows go; the tracks themselves belong to the map layer.
    void Clear();

    QGroupBox *Group = nullptr;
    QToolBar *ToolBar = nullptr;
    QTreeView *List = nullptr;
    QMenu *PopupMenu = nullptr;

    // Object toolbar.
    void SbRequestTrackClick();
    void SbLastMessagesClick();
    // Track toolbar and popup menu.
    void SbTrackInfoClick();
    void SbExplainTrackClick();
    void SbDumpTrackClick();
    void SbDeleteTrackClick();
    void SbTrackMenuClick();
    void PopupImportTrackClick();
    void PopupExportTrackClick();
    void PopupFilterTrackClick();
    void PopupDumpTrackClick();
    void TrackListDblClick();

    // Requests a track of Object (nullptr: none given) for a period; with a
    // date missing the request dialog asks. True when a track was made.
    bool RequestTrack(TObjectInfo *Object, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2);
    // The same by the object's uid; an object the list lacks is refused.
    bool RequestObjectTrack(int ObjUid, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2);
    // The quick dump of the selected object's last hours in a dump window.
    void RequestMessages();
    // The information window of a track point clicked on the map, at the
    // mouse cursor. Point is only compared with the tracks' points, never
    // read, so a click queued before its track was deleted opens nothing.
    void ShowTrackPointInfo(const TTrackPointInfo *Point);
    // Takes a track over: onto the map and into the list, selected.
    TGeoTrack *AddTrack(std::unique_ptr<TGeoTrack> Track);
    void ArrangeTrack(const TGeoTrack &Track);
    void FilterTrack();
    void ImportTrack();
    void DeleteTrack();
    TGeoTrack *SelectedTrack() const;
    TTrackListModel *Model() const { return fModel; }

private:
    TTrackWorkflow Workflow() const;
    void RepaintMap();

    TPanelContext &fCtx;
    TTrackListModel *fModel = nullptr;
};
