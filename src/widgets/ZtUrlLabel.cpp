#include "ZtUrlLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>

TZtUrlLabel::TZtUrlLabel(QWidget *parent)
    : QLabel(parent)
{
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    UpdateColor();
}

QColor TZtUrlLabel::CurrentColor() const
{
    return Hot() ? QColor(Qt::red) : QColor(Qt::blue);
}

void TZtUrlLabel::UpdateColor()
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, CurrentColor());
    setPalette(pal);
}

void TZtUrlLabel::enterEvent(QEnterEvent *event)
{
    FHovered = true;
    UpdateColor();
    QLabel::enterEvent(event);
}

void TZtUrlLabel::leaveEvent(QEvent *event)
{
    FHovered = false;
    UpdateColor();
    QLabel::leaveEvent(event);
}

void TZtUrlLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        FPressed = true;
        UpdateColor();
    }
    QLabel::mousePressEvent(event);
}

void TZtUrlLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasPressed = FPressed;
    FPressed = false;
    UpdateColor();
    QLabel::mouseReleaseEvent(event);
    // A press that is dragged off the label and released elsewhere is no click.
    if (event->button() != Qt::LeftButton || !wasPressed || !rect().contains(event->position().toPoint()))
        return;
    // Only web and mail addresses are handed to the shell: a label never
    // launches local files or programs.
    const QString scheme = FUrl.scheme().toLower();
    bool opened = false;
    if (FUrl.isValid() && (scheme == u"http" || scheme == u"https" || scheme == u"mailto"))
        opened = QDesktopServices::openUrl(FUrl);
    Q_EMIT clicked(opened);
}
