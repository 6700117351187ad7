#include "ZtFlash.h"

#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int FlashSteps = 6; // red, normal, three times
constexpr int FlashStepMs = 150;
const char *const FlashProperty = "_zt_flash";

class TFlasher : public QObject
{
public:
    explicit TFlasher(QWidget *field)
        : QObject(field), fField(field), fNormal(field->palette()), fHadPalette(field->testAttribute(Qt::WA_SetPalette))
    {
        fTimer.setTimerType(Qt::PreciseTimer);
        connect(&fTimer, &QTimer::timeout, this, [this] { Step(); });
    }

    void Restart()
    {
        fStep = 0;
        Step();
        fTimer.start(FlashStepMs);
    }

    bool Red() const { return fStep % 2 == 1 && fStep <= FlashSteps; }

private:
    void Step()
    {
        if (!fField)
            return;
        ++fStep;
        if (fStep > FlashSteps) {
            fTimer.stop();
            Restore();
            fField->setFocus(Qt::OtherFocusReason);
            fField->setProperty(FlashProperty, QVariant());
            deleteLater();
            return;
        }
        if (Red()) {
            QPalette p = fNormal;
            p.setColor(QPalette::Base, Qt::red);
            p.setColor(QPalette::Window, Qt::red);
            fField->setPalette(p);
        } else {
            Restore();
        }
        fField->repaint();
    }

    void Restore()
    {
        if (fHadPalette)
            fField->setPalette(fNormal);
        else
            fField->setPalette(QPalette());
    }

    QPointer<QWidget> fField;
    QPalette fNormal;
    bool fHadPalette;
    QTimer fTimer;
    int fStep = 0;
};

TFlasher *FlasherOf(const QWidget *field)
{
    return field ? static_cast<TFlasher *>(field->property(FlashProperty).value<QObject *>()) : nullptr;
}

} // namespace

void FlashControl(QWidget *field)
{
    if (!field)
        return;
    field->setFocus(Qt::OtherFocusReason);
    TFlasher *f = FlasherOf(field);
    if (!f) {
        f = new TFlasher(field);
        field->setProperty(FlashProperty, QVariant::fromValue<QObject *>(f));
    }
    f->Restart();
}

bool IsFlashing(const QWidget *field)
{
    return FlasherOf(field) != nullptr;
}

bool IsFlashRed(const QWidget *field)
{
    const TFlasher *f = FlasherOf(field);
    return f && f->Red();
}
