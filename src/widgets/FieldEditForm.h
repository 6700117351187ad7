#pragma once

#include <QDialog>
#include <QMap>
#include <QStringList>

class TZtLed;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QPushButton;

// What the account and settings dialogs have in common: each editable field
// has a changed indicator beside it, lit by any change of the field, and the
// dialog hands back only the fields whose indicator is lit.
class TFieldEditForm : public QDialog
{
    Q_OBJECT
public:
    using TFields = QMap<QString, QString>;

    explicit TFieldEditForm(QWidget *parent = nullptr);

    // True when any indicator is lit.
    bool Modified() const;
    // The lit fields: key -> value (rebuilt on every call).
    TFields Fields();
    // The indicators in field order.
    const QList<TZtLed *> &LedList() const { return fLedList; }
    TZtLed *Led(const QString &key) const;
    const QStringList &TimeZones() const { return fTimeZones; }

protected:
    // Creates the indicator of the field key (objectName ledName) and lights
    // it on every change of the edit or the choice of another item.
    TZtLed *AddLed(const QString &key, const QString &ledName, QLineEdit *edit);
    TZtLed *AddLed(const QString &key, const QString &ledName, QComboBox *combo);
    TZtLed *AddLed(const QString &key, const QString &ledName, QCheckBox *box);
    void SwitchLedsOff();
    // The value of a lit field.
    virtual QString FieldValue(const QString &key) const = 0;
    // Whether a lit field is handed back (all are, unless a dialog says otherwise).
    virtual bool FieldIncluded(const QString &) const { return true; }
    // The time-zone entries the dialog offers (kept for TimeZones()), into combo.
    void FillTimeZones(QComboBox *combo, const QStringList &entries);
    // A label named for the window keys (objectName name).
    QLabel *NewLabel(const char *name, const QString &text);
    // The Cancel and OK buttons every editing dialog ends with; OK is the default.
    void NewButtons(QPushButton *&cancel, QPushButton *&ok);
    // A positive whole number entered as digits, in decimal; empty otherwise.
    static QString PositiveNumberText(const QString &text);

    QList<TZtLed *> fLedList;
    QStringList fLedKeys;
    TFields fFields;
    QStringList fTimeZones;
};
