#include "TrackPopupForm.h"

#include "common.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>
#include <QVBoxLayout>

TTrackPopupForm::TTrackPopupForm(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setAttribute(Qt::WA_DeleteOnClose);
    List = new QTableWidget(0, 2, this);
    List->setObjectName(QStringLiteral("List"));
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->verticalHeader()->hide();
    List->horizontalHeader()->setStretchLastSection(true);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(List);
    resize(360, 200);
}

int TTrackPopupForm::AddRow(const QString &Key, const QString &Value)
{
    const int r = List->rowCount();
    List->insertRow(r);
    auto *k = new QTableWidgetItem(Translation.GetString(objectName(), Key, Key));
    k->setData(Qt::UserRole, Key);
    List->setItem(r, 0, k);
    auto *v = new QTableWidgetItem(Value);
    v->setToolTip(Value);
    List->setItem(r, 1, v);
    return r;
}

int TTrackPopupForm::RowCount() const { return List->rowCount(); }
QString TTrackPopupForm::RowKey(int Row) const { return List->item(Row, 0)->data(Qt::UserRole).toString(); }
QString TTrackPopupForm::RowValue(int Row) const { return List->item(Row, 1)->text(); }

QString TTrackPopupForm::Value(const QString &Key) const
{
    for (int r = 0; r < RowCount(); ++r)
        if (RowKey(r) == Key)
            return RowValue(r);
    return QString();
}

void TTrackPopupForm::ShowFitted()
{
    List->resizeColumnToContents(0);
    int h = 0;
    for (int r = 0; r < List->rowCount(); ++r)
        h += List->rowHeight(r) + 1;
    resize(width(), h + 2 * List->frameWidth() + 2);
    show();
    raise();
    activateWindow();
}

void TTrackPopupForm::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if ((e->key() == Qt::Key_C || e->key() == Qt::Key_Insert) && e->modifiers() == Qt::ControlModifier) {
        const int r = List->currentRow();
        if (r >= 0)
            QApplication::clipboard()->setText(RowValue(r));
        return;
    }
    QWidget::keyPressEvent(e);
}

void TTrackPopupForm::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible() && !fHeld)
        close();
}
