#include "ObjListDelegate.h"

#include "ObjListModel.h"
#include "OSM.ObjectInfo.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>
#include <QPainter>
#include <QStyle>

TObjListDelegate::TObjListDelegate(TObjListModel *Model, QObject *parent) : QStyledItemDelegate(parent), fModel(Model) {}

void TObjListDelegate::SetColors(const QColor &Win, const QColor &Txt, const QColor &TxtSel)
{
    fWin = Win;
    fTxt = Txt;
    fTxtSel = TxtSel;
}

void TObjListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() != 0)
        return;
    const TObjectInfo *obj = fModel->Object(index);
    if (!obj)
        return;
    TObjStatusColors colors;
    colors.Window = fWin;
    colors.Outline = (option.state & QStyle::State_Selected) ? fTxtSel : fTxt;
    // Without a clock no age can be told: the computer's zone need not be
    // the account's.
    if (fClock)
        PaintObjectStatus(*painter, option.rect, *obj, colors, fClock());
}

QSize TObjListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Every row has the object's two lines (the group row has room for
    // them), so the list can take its rows as uniform: a view that measures
    // rows one by one spends longer on ten thousand of them than the whole
    // minute update may take. The height is counted, not laid out.
    const QFontMetrics fm(option.font);
    const int height = std::max(fm.height() * 2 + 4, DefaultRowHeight);
    // The width only sizes the column to its contents (the main window
    // stretches it): estimated from the longest line's length, the date
    // line's 19 characters at least, plus the check box and the margins.
    const TObjectInfo *obj = fModel ? fModel->Object(index) : nullptr;
    const int chars = std::max(19, obj ? int(obj->name.size()) : 0);
    int width = fm.averageCharWidth() * chars;
    if (const QStyle *style = option.widget ? option.widget->style() : nullptr)
        width += style->pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget)
                 + 3 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, option.widget) + 1);
    return QSize(width, height);
}
