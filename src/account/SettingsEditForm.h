#pragma once

#include "FieldEditForm.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The program's local settings: language, default time zone, quick dump
// depth, map cache refresh age and whether closing the window hides it in
// the tray. Filled from the configuration store; the
// caller writes the changed fields (Fields) into the settings file's [Config].
class TSettingsEditForm : public TFieldEditForm
{
    Q_OBJECT
public:
    explicit TSettingsEditForm(QWidget *parent = nullptr);

    // Fills the dialog from the configuration, switches the indicators off and
    // shows it modally; true on OK.
    bool EditSettings();
    // The filling part of EditSettings, for callers that show the dialog themselves.
    void LoadSettings();

    QLabel *LblLanguage = nullptr;
    QComboBox *CbLanguage = nullptr;
    QLabel *LblTimeZone = nullptr;
    QComboBox *CbTimeZone = nullptr;
    QLabel *LblQuickDumpHours = nullptr;
    QLineEdit *EdQuickDumpHours = nullptr;
    QLabel *LblMapCacheMaxAge = nullptr;
    QLineEdit *EdMapCacheMaxAge = nullptr;
    QLabel *LblCloseToTray = nullptr;
    QCheckBox *CbCloseToTray = nullptr;
    QPushButton *ButCancel = nullptr;
    QPushButton *ButOk = nullptr;

protected:
    QString FieldValue(const QString &key) const override;

private:
    // Language codes of the items; the first item (the default language) has none.
    QStringList fLangCodes;
};
