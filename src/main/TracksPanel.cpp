#include "TracksPanel.h"

#include "PanelContext.h"
#include "PanelWidgets.h"

#include <QAction>
#include <QGroupBox>
#include <QLayout>
#include <QMenu>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

using namespace PanelWidgets;

TTracksPanel::TTracksPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner) : QObject(Owner), fCtx(Ctx)
{
    Group = MakeGroup(QStringLiteral("GbTracks"), QStringLiteral("Tracks"), Parent);
    ToolBar = MakeToolBar(QStringLiteral("TrackToolBar"), Group);
    AddToolButton(ToolBar, QStringLiteral("SbTrackInfo"), QStringLiteral("Track info"), [this] { SbTrackInfoClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbExplainTrack"), QStringLiteral("Explain track"), [this] { SbExplainTrackClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbDumpTrack"), QStringLiteral("Dump track"), [this] { SbDumpTrackClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbDeleteTrack"), QStringLiteral("Delete track"), [this] { SbDeleteTrackClick(); });
    AddToolButton(ToolBar, QStringLiteral("SbTrackMenu"), QStringLiteral("Menu"), [this] { SbTrackMenuClick(); });
    Group->layout()->addWidget(ToolBar);

    List = MakeList(QStringLiteral("TrackList"), Group);
    List->setHeaderHidden(true);
    fModel = new QStandardItemModel(0, 1, this);
    List->setModel(fModel);
    connect(List, &QTreeView::doubleClicked, this, &TTracksPanel::TrackListDblClick);
    Group->layout()->addWidget(List);

    PopupMenu = new QMenu(List);
    PopupMenu->setObjectName(QStringLiteral("TrackPopupMenu"));
    const struct
    {
        const char *name, *text;
        bool visible;
        void (TTracksPanel::*slot)();
    } items[] = {
        {"PopupImportTrack", "Import Track", true, &TTracksPanel::PopupImportTrackClick},
        {"PopupExportTrack", "Export Track", true, &TTracksPanel::PopupExportTrackClick},
        {"PopupFilterTrack", "Filter Track", true, &TTracksPanel::PopupFilterTrackClick},
        {"PopupDumpTrack", "Dump Track", false, &TTracksPanel::PopupDumpTrackClick},
    };
    for (const auto &it : items) {
        QAction *a = PopupMenu->addAction(QString::fromLatin1(it.text));
        a->setObjectName(QString::fromLatin1(it.name));
        a->setVisible(it.visible);
        connect(a, &QAction::triggered, this, it.slot);
    }
}

void TTracksPanel::Clear() { fModel->removeRows(0, fModel->rowCount()); }

void TTracksPanel::SbTrackMenuClick()
{
    auto *b = ToolBar->findChild<QToolButton *>(QStringLiteral("SbTrackMenu"));
    PopupMenu->popup(b ? b->mapToGlobal(QPoint(0, b->height())) : QCursor::pos());
}

// The track windows and the track request come with their own issue.
void TTracksPanel::SbRequestTrackClick() { fCtx.NotImplemented(QStringLiteral("SbRequestTrack")); }
void TTracksPanel::SbLastMessagesClick() { fCtx.NotImplemented(QStringLiteral("SbLastMessages")); }
void TTracksPanel::SbTrackInfoClick() { fCtx.NotImplemented(QStringLiteral("SbTrackInfo")); }
void TTracksPanel::SbExplainTrackClick() { fCtx.NotImplemented(QStringLiteral("SbExplainTrack")); }
void TTracksPanel::SbDumpTrackClick() { fCtx.NotImplemented(QStringLiteral("SbDumpTrack")); }
void TTracksPanel::SbDeleteTrackClick() { fCtx.NotImplemented(QStringLiteral("SbDeleteTrack")); }
void TTracksPanel::PopupImportTrackClick() { fCtx.NotImplemented(QStringLiteral("PopupImportTrack")); }
void TTracksPanel::PopupExportTrackClick() { fCtx.NotImplemented(QStringLiteral("PopupExportTrack")); }
void TTracksPanel::PopupFilterTrackClick() { fCtx.NotImplemented(QStringLiteral("PopupFilterTrack")); }
void TTracksPanel::PopupDumpTrackClick() { fCtx.NotImplemented(QStringLiteral("PopupDumpTrack")); }
void TTracksPanel::TrackListDblClick() { fCtx.NotImplemented(QStringLiteral("TrackList")); }
