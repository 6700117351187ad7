#include "TrackListModel.h"

#include "OSM.GeoTrack.h"

#include <QColor>

TTrackListModel::TTrackListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int TTrackListModel::AddTrack(TGeoTrack *Track)
{
    const int row = Count();
    beginInsertRows({}, row, row);
    fTracks.push_back(Track);
    endInsertRows();
    return row;
}

int TTrackListModel::RemoveRow(int Row)
{
    if (Row < 0 || Row >= Count())
        return -1;
    beginRemoveRows({}, Row, Row);
    fTracks.erase(fTracks.begin() + Row);
    endRemoveRows();
    if (fTracks.empty())
        return -1;
    return Row < Count() ? Row : Count() - 1;
}

void TTrackListModel::Clear()
{
    beginResetModel();
    fTracks.clear();
    endResetModel();
}

TGeoTrack *TTrackListModel::Track(int Row) const { return Row >= 0 && Row < Count() ? fTracks[size_t(Row)] : nullptr; }

int TTrackListModel::RowOf(const TGeoTrack *Track) const
{
    for (int r = 0; r < Count(); ++r)
        if (fTracks[size_t(r)] == Track)
            return r;
    return -1;
}

QString TTrackListModel::RowText(const TGeoTrack &Track)
{
    return QStringLiteral("%1 (%2)").arg(Track.Sign()).arg(Track.Points().size());
}

void TTrackListModel::TrackChanged(const TGeoTrack *Track)
{
    const int r = RowOf(Track);
    if (r >= 0)
        Q_EMIT dataChanged(index(r), index(r));
}

int TTrackListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : Count(); }

QVariant TTrackListModel::data(const QModelIndex &index, int role) const
{
    const TGeoTrack *t = index.isValid() ? Track(index.row()) : nullptr;
    if (!t)
        return {};
    switch (role) {
    case Qt::DisplayRole: return RowText(*t);
    case Qt::ToolTipRole: return t->Sign();
    case Qt::CheckStateRole: return t->Visible() ? Qt::Checked : Qt::Unchecked;
    case Qt::DecorationRole: {
        // Colours keep red in the low byte.
        const TColor c = t->Style().LineColor;
        return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
    }
    default: return {};
    }
}

bool TTrackListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TGeoTrack *t = index.isValid() ? Track(index.row()) : nullptr;
    if (!t || role != Qt::CheckStateRole)
        return false;
    const bool visible = value.toInt() == Qt::Checked;
    t->SetVisible(visible);
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    Q_EMIT VisibilityChanged(t, visible);
    return true;
}

Qt::ItemFlags TTrackListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable : Qt::NoItemFlags;
}
