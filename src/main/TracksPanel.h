#pragma once

// The "Tracks" group of the main window: the requested, filtered and
// imported tracks, drawn on the map while their boxes are ticked, with the
// track toolbar and popup menu. The object toolbar's "Request track" and
// "Last messages" buttons land here too.

#include <QObject>

class QGroupBox;
class QMenu;
class QStandardItemModel;
class QToolBar;
class QTreeView;
class QWidget;
class TPanelContext;

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

private:
    TPanelContext &fCtx;
    QStandardItemModel *fModel = nullptr;
};
