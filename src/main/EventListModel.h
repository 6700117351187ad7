#pragma once

// The rows of the "Alarms" and "Events" lists: six columns over TEventInfo
// records that the client (or an object's alarm list) owns; the rows only
// refer to them.

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>

#include <vector>

class TEventInfo;
class TVelmoraClient;

class TEventListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Client gives the object and trap names; it must outlive the model.
    explicit TEventListModel(TVelmoraClient *Client, QObject *parent = nullptr);

    void Clear();
    // Replaces the rows by references to these events, in this order.
    void SetEvents(const std::vector<TEventInfo *> &Events);
    TEventInfo *Event(const QModelIndex &Index) const;
    int Count() const { return static_cast<int>(fRows.size()); }
    // The row of the event that happened last (whatever the sorting), the
    // later listed of equals; invalid when empty.
    QModelIndex NewestIndex() const;

    // AlarmListGetText / EventListGetText: the cell text, lines split by "\n".
    QString CellText(const TEventInfo *Ev, int Column) const;
    // The "Alarms" list marks every event whose trap is known; the "Events"
    // list only those whose trap is an alarm.
    void SetAlarmList(bool Alarms) { fAlarmList = Alarms; }
    // The picture of column 0: 3 an open alarm, 2 an accepted one, 0 a plain event.
    int ImageIndex(const TEventInfo *Ev) const;
    // The pictures by index, shown in column 0 (none set: no pictures).
    void SetImages(const QList<QIcon> &Images) { fImages = Images; }
    // CompareEvents: < 0, 0, > 0.
    static int CompareEvents(const TEventInfo *A, const TEventInfo *B, int Column);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    TVelmoraClient *fClient;
    std::vector<TEventInfo *> fRows;
    bool fAlarmList = false;
    QList<QIcon> fImages;
    int fSortColumn = 1;
    Qt::SortOrder fSortOrder = Qt::DescendingOrder;
};
