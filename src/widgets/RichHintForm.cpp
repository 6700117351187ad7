#include "RichHintForm.h"
#include "ZtFormPos.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QVBoxLayout>

TRichHintForm::TRichHintForm(QWidget *parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("RichHintForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::Box);
    setFocusPolicy(Qt::StrongFocus);
    FLabel = new QLabel(this);
    FLabel->setObjectName(QStringLiteral("HintText"));
    FLabel->setTextFormat(Qt::AutoText);
    FLabel->setOpenExternalLinks(false);
    // A label has no caret; the text is shown, not edited.
    FLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(8, 8, 8, 8);
    lay->addWidget(FLabel);
}

QString TRichHintForm::Text() const
{
    return FLabel->text();
}

void TRichHintForm::ShowHint(const QString &text, const QPoint &screenPos)
{
    FLabel->setText(text);
    // At least 100 pixels at the default density of 96 dpi, scaled with the screen.
    QScreen *s = screen();
    const double scale = s ? s->logicalDotsPerInch() / 96.0 : 1.0;
    const int minWidth = qRound(100 * scale);
    adjustSize();
    resize(qMax(minWidth, width()), height());
    move(screenPos);
    PushIntoWorkArea(this, WorkAreaAt(screenPos));
    show();
    activateWindow();
    setFocus(Qt::PopupFocusReason);
}

TRichHintForm *TRichHintForm::Popup(const QString &text, const QPoint &screenPos, QWidget *parent)
{
    auto *f = new TRichHintForm(parent);
    f->ShowHint(text, screenPos);
    return f;
}

void TRichHintForm::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    close();
}

void TRichHintForm::focusOutEvent(QFocusEvent *event)
{
    QFrame::focusOutEvent(event);
    if (isVisible())
        close();
}

void TRichHintForm::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 8, 8);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
