#include "EventListModel.h"

#include "client.h"
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "common.h"
#include "ZtUtils.h"

#include <algorithm>
#include <cmath>

namespace {
const QString DtFmt = QStringLiteral("dd.mm.yyyy hh:nn:ss");

QString dt(double v) { return FormatDateTimeNaN(DtFmt, v); }

QString coord(double lat, double lon) { return FloatToStrN(lat, 6) + u',' + FloatToStrN(lon, 6); }

// Undefined times sort before all defined ones and equal to each other.
int cmpDt(double a, double b)
{
    const bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    return a < b ? -1 : (a > b ? 1 : 0);
}

// What "Happened" shows: the device's time, or the service's without it.
double happened(const TEventInfo *ev) { return std::isnan(ev->h_obj_dt) ? ev->h_sys_dt : ev->h_obj_dt; }

template <typename T> int cmpNum(T a, T b) { return a < b ? -1 : (a > b ? 1 : 0); }
} // namespace

TEventListModel::TEventListModel(TVelmoraClient *Client, QObject *parent) : QAbstractTableModel(parent), fClient(Client) {}

void TEventListModel::Clear()
{
    beginResetModel();
    fRows.clear();
    endResetModel();
}

void TEventListModel::SetEvents(const std::vector<TEventInfo *> &Events)
{
    beginResetModel();
    fRows = Events;
    std::stable_sort(fRows.begin(), fRows.end(), [this](const TEventInfo *a, const TEventInfo *b) {
        const int c = CompareEvents(a, b, fSortColumn);
        return fSortOrder == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    endResetModel();
}

QModelIndex TEventListModel::NewestIndex() const
{
    int best = -1;
    for (int i = 0; i < Count(); ++i) {
        if (best < 0) {
            best = i;
            continue;
        }
        const TEventInfo *a = fRows[size_t(i)], *b = fRows[size_t(best)];
        const int c = CompareEvents(a, b, 1);
        if (c > 0 || (c == 0 && a->uid > b->uid))
            best = i;
    }
    return best < 0 ? QModelIndex() : index(best, 0);
}

TEventInfo *TEventListModel::Event(const QModelIndex &Index) const
{
    if (!Index.isValid() || Index.row() >= Count())
        return nullptr;
    return fRows[static_cast<size_t>(Index.row())];
}

QString TEventListModel::CellText(const TEventInfo *ev, int Column) const
{
    if (!ev)
        return QString();
    TTrapInfo *trap = fClient ? fClient->FindTrap(ev->trap_id) : nullptr;
    switch (Column) {
    case 0: {
        TObjectInfo *obj = fClient ? fClient->FindObject(ev->obj_id) : nullptr;
        if (!obj)
            return QString();
        if (UserLevel >= 9)
            return u'#' + QString::number(obj->uid) + u'\n' + obj->name;
        return obj->name;
    }
    case 1: {
        QString s = dt(happened(ev));
        if (!std::isnan(ev->h_lat) && !std::isnan(ev->h_lon))
            s += u'\n' + coord(ev->h_lat, ev->h_lon);
        return s;
    }
    case 2:
        if (std::isnan(ev->c_obj_dt))
            return QStringLiteral("-");
        return dt(ev->c_obj_dt) + u'\n' + coord(ev->c_lat, ev->c_lon);
    case 3:
        if (!trap)
            return QString();
        return trap->TargetType() + (trap->TargetName().isEmpty() ? QString() : u':' + trap->TargetName()) + u'\n' +
               trap->Condition();
    case 4:
        if (!trap)
            return QString();
        if (trap->target_type_id == 4)
            return QString::number(ev->h_bat) + u'\n' + QString::number(ev->c_bat);
        if (trap->target_type_id == 5)
            return FloatToStrN(ev->h_speed, 2) + u'\n' + FloatToStrN(ev->c_speed, 2);
        return ev->h_sval + u'\n' + ev->c_sval;
    case 5:
        if (std::isnan(ev->accept_dt))
            return QStringLiteral("-");
        return dt(ev->accept_dt) + u'\n' + ev->accept_msg;
    default:
        return QString();
    }
}

int TEventListModel::ImageIndex(const TEventInfo *Ev) const
{
    const TTrapInfo *trap = Ev && fClient ? fClient->FindTrap(Ev->trap_id) : nullptr;
    if (!trap || (!fAlarmList && !trap->is_alarm))
        return 0;
    return std::isnan(Ev->accept_dt) ? 3 : 2;
}

int TEventListModel::CompareEvents(const TEventInfo *A, const TEventInfo *B, int Column)
{
    if (!A || !B)
        return 0;
    switch (Column) {
    case 0:
        return cmpNum(A->obj_id, B->obj_id);
    case 1:
        // By the time the column shows: one time per row, so that rows with
        // and without a device time still sort in one consistent order.
        return cmpDt(happened(A), happened(B));
    case 2:
        return cmpDt(A->c_obj_dt, B->c_obj_dt);
    case 5:
        return cmpDt(A->accept_dt, B->accept_dt);
    default:
        return cmpNum(A->uid, B->uid);
    }
}

int TEventListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : Count(); }

int TEventListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 6; }

QVariant TEventListModel::data(const QModelIndex &index, int role) const
{
    const TEventInfo *ev = Event(index);
    if (!ev)
        return QVariant();
    if (role == Qt::DisplayRole)
        return CellText(ev, index.column());
    if (role == Qt::DecorationRole && index.column() == 0) {
        const int i = ImageIndex(ev);
        return i < fImages.size() ? QVariant(fImages.at(i)) : QVariant();
    }
    return QVariant();
}

QVariant TEventListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[] = {"Object", "Happened", "Completion", "Condition", "Value", "Accepted"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 6)
        return QString::fromLatin1(titles[section]);
    return QVariant();
}

void TEventListModel::sort(int column, Qt::SortOrder order)
{
    fSortColumn = column;
    fSortOrder = order;
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<const TEventInfo *> held;
    for (const QModelIndex &i : before)
        held.push_back(Event(i));
    std::stable_sort(fRows.begin(), fRows.end(), [&](const TEventInfo *a, const TEventInfo *b) {
        const int c = CompareEvents(a, b, column);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    // Selections follow their events to the new rows.
    QModelIndexList after;
    for (size_t k = 0; k < held.size(); ++k) {
        const auto it = std::find(fRows.begin(), fRows.end(), held[k]);
        after.append(it == fRows.end() ? QModelIndex()
                                       : index(static_cast<int>(it - fRows.begin()), before[static_cast<int>(k)].column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}
