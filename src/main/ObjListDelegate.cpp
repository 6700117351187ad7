#include "ObjListDelegate.h"

#include "ObjListModel.h"
#include "OSM.ObjectInfo.h"

#include <QFontMetrics>
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
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetrics fm(option.font);
    const int lines = static_cast<int>(text.count(u'\n')) + 1;
    const int textHeight = fm.height() * lines + 4;
    s.setHeight(std::max(textHeight, lines > 1 ? DefaultRowHeight : textHeight));
    return s;
}
