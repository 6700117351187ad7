#pragma once

// The rows of the "Alarms" and "Events" lists: six columns over TEventInfo
// records that the client (or an object's alarm list) owns; the rows only
// refer to them.

#include <QAbstractTableModel>

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

    // AlarmListGetText / EventListGetText: the cell text, lines split by "\n".
    QString CellText(const TEventInfo *Ev, int Column) const;
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
    int fSortColumn = 1;
    Qt::SortOrder fSortOrder = Qt::DescendingOrder;
};
