#include "TripInfoForm.h"
#include "OSM.ObjectInfo.h"

#include "FormTranslate.h"
#include "OSM.TripInfo.h"
#include "ZtDates.h"
#include "ZtUtils.h"
#include "client.h"
#include "translate.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {
// Item data: the object's uid on both kinds of row, the trip's uid on trip rows.
constexpr int ObjUidRole = Qt::UserRole + 1;
constexpr int TripUidRole = Qt::UserRole + 2;

const QString DtFmt = QStringLiteral("dd.mm.yyyy hh:nn:ss");

QString keyText(const QString &key)
{
    return Translation.HasString(key) ? Translation.GetString(key) : key;
}
} // namespace

TTripInfoForm::TTripInfoForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TripInfoForm"));
    setWindowTitle(QStringLiteral("Trip Info"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(600, 400);

    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    TripList = new QTreeWidget(Splitter);
    TripList->setObjectName(QStringLiteral("TripList"));
    TripList->setHeaderLabels({QStringLiteral("Trip by objects"), QStringLiteral("Status"), QStringLiteral("Start"),
                               QStringLiteral("Dur")});
    TripList->setSelectionMode(QAbstractItemView::SingleSelection);
    TripList->setExpandsOnDoubleClick(false);
    TripInfo = new QTreeWidget(Splitter);
    TripInfo->setObjectName(QStringLiteral("TripInfo"));
    TripInfo->setHeaderLabels({QStringLiteral("Key"), QStringLiteral("Val")});
    TripInfo->setRootIsDecorated(false);
    TripInfo->setUniformRowHeights(false);
    TripInfo->setStyleSheet(QStringLiteral("QTreeWidget#TripInfo { background: #FFFBF0; }"));
    Splitter->setStretchFactor(0, 3);
    Splitter->setStretchFactor(1, 2);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 4);
    lay->addWidget(Splitter);

    connect(TripList, &QTreeWidget::currentItemChanged, this, &TTripInfoForm::TripListChange);
    connect(TripList, &QTreeWidget::itemDoubleClicked, this, &TTripInfoForm::TripListDblClick);
    for (const QKeySequence &k : {QKeySequence(QKeySequence::Copy), QKeySequence(Qt::CTRL | Qt::Key_Insert)}) {
        auto *s = new QShortcut(k, TripInfo);
        s->setContext(Qt::WidgetShortcut);
        connect(s, &QShortcut::activated, this, &TTripInfoForm::CopyValue);
    }
    TranslateForm(this);
}

