#include "FieldEditForm.h"

#include "ZtLed.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFieldEditForm::TFieldEditForm(QWidget *parent)
    : QDialog(parent)
{
}

bool TFieldEditForm::Modified() const
{
    for (const TZtLed *led : fLedList)
        if (led->Lit())
            return true;
    return false;
}

TFieldEditForm::TFields TFieldEditForm::Fields()
{
    fFields.clear();
    for (int i = 0; i < fLedList.size(); ++i)
        if (fLedList.at(i)->Lit() && FieldIncluded(fLedKeys.at(i)))
            fFields.insert(fLedKeys.at(i), FieldValue(fLedKeys.at(i)));
    return fFields;
}

TZtLed *TFieldEditForm::Led(const QString &key) const
{
    const qsizetype i = fLedKeys.indexOf(key);
    return i < 0 ? nullptr : fLedList.at(i);
}

TZtLed *TFieldEditForm::AddLed(const QString &key, const QString &ledName, QLineEdit *edit)
{
    auto *led = new TZtLed(this);
    led->setObjectName(ledName);
    fLedList << led;
    fLedKeys << key;
    connect(edit, &QLineEdit::textChanged, led, [led] { led->SetLit(true); });
    return led;
}

TZtLed *TFieldEditForm::AddLed(const QString &key, const QString &ledName, QComboBox *combo)
{
    auto *led = new TZtLed(this);
    led->setObjectName(ledName);
    fLedList << led;
    fLedKeys << key;
    connect(combo, &QComboBox::currentIndexChanged, led, [led] { led->SetLit(true); });
    return led;
}

TZtLed *TFieldEditForm::AddLed(const QString &key, const QString &ledName, QCheckBox *box)
{
    auto *led = new TZtLed(this);
    led->setObjectName(ledName);
    fLedList << led;
    fLedKeys << key;
    connect(box, &QCheckBox::toggled, led, [led] { led->SetLit(true); });
    return led;
}

void TFieldEditForm::SwitchLedsOff()
{
    for (TZtLed *led : fLedList)
        led->SetLit(false);
}

void TFieldEditForm::FillTimeZones(QComboBox *combo, const QStringList &entries)
{
    fTimeZones = entries;
    combo->clear();
    combo->addItems(fTimeZones);
}

QLabel *TFieldEditForm::NewLabel(const char *name, const QString &text)
{
    auto *l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

void TFieldEditForm::NewButtons(QPushButton *&cancel, QPushButton *&ok)
{
    cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("ButCancel"));
    ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ButOk"));
    ok->setDefault(true);
}

QString TFieldEditForm::PositiveNumberText(const QString &text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok && n >= 1 ? QString::number(n) : QString();
}
