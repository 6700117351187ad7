#pragma once

// Paints a trap row (TrapListAfterCellPaint): the default text, then at the
// right end of the cell a zone trap's glyph ("→]" entering, "[→" leaving) or
// the other traps' condition text, right-aligned.

#include <QStyledItemDelegate>

class TTrapListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The glyph in the square Box: Entering draws an arrow into a bracket
    // open to the left, otherwise an arrow leaving a bracket open to the right.
    static void PaintZoneGlyph(QPainter &P, const QRect &Box, bool Entering);
};
