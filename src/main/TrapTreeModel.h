#pragma once

// The rows of the "Traps" tree: objects at the top, their traps below. The
// traps of all objects share one top row, "GENERAL", whose record (uid 0)
// the model owns; every other row refers to the client's objects and traps
// and never owns them. The model holds no widget.

#include <QAbstractItemModel>

#include <memory>
#include <vector>

class TObjectInfo;
class TTrapInfo;
class TVelmoraClient;

class TTrapTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // The condition text painted at the right end of a trap row (empty for
    // zone traps, which get a glyph).
    static constexpr int ConditionRole = Qt::UserRole + 1;
    // 1 entering, 2 leaving for a zone trap row, 0 otherwise.
    static constexpr int ZoneGlyphRole = Qt::UserRole + 2;

    explicit TTrapTreeModel(QObject *parent = nullptr);
    ~TTrapTreeModel() override;

    // Empties the tree; do so before the client's trap list is refilled.
    void Clear();
    // Rebuilds the tree from the client's trap list, sorted. Traps of
    // objects the client does not list get no row. Returns the row of the
    // trap with uid SelUid, or an invalid index.
    QModelIndex Build(TVelmoraClient &Client, int SelUid);

    TObjectInfo *Object(const QModelIndex &Index) const; // top rows
    TTrapInfo *Trap(const QModelIndex &Index) const;     // trap rows
    bool IsTrapRow(const QModelIndex &Index) const { return Trap(Index) != nullptr; }
    QModelIndex IndexOfTrap(int Uid) const;
    // Removes a trap row (its object's row stays) and returns the row to
    // select instead: the one before it, else the one after, else the
    // object's row.
    QModelIndex RemoveTrapRow(const QModelIndex &Index);
    // Repaints every row (after a trap was changed in place).
    void RefreshAll();

    // TrapListGetText.
    static QString RowText(const TObjectInfo *Obj, const TTrapInfo *Trap);
    // TrapListCompareNodes for two top rows and for two traps.
    static int CompareObjects(const TObjectInfo *A, const TObjectInfo *B);
    static int CompareTraps(const TTrapInfo *A, const TTrapInfo *B);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Group
    {
        TObjectInfo *Obj = nullptr;
        std::vector<TTrapInfo *> Traps;
    };

    std::vector<std::unique_ptr<Group>> fGroups;
    std::unique_ptr<TObjectInfo> fGeneral;
};
