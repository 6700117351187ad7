#pragma once

// The remote configuration of a device: the settings it last reported in its
// answer to "get config", and one "set config" command with the settings the
// user changed.

#include "CommandExchange.h"

#include <QHash>
#include <QList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTextEdit;
class TZtLed;

// One setting: its key, the control that shows it and its "changed"
// indicator. Exactly one of the controls is set.
struct TObjectConfigField
{
    QString Key;
    TZtLed *Led = nullptr;
    QLineEdit *Edit = nullptr;
    QTextEdit *Rich = nullptr;
    QComboBox *Combo = nullptr;
    QCheckBox *Check = nullptr;

    bool IsPeriod() const { return Key.endsWith(QLatin1String("period")); }
};

class TObjConfigForm : public TCommandExchange
{
    Q_OBJECT
public:
    explicit TObjConfigForm(QWidget *Parent = nullptr);

    // Runs the exchange for the object; true when closed with OK (the
    // changed settings, if any, were sent).
    bool ShowConfig(TObjectInfo *aObjInfo, TVelmoraClient *aClient);

    // "set config " and the changed pairs; empty when nothing changed. Sets
    // Refused to the key whose value the device would misread, if any.
    QString SetCommand(QString *Refused = nullptr) const;

    const QList<TObjectConfigField> &Fields() const { return fFields; }
    const TObjectConfigField *Field(const QString &Key) const;

    QComboBox *CbConfigRequests = nullptr;
    QLineEdit *EdId = nullptr;
    QLineEdit *EdName = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;
    // The "..." buttons of the SMS text fields, by key.
    QHash<QString, QPushButton *> PadButtons;

protected:
    bool LoadAnswerFile(const QString &FileName) override;

private:
    void OkClick();
    void EditInPad(const QString &Key);
    void Changed(const QString &Key);

    QList<TObjectConfigField> fFields;
    // Set while the dialog fills its controls: only the user's edits count.
    bool fFilling = false;
};
