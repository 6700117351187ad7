#pragma once

// Paints an object row: the default text and check box, then the status
// picture (ObjListAfterCellPaint); rows are as high as two lines of text
// plus 4 pixels, at least DefaultRowHeight (ObjListMeasureItem), all alike
// so that the list can lay out thousands of rows as uniform.

#include "ObjStatusPainter.h"

#include <QStyledItemDelegate>

#include <functional>

class TObjListModel;

class TObjListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TObjListDelegate(TObjListModel *Model, QObject *parent = nullptr);

    // clWin, clTxt and clTxtSel of the window's style.
    void SetColors(const QColor &Win, const QColor &Txt, const QColor &TxtSel);
    // The present in the zone of the report times (the account's): the age
    // of a report is measured against it.
    void SetClock(std::function<TDateTime()> Clock) { fClock = std::move(Clock); }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    static constexpr int DefaultRowHeight = 40;

private:
    TObjListModel *fModel;
    QColor fWin = Qt::white;
    QColor fTxt = Qt::black;
    QColor fTxtSel = Qt::black;
    std::function<TDateTime()> fClock;
};
