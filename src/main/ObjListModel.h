#pragma once

// The rows of the "Objects" list: one per object of the client's list, the
// objects the service marks deleted gathered under one "Deleted" group row.
// Rows refer to the client's TObjectInfo instances and never own them; the
// group's own record is the only object the model owns. The model holds no
// widget: the list view and its delegate paint it.

#include <QAbstractItemModel>

#include <functional>
#include <memory>
#include <vector>

class TObjectInfo;

class TObjListModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // Called before a check box changes (ObjListChecking); Checked is the
    // new state.
    using TCheckingHandler = std::function<void(const QModelIndex &Index, bool Checked)>;

    explicit TObjListModel(QObject *parent = nullptr);
    ~TObjListModel() override;

    void Clear();
    // Adds a row for an object (under "Deleted" when it is deleted) and
    // returns its index.
    QModelIndex AddObject(TObjectInfo *Obj);

    // The object of a row; the group row gives its own record (uid 0).
    TObjectInfo *Object(const QModelIndex &Index) const;
    // The row's data cell: stays valid while the row exists and always holds
    // the row's current object, so markers keep it as their Data.
    TObjectInfo *const *DataCell(const QModelIndex &Index) const;
    QModelIndex IndexOfDataCell(TObjectInfo *const *Cell) const;
    QModelIndex FindUid(int Uid) const;
    bool IsChecked(const QModelIndex &Index) const;
    // Sets the check box without calling the checking handler.
    void SetCheckedSilently(const QModelIndex &Index, bool Checked);
    int TopLevelCount() const;
    QModelIndex DeletedGroup() const;

    void SetCheckingHandler(TCheckingHandler Handler) { fOnChecking = std::move(Handler); }
    // Repaints every row (after an update merged new data into the objects).
    void RefreshAll();

    // ObjListCompareNodes: < 0, 0, > 0.
    static int CompareNodes(const TObjectInfo *A, const TObjectInfo *B);
    // ObjListGetText: the name (its line breaks as blanks: every row has
    // the same two lines, so that a list of thousands lays out at once) and
    // the time of the last report.
    static QString RowText(const TObjectInfo *Obj);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Node
    {
        TObjectInfo *Obj = nullptr;
        Node *Parent = nullptr;
        bool Checkable = true;
        bool Checked = false;
        // The node's place among its parent's children, kept by AddObject
        // and sort, so that an index is made without searching.
        int Row = 0;
        std::vector<std::unique_ptr<Node>> Children;
    };

    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOf(const Node *node) const;
    const std::vector<std::unique_ptr<Node>> &siblings(const Node *node) const;

    Node fRoot;
    Node *fDeleted = nullptr;
    std::unique_ptr<TObjectInfo> fDeletedObj;
    TCheckingHandler fOnChecking;
};
