#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QTreeView;
class TObjListModel;
class TObjectInfo;

// The search field over the object list: rows whose object matches none of
// the words typed are hidden in the view. The model keeps every row, so
// indexes, ticks, markers and the selection stay as they are, and the filter
// holds across the minute update.
class TObjListFilter : public QObject
{
    Q_OBJECT
public:
    TObjListFilter(QLineEdit *Edit, QTreeView *View, TObjListModel *Model, QObject *Owner);

    // Name, phone number, IMEI, device id or uid contains Text (any case).
    static bool Matches(const TObjectInfo *Obj, const QString &Text);
    void Apply();

private:
    void Schedule();

    QLineEdit *fEdit;
    QTreeView *fView;
    TObjListModel *fModel;
    bool fScheduled = false;
    bool fAnyHidden = false;
};