void TTripInfoForm::ShowTrips(TVelmoraClient *aClient, TCmdCallback aCmdCallBack)
{
    fClient = aClient;
    fCmdCallback = std::move(aCmdCallBack);
    TripList->clear();
    std::map<int32_t, QTreeWidgetItem *> rows;
    if (fClient)
        for (const auto &t : fClient->TripList()) {
            QTreeWidgetItem *&objRow = rows[t->obj_id];
            if (!objRow) {
                objRow = new QTreeWidgetItem(TripList);
                const TObjectInfo *o = fClient->FindObject(t->obj_id);
                objRow->setText(0, o ? o->name : QStringLiteral("[no data]"));
                objRow->setData(0, ObjUidRole, t->obj_id);
            }
            auto *row = new QTreeWidgetItem(objRow);
            row->setText(0, t->name);
            row->setText(1, t->StatusText());
            row->setText(2, FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn"), t->start_dt));
            row->setText(3, DurationText(*t));
            row->setData(0, ObjUidRole, t->obj_id);
            row->setData(0, TripUidRole, t->uid);
        }
    TripList->expandAll();
    for (int c = 0; c < 4; ++c)
        TripList->resizeColumnToContents(c);
    if (TripList->topLevelItemCount() > 0)
        TripList->setCurrentItem(TripList->topLevelItem(0));
    resize(std::max(width(), 760), std::max(height(), 440));
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    show();
}

TTripInfo *TTripInfoForm::TripOfItem(const QTreeWidgetItem *Item) const
{
    if (!Item || !fClient || !Item->data(0, TripUidRole).isValid())
        return nullptr;
    const int uid = Item->data(0, TripUidRole).toInt();
    for (const auto &t : fClient->TripList())
        if (t->uid == uid)
            return t.get();
    return nullptr;
}

TObjectInfo *TTripInfoForm::ObjectOfItem(const QTreeWidgetItem *Item) const
{
    if (!Item || !fClient)
        return nullptr;
    return fClient->FindObject(Item->data(0, ObjUidRole).toInt());
}

TObjectInfo *TTripInfoForm::SelObject() const
{
    const QTreeWidgetItem *it = TripList->currentItem();
    return it && !it->parent() ? ObjectOfItem(it) : nullptr;
}

TTripInfo *TTripInfoForm::SelTrip() const { return TripOfItem(TripList->currentItem()); }

QString TTripInfoForm::DurationText(const TTripInfo &Trip)
{
    if (!Trip.HasPeriod())
        return QString();
    const auto seconds = qint64(std::floor((Trip.stop_dt - Trip.start_dt) * 86400.0 + 1e-6));
    return DurationToStr(seconds, 1);
}

std::vector<TTripInfoForm::TDetail> TTripInfoForm::ObjectDetails(const TObjectInfo &Obj)
{
    std::vector<TDetail> d;
    const TTrackPointInfo *p = Obj.last_point.get();
    const auto dt = [](double v) { return std::isnan(v) || v == 0 ? QString() : FormatDateTimeNaN(DtFmt, v); };
    if (UserLevel > 8)
        d.push_back({QStringLiteral("uid"), QString::number(Obj.uid)});
    d.push_back({QStringLiteral("id"), Obj.id});
    d.push_back({QStringLiteral("name"), Obj.name});
    if (Obj.is_deleted)
        d.push_back({QStringLiteral("deleted"), dt(Obj.del_dt)});
    d.push_back({QStringLiteral("type"), Obj.hw_type});
    d.push_back({QStringLiteral("model"), Obj.model});
    if (UserLevel > 8)
        d.push_back({QStringLiteral("hw_info"), Obj.hw_info});
    d.push_back({QStringLiteral("version"), Obj.sw_ver});
    if (p) {
        d.push_back({QStringLiteral("battery"), p->bat >= 0 ? QString::number(p->bat) + u'%' : QString()});
        d.push_back({QStringLiteral("sys_time"), dt(p->sys_dt)});
        d.push_back({QStringLiteral("obj_time"), dt(p->obj_dt)});
        if (!std::isnan(p->gps_dt) && p->gps_dt > 0)
            d.push_back({QStringLiteral("gps_time"), dt(p->gps_dt)});
        if (p->HasLatLon())
            d.push_back({QStringLiteral("lat_lon"), FloatToStrN(p->lat, 6) + u',' + FloatToStrN(p->lon, 6)});
    }
    if (!Obj.address.isEmpty())
        d.push_back({QStringLiteral("address"), Obj.address, true});
    return d;
}

std::vector<TTripInfoForm::TDetail> TTripInfoForm::TripDetails(const TTripInfo &Trip)
{
    std::vector<TDetail> d;
    if (UserLevel > 8)
        d.push_back({QStringLiteral("uid"), QString::number(Trip.uid)});
    d.push_back({QStringLiteral("name"), Trip.name});
    d.push_back({QStringLiteral("status"), Trip.StatusText()});
    d.push_back({QStringLiteral("start_time"), FormatDateTimeNaN(DtFmt, Trip.start_dt)});
    d.push_back({QStringLiteral("stop_time"), std::isnan(Trip.stop_dt) ? QString() : FormatDateTimeNaN(DtFmt, Trip.stop_dt)});
    d.push_back({QStringLiteral("points_count"), QString::number(Trip.points_count)});
    if (Trip.HasDistance())
        d.push_back({QStringLiteral("distance"), Trip.distance < 1000
                                                     ? QString::number(qint64(Trip.distance)) + QStringLiteral(" m")
                                                     : FloatToStrN(Trip.distance / 1000.0, 2) + QStringLiteral(" km")});
    if (!std::isnan(Trip.max_speed))
        d.push_back({QStringLiteral("max_speed"), FloatToStrN(Trip.max_speed, 2)});
    if (Trip.is_public)
        d.push_back({QStringLiteral("token"), Trip.token});
    return d;
}

QStringList TTripInfoForm::TrackCommandArgs(const TTripInfo &Trip)
{
    // The trip's own times, unshifted: the main window reads them back as they are.
    return {QStringLiteral("name=") + Trip.name, QStringLiteral("obj_id=") + QString::number(Trip.obj_id),
            QStringLiteral("dt1=") + DateTimeToIso(Trip.start_dt, 0), QStringLiteral("dt2=") + DateTimeToIso(Trip.stop_dt, 0),
            QStringLiteral("mode=1")};
}

void TTripInfoForm::TripListChange()
{
    SbShowTrack = nullptr;
    const QTreeWidgetItem *it = TripList->currentItem();
    if (const TTripInfo *t = TripOfItem(it))
        FillDetails(TripDetails(*t), t->HasPeriod() && t->HasDistance());
    else if (const TObjectInfo *o = it && !it->parent() ? ObjectOfItem(it) : nullptr)
        FillDetails(ObjectDetails(*o), false);
    else
        TripInfo->clear();
}

void TTripInfoForm::FillDetails(const std::vector<TDetail> &Details, bool WithTrackButton)
{
    TripInfo->clear();
    for (const TDetail &d : Details) {
        auto *row = new QTreeWidgetItem(TripInfo);
        row->setText(0, keyText(d.Key));
        row->setText(1, d.Val);
        row->setData(0, Qt::UserRole, d.Key);
        row->setData(1, Qt::UserRole, d.Val);
        const int lines = d.MultiLine ? int(d.Val.size() / 20) + 1 : 1;
        row->setSizeHint(0, QSize(0, RowHeight * lines));
        if (d.Key == u"distance" && WithTrackButton) {
            auto *cell = new QWidget;
            auto *h = new QHBoxLayout(cell);
            h->setContentsMargins(0, 0, 0, 0);
            h->setSpacing(0);
            h->addWidget(new QLabel(d.Val, cell), 1);
            SbShowTrack = new QToolButton(cell);
            SbShowTrack->setObjectName(QStringLiteral("SbShowTrack"));
            SbShowTrack->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
            SbShowTrack->setFixedSize(24, RowHeight);
            SbShowTrack->setToolTip(QStringLiteral("Show track"));
            h->addWidget(SbShowTrack);
            connect(SbShowTrack, &QToolButton::clicked, this, &TTripInfoForm::ShowTrack);
            row->setText(1, QString());
            TripInfo->setItemWidget(row, 1, cell);
        }
    }
    TripInfo->resizeColumnToContents(0);
}

bool TTripInfoForm::ShowTrack()
{
    const TTripInfo *t = SelTrip();
    if (!fCmdCallback || !t || !t->HasPeriod() || !t->HasDistance())
        return false;
    fCmdCallback(this, QStringLiteral("show"), QStringLiteral("track"), TrackCommandArgs(*t));
    return true;
}

void TTripInfoForm::TripListDblClick() { ShowTrack(); }

void TTripInfoForm::CopyValue()
{
    if (const QTreeWidgetItem *it = TripInfo->currentItem())
        QApplication::clipboard()->setText(it->data(1, Qt::UserRole).toString());
}
