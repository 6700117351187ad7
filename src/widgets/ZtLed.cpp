#include "ZtLed.h"

#include <QPainter>
#include <QTimer>

TZtLed::TZtLed(QWidget *parent)
    : QWidget(parent)
{
    resize(16, 16);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    FBlinkTimer = new QTimer(this);
    FBlinkTimer->setSingleShot(true);
    FBlinkTimer->setTimerType(Qt::PreciseTimer);
    connect(FBlinkTimer, &QTimer::timeout, this, &TZtLed::BlinkStep);
}

void TZtLed::SetLit(bool value)
{
    if (FLit == value)
        return;
    FLit = value;
    UpdateBlinking();
    update();
    Q_EMIT changed(FLit);
}

void TZtLed::SetBlink(bool value)
{
    if (FBlink == value)
        return;
    FBlink = value;
    UpdateBlinking();
    update();
}

void TZtLed::SetOnColor(const QColor &c)
{
    FOnColor = c;
    update();
}

void TZtLed::SetOffColor(const QColor &c)
{
    FOffColor = c;
    update();
}

QColor TZtLed::CurrentColor() const
{
    return FLit && !FBlinkDark ? FOnColor : FOffColor;
}

void TZtLed::UpdateBlinking()
{
    // Each blink cycle starts with its lit part, so lighting a blinking lamp
    // shows at once.
    FBlinkDark = false;
    if (FLit && FBlink)
        FBlinkTimer->start(BlinkOnMs);
    else
        FBlinkTimer->stop();
}

void TZtLed::BlinkStep()
{
    FBlinkDark = !FBlinkDark;
    FBlinkTimer->start(FBlinkDark ? BlinkPeriodMs - BlinkOnMs : BlinkOnMs);
    update();
}

void TZtLed::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = qMax(2, qMin(width(), height()) - 2);
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    const QColor c = CurrentColor();
    p.setPen(QPen(c.darker(150), 1));
    p.setBrush(c);
    p.drawEllipse(r);
}
