#include "TracksPanel.h"

#include "ExportFile.h"
#include "MonitorMap.h"
#include "OSM.AddressCache.h"
#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZtMapControl.h"
#include "PanelContext.h"
#include "PanelWidgets.h"
#include "RecordWindows.h"
#include "TrackDumpForm.h"
#include "TrackInfoForm.h"
#include "TrackListModel.h"
#include "TrackPathForm.h"
#include "TrackPointInfoForm.h"
#include "TrackRequestForm.h"
#include "TrackWorkflow.h"
#include "ZtFormPos.h"
#include "ZtUtils.h"
#include "client.h"
#include "filter_track_form.h"
#include "location_filter.h"
#include "main.h"
#include "track_parser.h"

#include <algorithm>

#include <QCursor>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QMessageBox>

#include <QAction>
#include <QGroupBox>
#include <QLayout>
#include <QMenu>
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
    fModel = new TTrackListModel(this);
    List->setModel(fModel);
    connect(fModel, &TTrackListModel::VisibilityChanged, this, [this](TGeoTrack *t, bool visible) {
        if (visible)
            ArrangeTrack(*t);
        RepaintMap();
    });
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

void TTracksPanel::Clear() { fModel->Clear(); }

void TTracksPanel::SbTrackMenuClick()
{
    auto *b = ToolBar->findChild<QToolButton *>(QStringLiteral("SbTrackMenu"));
    PopupMenu->popup(b ? b->mapToGlobal(QPoint(0, b->height())) : QCursor::pos());
}

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const QString TimeFormat = QStringLiteral("dd.mm.yyyy hh:nn:ss");
}

TTrackWorkflow TTracksPanel::Workflow() const
{
    return TTrackWorkflow(*fCtx.Client(), AddressCache, fCtx.LogCallback());
}

void TTracksPanel::RepaintMap()
{
    if (TMonitorMap *m = fCtx.Map()) {
        m->InvalidateTracks();
        m->Repaint();
    }
}

TGeoTrack *TTracksPanel::SelectedTrack() const { return fModel->Track(List->currentIndex().row()); }

bool TTracksPanel::RequestTrack(TObjectInfo *Object, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2)
{
    fCtx.Log(QStringLiteral("\rRequest track: "));
    if (!Object)
        Object = fCtx.SelectedObject();
    if (!Object || !fCtx.Client()) {
        fCtx.ShowMsg(QStringLiteral("object_not_selected"), 3);
        return false;
    }
    TTrackWorkflow::TRequest r;
    r.Dt1 = Dt1;
    r.Dt2 = Dt2;
    r.Sign = Sign;
    r.Mode = Mode;
    if (std::isnan(Dt1) || std::isnan(Dt2)) {
        TTrackRequestForm f(fCtx.DialogParent());
        f.SetNow(fCtx.AccountNow());
        if (!std::isnan(Dt1))
            f.SetDt1(Dt1);
        if (!std::isnan(Dt2))
            f.SetDt2(Dt2);
        if (!f.DoRequest(*Object)) {
            fCtx.Log(QStringLiteral("cancel"));
            return false;
        }
        r.Dt1 = f.GetDt1();
        r.Dt2 = f.GetDt2();
        r.Sign = f.TrackSign();
        r.Style = f.GetTrackStyle();
        r.Mode = f.GetRequestSensors() ? 1 : 0;
        r.tMode = f.GetRequestBySysTime() ? 1 : 0;
        r.Markup = !f.GetDoNotMarkup();
        fCtx.LogFmt(QStringLiteral("%s - %s / %d"),
                    {FormatDateTimeDef(TimeFormat, r.Dt1), FormatDateTimeDef(TimeFormat, r.Dt2), r.Style}, 3);
    }
    TTrackWorkflow::TResult res = Workflow().RequestTrack(*Object, r);
    if (res.Failed()) {
        // The service's or the network's own words, not "no data".
        fCtx.ShowMsgFmt(QStringLiteral("error"), {res.ErrorMessage}, 5);
        return false;
    }
    if (!res.Track) {
        fCtx.ShowMsg(QStringLiteral("no_data"), 3);
        return false;
    }
    TGeoTrack *t = AddTrack(std::move(res.Track));
    if (!t)
        return false;
    ArrangeTrack(*t);
    RepaintMap();
    return true;
}

bool TTracksPanel::RequestObjectTrack(int ObjUid, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2)
{
    // Never the selected object in its place: that would show another
    // object's track under this request's name.
    TObjectInfo *o = fCtx.FindObject(ObjUid);
    if (!o) {
        fCtx.Log(QStringLiteral("\rRequest track: "));
        fCtx.ShowMsg(QStringLiteral("object_not_selected"), 3);
        return false;
    }
    return RequestTrack(o, Sign, Mode, Dt1, Dt2);
}

