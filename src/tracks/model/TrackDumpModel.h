#pragma once

// The dump window's table: a model over the points of a track, cells made
// when the view asks for them, sorted through an index order rather than by
// moving points or copying texts.

#include <QAbstractTableModel>

#include <vector>

class TGeoTrack;
class TTrackPointInfo;

class TTrackDumpModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum TColumn { cUid, cSysTime, cObjTime, cGpsTime, cLat, cLon, cAlt, cAcc, cSpeed, cBearing, cBat, cParking, cSensors, cZones, ColumnCount };

    explicit TTrackDumpModel(QObject *parent = nullptr);

    void SetTrack(const TGeoTrack *aTrack);
    const TTrackPointInfo *Point(int Row) const;
    // The cell text of a point (the same the view shows).
    static QString CellText(const TTrackPointInfo &p, int Column);
    static const QStringList &Headers();

    // Sorts by a column of 0 to 8 (NaN first); other columns are refused.
    bool SortBy(int Column, Qt::SortOrder Order);
    int SortColumn() const { return fSortColumn; }
    Qt::SortOrder SortOrder() const { return fSortOrder; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TGeoTrack *fTrack = nullptr;
    std::vector<int> fOrder; // row -> point index
    int fSortColumn = -1;
    Qt::SortOrder fSortOrder = Qt::AscendingOrder;
};
