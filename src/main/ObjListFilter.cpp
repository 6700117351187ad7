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
    // update) are filtered once they have all come: a load adds its rows
    // one by one and an update announces them row by row, and filtering at
    // each signal would cost the square of a large fleet.
    connect(fModel, &QAbstractItemModel::rowsInserted, this, &TObjListFilter::Schedule);
    connect(fModel, &QAbstractItemModel::modelReset, this, &TObjListFilter::Schedule);
    connect(fModel, &QAbstractItemModel::dataChanged, this, &TObjListFilter::Schedule);
}

void TObjListFilter::Schedule()
{
    if (fScheduled)
        return;
    fScheduled = true;
    QTimer::singleShot(0, this, [this] {
        fScheduled = false;
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
    // Nothing typed and nothing hidden: every row shows already.
    if (text.trimmed().isEmpty() && !fAnyHidden)
        return;
    fAnyHidden = false;
    for (int r = 0; r < fModel->rowCount(); ++r) {
        const QModelIndex top = fModel->index(r, 0);
        const int children = fModel->rowCount(top);
        if (children == 0) {
            const bool show = Matches(fModel->Object(top), text);
            fView->setRowHidden(r, QModelIndex(), !show);
            fAnyHidden = fAnyHidden || !show;
            continue;
        }
        // The "Deleted" group shows while any of its objects does.
        bool any = false;
        for (int c = 0; c < children; ++c) {
            const bool show = Matches(fModel->Object(fModel->index(c, 0, top)), text);
            fView->setRowHidden(c, top, !show);
            any = any || show;
            fAnyHidden = fAnyHidden || !show;
        }
        fView->setRowHidden(r, QModelIndex(), !any);
        fAnyHidden = fAnyHidden || !any;
    }
}
