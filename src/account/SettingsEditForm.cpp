#include "SettingsEditForm.h"

#include "FormTranslate.h"
#include "TimeZoneList.h"
#include "ZtLed.h"
#include "common.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <cmath>

TSettingsEditForm::TSettingsEditForm(QWidget *parent)
    : TFieldEditForm(parent)
{
    setObjectName(QStringLiteral("SettingsEditForm"));
    setWindowTitle(QStringLiteral("Settings"));

    LblLanguage = NewLabel("LblLanguage", QStringLiteral("Language:"));
    CbLanguage = new QComboBox(this);
    CbLanguage->setObjectName(QStringLiteral("CbLanguage"));
    LblTimeZone = NewLabel("LblTimeZone", QStringLiteral("Default timezone:"));
    CbTimeZone = new QComboBox(this);
    CbTimeZone->setObjectName(QStringLiteral("CbTimeZone"));
    LblQuickDumpHours = NewLabel("LblQuickDumpHours", QStringLiteral("Quick dump depth, hours:"));
    EdQuickDumpHours = new QLineEdit(this);
    EdQuickDumpHours->setObjectName(QStringLiteral("EdQuickDumpHours"));
    EdQuickDumpHours->setMaxLength(2);
    EdQuickDumpHours->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), EdQuickDumpHours));
    LblMapCacheMaxAge = NewLabel("LblMapCacheMaxAge", QStringLiteral("Map cache refresh age, days:"));
    EdMapCacheMaxAge = new QLineEdit(this);
    EdMapCacheMaxAge->setObjectName(QStringLiteral("EdMapCacheMaxAge"));
    EdMapCacheMaxAge->setMaxLength(3);
    EdMapCacheMaxAge->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), EdMapCacheMaxAge));
    LblCloseToTray = NewLabel("LblCloseToTray", QStringLiteral("Close to the tray:"));
    CbCloseToTray = new QCheckBox(this);
    CbCloseToTray->setObjectName(QStringLiteral("CbCloseToTray"));
    LblLanguage->setBuddy(CbLanguage);
    LblTimeZone->setBuddy(CbTimeZone);
    LblQuickDumpHours->setBuddy(EdQuickDumpHours);
    LblMapCacheMaxAge->setBuddy(EdMapCacheMaxAge);
    LblCloseToTray->setBuddy(CbCloseToTray);

    TZtLed *ledLang = AddLed(QStringLiteral("lang"), QStringLiteral("LedLanguage"), CbLanguage);
    TZtLed *ledTz = AddLed(QStringLiteral("timezone"), QStringLiteral("LedTimeZone"), CbTimeZone);
    TZtLed *ledDump = AddLed(QStringLiteral("quick_dump_hours"), QStringLiteral("LedQuickDumpHours"), EdQuickDumpHours);
    TZtLed *ledAge = AddLed(QStringLiteral("map_cache_max_age"), QStringLiteral("LedMapCacheMaxAge"), EdMapCacheMaxAge);
    TZtLed *ledTray = AddLed(QStringLiteral("close_to_tray"), QStringLiteral("LedCloseToTray"), CbCloseToTray);

    NewButtons(ButCancel, ButOk);
    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout;
    int row = 0;
    for (auto [led, lbl, field] : {std::tuple<QWidget *, QWidget *, QWidget *>{ledLang, LblLanguage, CbLanguage},
                                   {ledTz, LblTimeZone, CbTimeZone},
                                   {ledDump, LblQuickDumpHours, EdQuickDumpHours},
                                   {ledAge, LblMapCacheMaxAge, EdMapCacheMaxAge},
                                   {ledTray, LblCloseToTray, CbCloseToTray}}) {
        grid->addWidget(led, row, 0);
        grid->addWidget(lbl, row, 1);
        grid->addWidget(field, row, 2);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButOk);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addLayout(buttons);
    setMinimumWidth(400);

    TranslateForm(this);
}

void TSettingsEditForm::LoadSettings()
{
    // Languages: the default first, then one item per translation file found
    // at start-up, "code: language name".
    CbLanguage->clear();
    fLangCodes.clear();
    const QString def = Translation.GetString(objectName(), QStringLiteral("default"), QStringLiteral(" "));
    CbLanguage->addItem(def.isEmpty() ? QStringLiteral(" ") : def);
    fLangCodes << QString();
    for (int i = 0; i < Languages.Count(); ++i) {
        const QString code = Languages.Key(i);
        CbLanguage->addItem(code + QStringLiteral(": ") + Languages.GetValByIndex(i));
        fLangCodes << code;
    }
    // The configuration holds the code; an item's whole text (as older
    // settings may hold) is recognised too.
    const QString lang = Config.GetVal(QStringLiteral("lang"));
    int langIndex = 0;
    for (int i = 1; i < CbLanguage->count() && !lang.isEmpty(); ++i)
        if (fLangCodes.at(i) == lang || CbLanguage->itemText(i) == lang) {
            langIndex = i;
            break;
        }
    CbLanguage->setCurrentIndex(langIndex);

    FillTimeZones(CbTimeZone, TTimeZoneList::Build());
    // timezone is whole minutes east of UTC; a value below one day in size is
    // taken as a fraction of a day, the unit the API client also accepts.
    const double tz = Config.GetVal(QStringLiteral("timezone")).trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    const int minutes = std::abs(tz) < 1 ? int(std::lround(tz * 1440)) : int(std::lround(tz));
    CbTimeZone->setCurrentIndex(TTimeZoneList::IndexOfMinutes(fTimeZones, minutes));

    EdQuickDumpHours->setText(Config.GetVal(QStringLiteral("quick_dump_hours")));
    EdMapCacheMaxAge->setText(Config.GetVal(QStringLiteral("map_cache_max_age")));
    CbCloseToTray->setChecked(Config.AsBool(QStringLiteral("close_to_tray")));
    SwitchLedsOff();
}

bool TSettingsEditForm::EditSettings()
{
    LoadSettings();
    return exec() == QDialog::Accepted;
}

QString TSettingsEditForm::FieldValue(const QString &key) const
{
    if (key == u"lang") {
        // The code, which is what the start-up looks the language up by.
        const int i = CbLanguage->currentIndex();
        return i > 0 && i < fLangCodes.size() ? fLangCodes.at(i) : QString();
    }
    if (key == u"timezone")
        return QString::number(TTimeZoneList::EntryValue(CbTimeZone->currentText()));
    if (key == u"quick_dump_hours")
        return PositiveNumberText(EdQuickDumpHours->text());
    if (key == u"map_cache_max_age")
        return PositiveNumberText(EdMapCacheMaxAge->text());
    if (key == u"close_to_tray")
        return CbCloseToTray->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return QString();
}
