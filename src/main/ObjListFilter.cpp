#include "ObjListFilter.h"

#include "ObjListModel.h"
#include "OSM.ObjectInfo.h"

#include <QLineEdit>
#include <QTimer>
#include <QTreeView>

TObjListFilter::TObjListFilter(QLineEdit *Edit, QTreeView *View, TObjListModel *Model, QObject *Owner)
    : QObject(Owner), fEdit(Edit), fView(View), fModel(Model)
{
    connect(fEdit, &QLineEdit::textChanged, this, &TObjListFilter::Apply);
    // New rows (a reload, a created object) and new data (the minute
    // update) are filtered as they come.
    connect(fModel, &QAbstractItemModel::rowsInserted, this, &TObjListFilter::Apply);
    connect(fModel, &QAbstractItemModel::modelReset, this, &TObjListFilter::Apply);
    connect(fModel, &QAbstractItemModel::dataChanged, this, [this] {
        if (!fEdit->text().trimmed().isEmpty())
            Apply();
    });
}

bool TObjListFilter::Matches(const TObjectInfo *Obj, const QString &Text)
{
    const QString t = Text.trimmed();
    if (t.isEmpty())
        return true;
    if (!Obj)
        return false;
    for (const QString &field : {Obj->name, Obj->phone, Obj->imei, Obj->id, QString::number(Obj->uid)})
        if (field.contains(t, Qt::CaseInsensitive))
            return true;
    return false;
}

void TObjListFilter::Apply()
{
    const QString text = fEdit->text();
    for (int r = 0; r < fModel->rowCount(); ++r) {
        const QModelIndex top = fModel->index(r, 0);
        const int children = fModel->rowCount(top);
        if (children == 0) {
            fView->setRowHidden(r, QModelIndex(), !Matches(fModel->Object(top), text));
            continue;
        }
        // The "Deleted" group shows while any of its objects does.
        bool any = false;
        for (int c = 0; c < children; ++c) {
            const bool show = Matches(fModel->Object(fModel->index(c, 0, top)), text);
            fView->setRowHidden(c, top, !show);
            any = any || show;
        }
        fView->setRowHidden(r, QModelIndex(), !any);
    }
}
