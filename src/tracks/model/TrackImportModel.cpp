#include "TrackImportModel.h"

#include "TrackImport.h"

TTrackImportModel::TTrackImportModel(const TTrackImport &Import, QObject *parent)
    : QAbstractTableModel(parent), fImport(Import)
{
}

void TTrackImportModel::Reload()
{
    beginResetModel();
    endResetModel();
}

int TTrackImportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || fImport.ColumnCount() == 0 ? 0 : fImport.RowCount();
}

int TTrackImportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : fImport.ColumnCount();
}

QVariant TTrackImportModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return fImport.Cell(index.row(), index.column());
}

QVariant TTrackImportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section < fImport.Headers().size() ? fImport.Headers().at(section) : QVariant();
}