void TTracksPanel::ShowTrackPointInfo(const TTrackPointInfo *Point)
{
    TMonitorMap *map = fCtx.Map();
    if (!map || !Point)
        return;
    for (const auto &track : map->Tracks()) {
        const auto &points = track->Points();
        const auto it = std::find_if(points.begin(), points.end(), [Point](const auto &p) { return p.get() == Point; });
        if (it == points.end())
            continue;
        auto *w = new TTrackPointInfoForm(AddressCache, fCtx.DialogParent());
        fCtx.RecordWindows().Register(w, TRecordKind::Track, track.get());
        w->ShowTrackPoint(it->get());
        PlaceFormAtCursor(w);
        return;
    }
}

void TTracksPanel::RequestMessages()
{
    fCtx.Log(QStringLiteral("\rRequest messages: "));
    TObjectInfo *o = fCtx.SelectedObject();
    if (!o || !fCtx.Client()) {
        fCtx.ShowMsg(QStringLiteral("object_not_selected"), 3);
        return;
    }
    const int hours = int(ToInt64Def(Config.GetVal(QStringLiteral("quick_dump_hours")), 1));
    TTrackWorkflow::TResult res = Workflow().RequestMessages(*o, hours, fCtx.AccountNow());
    if (res.Failed()) {
        fCtx.ShowMsgFmt(QStringLiteral("error"), {res.ErrorMessage}, 5);
        return;
    }
    if (!res.Track) {
        fCtx.ShowMsg(QStringLiteral("no_data"), 3);
        return;
    }
    auto *w = new TTrackDumpForm(fCtx.DialogParent());
    w->SetAddressCache(AddressCache);
    w->SetLogCallback(fCtx.LogCallback());
    TGeoTrack *track = res.Track.release();
    w->SetTrack(fCtx.Client(), track, true);
    // It shows the account's positions: it goes at sign-out like the others.
    fCtx.RecordWindows().Register(w, TRecordKind::Track, track);
    w->show();
}

TGeoTrack *TTracksPanel::AddTrack(std::unique_ptr<TGeoTrack> Track)
{
    // The map layer owns the tracks; without one there is nowhere to keep it.
    TMonitorMap *m = fCtx.Map();
    if (!m || !Track)
        return nullptr;
    TGeoTrack *t = Track.get();
    m->AddTrack(std::move(Track));
    const int row = fModel->AddTrack(t);
    List->setCurrentIndex(fModel->index(row));
    List->setFocus();
    return t;
}

void TTracksPanel::ArrangeTrack(const TGeoTrack &Track)
{
    const TGeoTrackInfo &i = Track.Info();
    fCtx.LogFmt(QStringLiteral("\rArrange track: width:%d, heigh:%d"), {int(i.Width), int(i.Height)}, 2);
    TMonitorMap *m = fCtx.Map();
    if (!m || !i.HasGeoRect() || !i.HasCenterPoint())
        return;
    m->ZoomToArea(i.GeoRect);
    m->SetCenter(m->Zoom(), i.CenterPoint.Lat, i.CenterPoint.Long);
}

void TTracksPanel::DeleteTrack()
{
    const int row = List->currentIndex().row();
    TGeoTrack *t = fModel->Track(row);
    if (!t) {
        fCtx.ShowMsg(QStringLiteral("track_not_selected"), 3);
        return;
    }
    // The windows showing it go first.
    fCtx.RecordWindows().RecordFreed(TRecordKind::Track, t);
    const int next = fModel->RemoveRow(row);
    List->setCurrentIndex(next >= 0 ? fModel->index(next) : QModelIndex());
    if (TMonitorMap *m = fCtx.Map()) {
        m->DeleteTrack(t);
    }
    RepaintMap();
}

void TTracksPanel::FilterTrack()
{
    TGeoTrack *src = SelectedTrack();
    if (!src) {
        fCtx.ShowMsg(QStringLiteral("track_not_selected"), 3);
        return;
    }
    fCtx.LogFmt(QStringLiteral("\rFilter track: %s"), {src->Sign()}, 1);
    TFilterForm f(fCtx.DialogParent());
    if (f.exec() != QDialog::Accepted) {
        fCtx.Log(QStringLiteral("\r  -> cancel"));
        return;
    }
    try {
        std::unique_ptr<TLocationFilter> filter = f.CreateFilter();
        if (!filter) {
            fCtx.Log(QStringLiteral("\r  -> null filter"));
            fCtx.ShowMsg(QStringLiteral("filter_not_assigned"), 3);
            return;
        }
        fCtx.Log(QStringLiteral("\r  -> ") + filter->Sign());
        AddTrack(Workflow().FilterTrack(*src, *filter, f.GetTrackStyle()));
        RepaintMap();
    } catch (const std::exception &e) {
        fCtx.LogFmt(QStringLiteral("\r  X: %s"), {QString::fromUtf8(e.what())}, 1);
    }
}

