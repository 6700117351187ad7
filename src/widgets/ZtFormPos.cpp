#include "ZtFormPos.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QRect WorkAreaAt(const QPoint &pt)
{
    QScreen *screen = QGuiApplication::screenAt(pt);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

void PushIntoWorkArea(QWidget *form, const QRect &workArea)
{
    const QSize size = form->frameGeometry().size();
    QPoint pos = form->pos();
    if (pos.x() + size.width() > workArea.x() + workArea.width())
        pos.setX(workArea.x() + workArea.width() - size.width());
    if (pos.y() + size.height() > workArea.y() + workArea.height())
        pos.setY(workArea.y() + workArea.height() - size.height());
    if (pos.x() < workArea.x())
        pos.setX(workArea.x());
    if (pos.y() < workArea.y())
        pos.setY(workArea.y());
    form->move(pos);
}

void PlaceFormAtCursor(QWidget *form, bool centerHorz, bool centerVert)
{
    if (!form)
        return;
    const QPoint cursor = QCursor::pos();
    const QSize size = form->frameGeometry().size();
    QPoint pos = cursor;
    if (centerHorz)
        pos.rx() -= size.width() / 2;
    if (centerVert)
        pos.ry() -= size.height() / 2;
    form->move(pos);
    PushIntoWorkArea(form, WorkAreaAt(cursor));
}

void SetFormPosition(QWidget *form, int style)
{
    if (style < fpsAtCursor || style > fpsOverActiveWindow)
        throw TFormPositionError(QStringLiteral("SetFormPosition: Unknow form position style (%1)").arg(style));
    if (!form)
        return;
    if (style == fpsAtCursor) {
        PlaceFormAtCursor(form);
        return;
    }

    const QSize size = form->frameGeometry().size();
    QWidget *active = QApplication::activeWindow();
    if (active == form->window())
        active = nullptr;
    const QPoint anchor = active ? active->frameGeometry().center()
                                 : (form->parentWidget() ? form->parentWidget()->window()->frameGeometry().center()
                                                         : QCursor::pos());
    const QRect wa = WorkAreaAt(anchor);

    QPoint pos;
    switch (style) {
    case fpsCenterThird:
        pos = QPoint(wa.x() + (wa.width() - size.width()) / 2, wa.y() + (wa.height() - size.height()) / 3);
        break;
    case fpsBottomRight:
        pos = QPoint(wa.x() + wa.width() - size.width(), wa.y() + wa.height() - size.height());
        break;
    default: {
        // Without another active window the work area stands in for it.
        const QRect ref = active ? active->frameGeometry() : wa;
        pos = QPoint(ref.x() + (ref.width() - size.width()) / 3, ref.y() + (ref.height() - size.height()) / 3);
        break;
    }
    }
    form->move(pos);
    PushIntoWorkArea(form, wa);
}
