#include "TrapListDelegate.h"

#include "TrapTreeModel.h"

#include <QPainter>
#include <QStyle>

void TTrapListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const int glyph = index.data(TTrapTreeModel::ZoneGlyphRole).toInt();
    const QString cond = index.data(TTrapTreeModel::ConditionRole).toString();
    if (glyph == 0 && cond.isEmpty())
        return;
    const bool selected = option.state & QStyle::State_Selected;
    const QColor pen = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect r = option.rect;
    painter->save();
    painter->setPen(QPen(pen, 1));
    if (glyph != 0) {
        const int h = r.height();
        PaintZoneGlyph(*painter, QRect(r.right() - h, r.top() + 2, h, h - 5), glyph == 1);
    } else {
        painter->setFont(option.font);
        painter->drawText(r.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter, cond);
    }
    painter->restore();
}

void TTrapListDelegate::PaintZoneGlyph(QPainter &P, const QRect &Box, bool Entering)
{
    const int w = Box.width(), h = Box.height();
    const int top = Box.top(), bottom = Box.top() + h, mid = Box.top() + h / 2;
    const int notch = std::max(2, w / 6);
    if (Entering) {
        // "→]": a bracket near the right edge, the arrow pointing into it.
        const int bx = Box.left() + w - 3;
        P.drawLine(bx, top, bx, bottom);
        P.drawLine(bx - notch, top, bx, top);
        P.drawLine(bx - notch, bottom, bx, bottom);
        const int tip = bx - notch - 1;
        P.drawLine(Box.left() + 2, mid, tip, mid);
        P.drawLine(tip - 3, mid - 3, tip, mid);
        P.drawLine(tip - 3, mid + 3, tip, mid);
    } else {
        // "[→": a bracket near the left, the arrow pointing away from it.
        const int bx = Box.left() + 2;
        P.drawLine(bx, top, bx, bottom);
        P.drawLine(bx, top, bx + notch, top);
        P.drawLine(bx, bottom, bx + notch, bottom);
        const int tip = Box.left() + w - 3;
        P.drawLine(bx + notch + 1, mid, tip, mid);
        P.drawLine(tip - 3, mid - 3, tip, mid);
        P.drawLine(tip - 3, mid + 3, tip, mid);
    }
}