void TTracksPanel::ImportTrack()
{
    const QString fn = QFileDialog::getOpenFileName(fCtx.DialogParent(), QStringLiteral("Import Track"), ExeDir,
                                                    QStringLiteral("CSV (*.csv);;GPX (*.gpx);;ALL (*.*)"));
    if (fn.isEmpty())
        return;
    TTrackParser p(fCtx.Client() ? fCtx.Client()->TimeZone() : 0, fCtx.DialogParent());
    if (p.ParseModal(fn) != 1)
        return;
    std::unique_ptr<TGeoTrack> t = p.GetTrack();
    // OK without a track made: nothing to add.
    if (!t) {
        fCtx.ShowMsg(QStringLiteral("import_failed"), 3);
        return;
    }
    if (TGeoTrack *added = AddTrack(std::move(t)))
        ArrangeTrack(*added);
    RepaintMap();
}

void TTracksPanel::SbRequestTrackClick() { RequestTrack(nullptr, QString(), 0, NaN, NaN); }
void TTracksPanel::SbLastMessagesClick() { RequestMessages(); }

void TTracksPanel::SbTrackInfoClick()
{
    TGeoTrack *t = SelectedTrack();
    if (!t) {
        fCtx.ShowMsg(QStringLiteral("track_not_selected"), 3);
        return;
    }
    auto *w = new TTrackInfoForm(AddressCache, fCtx.DialogParent(), fCtx.DialogParent());
    fCtx.RecordWindows().Register(w, TRecordKind::Track, t);
    w->ShowTrackInfo(t);
    PlaceFormAtCursor(w);
}

void TTracksPanel::SbExplainTrackClick()
{
    TGeoTrack *t = SelectedTrack();
    if (!t) {
        fCtx.ShowMsg(QStringLiteral("track_not_selected"), 3);
        return;
    }
    TTrackPathForm w(AddressCache, fCtx.DialogParent());
    PlaceFormAtCursor(&w); // pushed inside again once its rows set its height
    w.ShowPath(*t);
}

void TTracksPanel::SbDumpTrackClick()
{
    TGeoTrack *t = SelectedTrack();
    if (!t) {
        fCtx.ShowMsg(QStringLiteral("track_not_selected"), 3);
        return;
    }
    auto *w = new TTrackDumpForm(fCtx.DialogParent());
    w->SetAddressCache(AddressCache);
    w->SetLogCallback(fCtx.LogCallback());
    w->SetTrack(fCtx.Client(), t, false);
    fCtx.RecordWindows().Register(w, TRecordKind::Track, t);
    w->show();
}

void TTracksPanel::SbDeleteTrackClick() { DeleteTrack(); }
void TTracksPanel::PopupImportTrackClick() { ImportTrack(); }
void TTracksPanel::PopupFilterTrackClick() { FilterTrack(); }
void TTracksPanel::PopupDumpTrackClick() { SbDumpTrackClick(); }

void TTracksPanel::PopupExportTrackClick()
{
    TGeoTrack *t = SelectedTrack();
    if (!t) {
        fCtx.ShowMsg(QStringLiteral("track_not_selected"), 3);
        return;
    }
    int filter = 0;
    QString fn = ExportFile::Ask(fCtx.DialogParent(), QStringLiteral("Export Track"), ExeDir, t->Sign(),
                                      {QStringLiteral("CSV (*.csv)"), QStringLiteral("GPX (*.gpx)")}, filter);
    if (fn.isEmpty())
        return;
    try {
        if (t->ExportTrack(fn, filter, fCtx.Client() ? fCtx.Client()->TimeZone() : 0) > 0)
            ExportFile::OpenFile(fn);
    } catch (const std::exception &e) {
        fCtx.ShowMsgFmt(QStringLiteral("error"), {QString::fromUtf8(e.what())}, 5);
    }
}

void TTracksPanel::TrackListDblClick()
{
    TGeoTrack *t = SelectedTrack();
    if (t && t->Visible()) {
        ArrangeTrack(*t);
        RepaintMap();
    }
}
