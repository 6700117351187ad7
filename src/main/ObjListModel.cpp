#include "ObjListModel.h"

#include "OSM.ObjectInfo.h"
#include "ZtDates.h"

#include <algorithm>
#include <cmath>

TObjListModel::TObjListModel(QObject *parent) : QAbstractItemModel(parent) {}

TObjListModel::~TObjListModel() = default;

void TObjListModel::Clear()
{
    beginResetModel();
    fRoot.Children.clear();
    fDeleted = nullptr;
    fDeletedObj.reset();
    endResetModel();
}

QModelIndex TObjListModel::AddObject(TObjectInfo *Obj)
{
    Node *parentNode = &fRoot;
    if (Obj && Obj->is_deleted) {
        if (!fDeleted) {
            fDeletedObj = std::make_unique<TObjectInfo>(0, QString());
            fDeletedObj->name = QStringLiteral("Deleted");
            auto group = std::make_unique<Node>();
            group->Obj = fDeletedObj.get();
            group->Parent = &fRoot;
            group->Checkable = false;
            const int row = static_cast<int>(fRoot.Children.size());
            group->Row = row;
            beginInsertRows(QModelIndex(), row, row);
            fDeleted = group.get();
            fRoot.Children.push_back(std::move(group));
            endInsertRows();
        }
        parentNode = fDeleted;
    }
    auto node = std::make_unique<Node>();
    node->Obj = Obj;
    node->Parent = parentNode;
    Node *raw = node.get();
    const int row = static_cast<int>(parentNode->Children.size());
    node->Row = row;
    beginInsertRows(indexOf(parentNode), row, row);
    parentNode->Children.push_back(std::move(node));
    endInsertRows();
    return indexOf(raw);
}

TObjListModel::Node *TObjListModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<Node *>(index.internalPointer());
}

QModelIndex TObjListModel::indexOf(const Node *node) const
{
    if (!node || node == &fRoot || !node->Parent)
        return QModelIndex();
    const auto &list = node->Parent->Children;
    if (node->Row >= 0 && size_t(node->Row) < list.size() && list[size_t(node->Row)].get() == node)
        return createIndex(node->Row, 0, const_cast<Node *>(node));
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == node)
            return createIndex(static_cast<int>(i), 0, const_cast<Node *>(node));
    return QModelIndex();
}

TObjectInfo *TObjListModel::Object(const QModelIndex &Index) const
{
    const Node *n = nodeOf(Index);
    return n ? n->Obj : nullptr;
}

TObjectInfo *const *TObjListModel::DataCell(const QModelIndex &Index) const
{
    const Node *n = nodeOf(Index);
    return n ? &n->Obj : nullptr;
}

QModelIndex TObjListModel::IndexOfDataCell(TObjectInfo *const *Cell) const
{
    if (!Cell)
        return QModelIndex();
    for (const auto &top : fRoot.Children) {
        if (&top->Obj == Cell)
            return indexOf(top.get());
        for (const auto &child : top->Children)
            if (&child->Obj == Cell)
                return indexOf(child.get());
    }
    return QModelIndex();
}

QModelIndex TObjListModel::FindUid(int Uid) const
{
    for (const auto &top : fRoot.Children) {
        if (top->Obj && top->Obj->uid == Uid && top.get() != fDeleted)
            return indexOf(top.get());
        for (const auto &child : top->Children)
            if (child->Obj && child->Obj->uid == Uid)
                return indexOf(child.get());
    }
    return QModelIndex();
}

bool TObjListModel::IsChecked(const QModelIndex &Index) const
{
    const Node *n = nodeOf(Index);
    return n && n->Checkable && n->Checked;
}

void TObjListModel::SetCheckedSilently(const QModelIndex &Index, bool Checked)
{
    Node *n = nodeOf(Index);
    if (!n || !n->Checkable || n->Checked == Checked)
        return;
    n->Checked = Checked;
    Q_EMIT dataChanged(Index, Index, {Qt::CheckStateRole});
}

int TObjListModel::TopLevelCount() const { return static_cast<int>(fRoot.Children.size()); }

