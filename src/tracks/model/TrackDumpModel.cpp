#include "TrackDumpModel.h"

#include "OSM.GeoTrack.h"
#include "ZtDates.h"
#include "ZtUtils.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {
const QString TimeFormat = QStringLiteral("dd.mm.yyyy hh:nn:ss");

QString Time(double v) { return FormatDateTimeNaN(TimeFormat, v); }

// The sort key of a column; NaN sorts before every number.
double Key(const TTrackPointInfo &p, int c)
{
    switch (c) {
    case TTrackDumpModel::cUid: return p.uid;
    case TTrackDumpModel::cSysTime: return p.sys_dt;
    case TTrackDumpModel::cObjTime: return p.obj_dt;
    case TTrackDumpModel::cGpsTime: return std::isnan(p.gps_dt) ? p.src - 1e9 : p.gps_dt;
    case TTrackDumpModel::cLat: return p.lat;
    case TTrackDumpModel::cLon: return p.lon;
    case TTrackDumpModel::cAlt: return p.alt;
    case TTrackDumpModel::cAcc: return p.acc;
    case TTrackDumpModel::cSpeed: return p.speed;
    default: return 0;
    }
}
} // namespace

TTrackDumpModel::TTrackDumpModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

const QStringList &TTrackDumpModel::Headers()
{
    static const QStringList h{QStringLiteral("uid"),   QStringLiteral("sys_time"), QStringLiteral("obj_time"), QStringLiteral("gps_time"),
                               QStringLiteral("lat"),   QStringLiteral("lon"),      QStringLiteral("alt"),      QStringLiteral("acc"),
                               QStringLiteral("speed"), QStringLiteral("bearing"),  QStringLiteral("bat"),      QStringLiteral("P"),
                               QStringLiteral("sensors"), QStringLiteral("zones")};
    return h;
}

void TTrackDumpModel::SetTrack(const TGeoTrack *aTrack)
{
    beginResetModel();
    fTrack = aTrack;
    fOrder.resize(aTrack ? aTrack->Points().size() : 0);
    std::iota(fOrder.begin(), fOrder.end(), 0);
    fSortColumn = -1;
    endResetModel();
}

const TTrackPointInfo *TTrackDumpModel::Point(int Row) const
{
    if (!fTrack || Row < 0 || Row >= int(fOrder.size()))
        return nullptr;
    return fTrack->Points()[size_t(fOrder[size_t(Row)])].get();
}

QString TTrackDumpModel::CellText(const TTrackPointInfo &p, int Column)
{
    switch (Column) {
    case cUid: return QString::number(p.uid);
    case cSysTime: return Time(p.sys_dt);
    case cObjTime: return Time(p.obj_dt);
    case cGpsTime: return std::isnan(p.gps_dt) ? p.SrcName() : Time(p.gps_dt);
    case cLat: return FloatToStrN(p.lat, 6);
    case cLon: return FloatToStrN(p.lon, 6);
    case cAlt: return FloatToStrN(p.alt, 0);
    case cAcc: return FloatToStrN(p.acc, 0);
    case cSpeed: return FloatToStrN(p.speed, 0);
    case cBearing: return FloatToStrN(p.angle, 2);
    case cBat: return QString::number(p.bat);
    case cParking:
        if (!p.IsParking)
            return QString();
        if (p.ParkingDuration < 3601)
            return FloatToStrN(p.ParkingDuration / 60.0, 1) + u'm';
        return FloatToStrN(p.ParkingDuration / 3600.0, 1) + u'h';
    case cSensors: {
        QStringList s;
        for (const auto &x : p.sensors)
            s << x->sign + u'=' + x->val;
        return s.join(u',');
    }
    case cZones: {
        QStringList s;
        for (const auto &z : p.zones)
            s << z->name;
        return s.join(u',');
    }
    default: return QStringLiteral("x");
    }
}

bool TTrackDumpModel::SortBy(int Column, Qt::SortOrder Order)
{
    if (!fTrack || Column < cUid || Column > cSpeed)
        return false;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    // Selections and the current cell follow their points.
    const std::vector<int> oldOrder = before.isEmpty() ? std::vector<int>() : fOrder;
    // The keys once, in point order, so the sort compares doubles only.
    const auto &pts = fTrack->Points();
    std::vector<double> keys(pts.size());
    for (size_t i = 0; i < pts.size(); ++i)
        keys[i] = Key(*pts[i], Column);
    auto less = [&keys](int a, int b) {
        const double x = keys[size_t(a)], y = keys[size_t(b)];
        if (std::isnan(x))
            return !std::isnan(y);
        if (std::isnan(y))
            return false;
        return x < y;
    };
    std::iota(fOrder.begin(), fOrder.end(), 0);
    if (Order == Qt::AscendingOrder)
        std::stable_sort(fOrder.begin(), fOrder.end(), less);
    else
        std::stable_sort(fOrder.begin(), fOrder.end(), [&less](int a, int b) { return less(b, a); });
    fSortColumn = Column;
    fSortOrder = Order;
    if (!before.isEmpty()) {
        std::vector<int> newRowOfPoint(fOrder.size());
        for (size_t r = 0; r < fOrder.size(); ++r)
            newRowOfPoint[size_t(fOrder[r])] = int(r);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex &i : before) {
            after << index(newRowOfPoint[size_t(oldOrder[size_t(i.row())])], i.column());
        }
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

int TTrackDumpModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(fOrder.size()); }
int TTrackDumpModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TTrackDumpModel::data(const QModelIndex &index, int role) const
{
    const TTrackPointInfo *p = index.isValid() ? Point(index.row()) : nullptr;
    if (!p)
        return {};
    if (role == Qt::DisplayRole)
        return CellText(*p, index.column());
    if (role == Qt::TextAlignmentRole && index.column() <= cBat)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TTrackDumpModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    return Headers().at(section);
}
