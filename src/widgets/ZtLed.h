#pragma once

#include <QColor>
#include <QWidget>

class QTimer;

// The small round "changed" indicator of the editing dialogs: silver while
// unlit, red while lit; it can blink (lit for 200 ms of every 1000 ms).
class TZtLed : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Lit READ Lit WRITE SetLit NOTIFY changed)
public:
    static constexpr int BlinkPeriodMs = 1000;
    static constexpr int BlinkOnMs = 200;

    explicit TZtLed(QWidget *parent = nullptr);

    bool Lit() const { return FLit; }
    void SetLit(bool value);

    bool Blink() const { return FBlink; }
    void SetBlink(bool value);

    QColor OnColor() const { return FOnColor; }
    void SetOnColor(const QColor &c);
    QColor OffColor() const { return FOffColor; }
    void SetOffColor(const QColor &c);

    // The colour drawn right now: the off colour while unlit, and while lit the
    // on colour, or during the dark part of a blink the off colour.
    QColor CurrentColor() const;

    QSize sizeHint() const override { return QSize(16, 16); }

Q_SIGNALS:
    // The lit state changed (not emitted for the blink phases).
    void changed(bool lit);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void UpdateBlinking();
    void BlinkStep();

    bool FLit = false;
    bool FBlink = false;
    bool FBlinkDark = false;
    QColor FOnColor = QColor(255, 0, 0);
    QColor FOffColor = QColor(192, 192, 192);
    QTimer *FBlinkTimer = nullptr;
};