QModelIndex TObjListModel::DeletedGroup() const { return indexOf(fDeleted); }

void TObjListModel::RefreshAll()
{
    // One signal per level: a signal per row costs a view a search for the
    // row's place each, which a fleet of thousands cannot afford.
    if (fRoot.Children.empty())
        return;
    Q_EMIT dataChanged(index(0, 0), index(TopLevelCount() - 1, 0));
    for (const auto &top : fRoot.Children)
        if (!top->Children.empty()) {
            const QModelIndex ti = indexOf(top.get());
            Q_EMIT dataChanged(index(0, 0, ti), index(static_cast<int>(top->Children.size()) - 1, 0, ti));
        }
}

int TObjListModel::CompareNodes(const TObjectInfo *A, const TObjectInfo *B)
{
    if (!A || !B)
        return 0;
    const bool ga = A->uid == 0;
    const bool gb = B->uid == 0;
    if (ga || gb)
        return ga == gb ? 0 : (ga ? 1 : -1);
    return QString::compare(A->name, B->name, Qt::CaseSensitive);
}

QString TObjListModel::RowText(const TObjectInfo *Obj)
{
    if (!Obj)
        return QString();
    QString text = Obj->name;
    text.replace(u'\n', u' ').remove(u'\r');
    if (Obj->uid > 0) {
        const double dt = Obj->last_point ? Obj->last_point->sys_dt : NoDateTime;
        text += u'\n' + FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), dt);
    }
    return text;
}

QModelIndex TObjListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return QModelIndex();
    const Node *p = parent.isValid() ? nodeOf(parent) : &fRoot;
    if (!p || row >= static_cast<int>(p->Children.size()))
        return QModelIndex();
    return createIndex(row, 0, p->Children[static_cast<size_t>(row)].get());
}

QModelIndex TObjListModel::parent(const QModelIndex &child) const
{
    const Node *n = nodeOf(child);
    if (!n || n->Parent == &fRoot)
        return QModelIndex();
    return indexOf(n->Parent);
}

int TObjListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const Node *p = parent.isValid() ? nodeOf(parent) : &fRoot;
    return p ? static_cast<int>(p->Children.size()) : 0;
}

int TObjListModel::columnCount(const QModelIndex &) const { return 1; }

QVariant TObjListModel::data(const QModelIndex &index, int role) const
{
    const Node *n = nodeOf(index);
    if (!n)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return RowText(n->Obj);
    case Qt::CheckStateRole:
        if (!n->Checkable)
            return QVariant();
        return n->Checked ? Qt::Checked : Qt::Unchecked;
    default:
        return QVariant();
    }
}

bool TObjListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    Node *n = nodeOf(index);
    if (!n || role != Qt::CheckStateRole || !n->Checkable)
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (checked == n->Checked)
        return true;
    // The handler sees the row before the box changes, as ObjListChecking does.
    if (fOnChecking)
        fOnChecking(index, checked);
    n->Checked = checked;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags TObjListModel::flags(const QModelIndex &index) const
{
    const Node *n = nodeOf(index);
    if (!n)
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (n->Checkable)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TObjListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Object");
    return QVariant();
}

void TObjListModel::sort(int column, Qt::SortOrder order)
{
    if (column != 0)
        return;
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<const Node *> nodes;
    nodes.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex &i : before)
        nodes.push_back(nodeOf(i));
    auto less = [order](const std::unique_ptr<Node> &a, const std::unique_ptr<Node> &b) {
        const int c = CompareNodes(a->Obj, b->Obj);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    };
    std::stable_sort(fRoot.Children.begin(), fRoot.Children.end(), less);
    for (auto &top : fRoot.Children)
        std::stable_sort(top->Children.begin(), top->Children.end(), less);
    for (size_t i = 0; i < fRoot.Children.size(); ++i) {
        fRoot.Children[i]->Row = int(i);
        for (size_t k = 0; k < fRoot.Children[i]->Children.size(); ++k)
            fRoot.Children[i]->Children[k]->Row = int(k);
    }
    QModelIndexList after;
    for (const Node *n : nodes)
        after.append(indexOf(n));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}
