#include "TrapTreeModel.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"

#include "client.h"

#include <algorithm>
#include <map>

// Internal ids: a top row carries 0, a trap row its group's number + 1.

TTrapTreeModel::TTrapTreeModel(QObject *parent)
    : QAbstractItemModel(parent), fGeneral(std::make_unique<TObjectInfo>())
{
    fGeneral->uid = 0;
    fGeneral->name = QStringLiteral("GENERAL");
}

TTrapTreeModel::~TTrapTreeModel() = default;

void TTrapTreeModel::Clear()
{
    beginResetModel();
    fGroups.clear();
    endResetModel();
}

QModelIndex TTrapTreeModel::Build(TVelmoraClient &Client, int SelUid)
{
    beginResetModel();
    fGroups.clear();
    std::map<int32_t, Group *> byObject;
    for (const auto &t : Client.TrapList()) {
        auto it = byObject.find(t->obj_id);
        if (it == byObject.end()) {
            TObjectInfo *obj = t->obj_id == 0 ? fGeneral.get() : Client.FindObject(t->obj_id);
            if (!obj)
                continue; // an object the user no longer sees
            fGroups.push_back(std::make_unique<Group>());
            fGroups.back()->Obj = obj;
            it = byObject.emplace(t->obj_id, fGroups.back().get()).first;
        }
        it->second->Traps.push_back(t.get());
    }
    std::stable_sort(fGroups.begin(), fGroups.end(),
                     [](const auto &a, const auto &b) { return CompareObjects(a->Obj, b->Obj) < 0; });
    for (auto &g : fGroups)
        std::stable_sort(g->Traps.begin(), g->Traps.end(),
                         [](const TTrapInfo *a, const TTrapInfo *b) { return CompareTraps(a, b) < 0; });
    endResetModel();
    return SelUid != 0 ? IndexOfTrap(SelUid) : QModelIndex();
}

TObjectInfo *TTrapTreeModel::Object(const QModelIndex &Index) const
{
    if (!Index.isValid() || Index.internalId() != 0 || Index.row() >= int(fGroups.size()))
        return nullptr;
    return fGroups[size_t(Index.row())]->Obj;
}

TTrapInfo *TTrapTreeModel::Trap(const QModelIndex &Index) const
{
    if (!Index.isValid() || Index.internalId() == 0)
        return nullptr;
    const size_t g = size_t(Index.internalId() - 1);
    if (g >= fGroups.size() || Index.row() >= int(fGroups[g]->Traps.size()))
        return nullptr;
    return fGroups[g]->Traps[size_t(Index.row())];
}

QModelIndex TTrapTreeModel::IndexOfTrap(int Uid) const
{
    for (size_t g = 0; g < fGroups.size(); ++g)
        for (size_t r = 0; r < fGroups[g]->Traps.size(); ++r)
            if (fGroups[g]->Traps[r]->uid == Uid)
                return createIndex(int(r), 0, quintptr(g + 1));
    return QModelIndex();
}

QModelIndex TTrapTreeModel::RemoveTrapRow(const QModelIndex &Index)
{
    if (!Trap(Index))
        return QModelIndex();
    const QModelIndex parentRow = Index.parent();
    const size_t g = size_t(Index.internalId() - 1);
    const int row = Index.row();
    beginRemoveRows(parentRow, row, row);
    fGroups[g]->Traps.erase(fGroups[g]->Traps.begin() + row);
    endRemoveRows();
    const int left = int(fGroups[g]->Traps.size());
    if (left == 0)
        return parentRow;
    return index(row > 0 ? row - 1 : 0, 0, parentRow);
}

void TTrapTreeModel::RefreshAll()
{
    if (fGroups.empty())
        return;
    Q_EMIT dataChanged(index(0, 0), index(int(fGroups.size()) - 1, 0));
    for (size_t g = 0; g < fGroups.size(); ++g)
        if (!fGroups[g]->Traps.empty()) {
            const QModelIndex p = index(int(g), 0);
            Q_EMIT dataChanged(index(0, 0, p), index(int(fGroups[g]->Traps.size()) - 1, 0, p));
        }
}

QString TTrapTreeModel::RowText(const TObjectInfo *Obj, const TTrapInfo *Trap)
{
    if (Trap) {
        const QString name = Trap->TargetName();
        return name.isEmpty() ? Trap->TargetType() : Trap->TargetType() + QStringLiteral(": ") + name;
    }
    return Obj ? Obj->name : QString();
}

int TTrapTreeModel::CompareObjects(const TObjectInfo *A, const TObjectInfo *B)
{
    if (!A || !B)
        return 0;
    // The traps of all objects come first; the objects follow as the object
    // list orders them.
    const bool ga = A->uid == 0, gb = B->uid == 0;
    if (ga || gb)
        return ga == gb ? 0 : (ga ? -1 : 1);
    return QString::compare(A->name, B->name, Qt::CaseSensitive);
}

int TTrapTreeModel::CompareTraps(const TTrapInfo *A, const TTrapInfo *B)
{
    if (!A || !B)
        return 0;
    const auto cmp = [](auto a, auto b) { return a < b ? -1 : (a > b ? 1 : 0); };
    if (int c = cmp(A->target_type_id, B->target_type_id))
        return c;
    if (int c = cmp(A->target_id, B->target_id))
        return c;
    return cmp(A->condition_id, B->condition_id);
}

QModelIndex TTrapTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return QModelIndex();
    if (!parent.isValid())
        return row < int(fGroups.size()) ? createIndex(row, 0, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= int(fGroups.size()))
        return QModelIndex();
    if (row >= int(fGroups[size_t(parent.row())]->Traps.size()))
        return QModelIndex();
    return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex TTrapTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return QModelIndex();
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int TTrapTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(fGroups.size());
    if (parent.internalId() != 0 || parent.row() >= int(fGroups.size()))
        return 0;
    return int(fGroups[size_t(parent.row())]->Traps.size());
}

int TTrapTreeModel::columnCount(const QModelIndex &) const { return 1; }

QVariant TTrapTreeModel::data(const QModelIndex &index, int role) const
{
    const TTrapInfo *trap = Trap(index);
    const TObjectInfo *obj = trap ? nullptr : Object(index);
    if (!trap && !obj)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return RowText(obj, trap);
    case ConditionRole:
        return trap && trap->target_type_id != 1 ? trap->Condition() : QString();
    case ZoneGlyphRole:
        return trap && trap->target_type_id == 1 ? (trap->condition_id == 1 ? 1 : 2) : 0;
    default:
        return QVariant();
    }
}

QVariant TTrapTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Target");
    return QVariant();
}
