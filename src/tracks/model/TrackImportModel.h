#pragma once

// The import window's table: the loaded file's rows, cut into cells only for
// the rows the view asks for.

#include <QAbstractTableModel>

class TTrackImport;

class TTrackImportModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TTrackImportModel(const TTrackImport &Import, QObject *parent = nullptr);

    // Call after the import loaded or parsed a file.
    void Reload();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TTrackImport &fImport;
};
