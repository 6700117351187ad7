#pragma once

// The track list of the main window: one row a track, with its line colour,
// its label and its point count, and a check box that shows or hides it on
// the map. Holds references: the tracks belong to the map layer.

#include <QAbstractListModel>

#include <vector>

class TGeoTrack;

class TTrackListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit TTrackListModel(QObject *parent = nullptr);

    // Appends a row (ticked when the track is visible); returns it.
    int AddTrack(TGeoTrack *Track);
    // Removes a row and returns the row to select next: the one that took
    // its place, or the one before when it was the last, -1 when none is left.
    int RemoveRow(int Row);
    void Clear();
    TGeoTrack *Track(int Row) const;
    int RowOf(const TGeoTrack *Track) const;
    int Count() const { return int(fTracks.size()); }
    // The row's text: "<label> (<points>)".
    static QString RowText(const TGeoTrack &Track);
    // Call after a track's points changed (parkings, filter), to repaint its row.
    void TrackChanged(const TGeoTrack *Track);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // The user ticked or unticked a track (its Visible flag is already set).
    void VisibilityChanged(TGeoTrack *Track, bool Visible);

private:
    std::vector<TGeoTrack *> fTracks;
};
