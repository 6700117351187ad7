#include "SettingsEditForm.h"
#include "ZtLed.h"
#include "common.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class tst_SettingsEditForm : public QObject
{
    Q_OBJECT

    static void configure(const QString &lang, const QString &timezone)
    {
        Config.Clear();
        Config.SetVal("lang", lang);
        Config.SetVal("timezone", timezone);
        Config.SetVal("quick_dump_hours", "2");
        Config.SetVal("map_cache_max_age", "30");
    }

    // Presses a button of the modal dialog as soon as it runs.
    static void pressWhenShown(const char *button)
    {
        QTimer::singleShot(0, [button] {
            auto *d = qobject_cast<TSettingsEditForm *>(QApplication::activeModalWidget());
            QVERIFY(d);
            QTest::mouseClick(d->findChild<QPushButton *>(button), Qt::LeftButton);
        });
    }

private Q_SLOTS:
    void initTestCase();
    void fillsFromConfiguration_data();
    void fillsFromConfiguration();
    void okWithoutChanges_data();
    void okWithoutChanges();
    void returnsOnlyChangedFields_data();
    void returnsOnlyChangedFields();
};

void tst_SettingsEditForm::initTestCase()
{
    Languages.Clear();
    Languages.SetVal("en", "English");
    Languages.SetHint("en", "/t/en.txt");
    Languages.SetVal("ru", "Русский");
    Languages.SetHint("ru", "/t/ru.txt");
}

void tst_SettingsEditForm::fillsFromConfiguration_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("timezone");
    QTest::addColumn<QString>("langItem");
    QTest::addColumn<QString>("tzItem");
    QTest::addRow("code and minutes east") << "ru" << "180" << "ru: Русский" << "UTC+03:00";
    QTest::addRow("minutes west") << "en" << "-300" << "en: English" << "UTC-05:00";
    QTest::addRow("whole item text as language") << "en: English" << "60" << "en: English" << "UTC+01:00";
    QTest::addRow("unknown language: default item") << "xx" << "0" << "" << "UTC+00:00";
    QTest::addRow("a fraction of a day") << "" << "0.125" << "" << "UTC+03:00";
}

void tst_SettingsEditForm::fillsFromConfiguration()
{
    QFETCH(QString, lang);
    QFETCH(QString, timezone);
    QFETCH(QString, langItem);
    QFETCH(QString, tzItem);
    configure(lang, timezone);
    TSettingsEditForm f;
    QCOMPARE(f.windowTitle(), QStringLiteral("Settings"));
    f.LoadSettings();
    QCOMPARE(f.CbLanguage->count(), 3);
    if (langItem.isEmpty())
        QCOMPARE(f.CbLanguage->currentIndex(), 0);
    else
        QCOMPARE(f.CbLanguage->currentText(), langItem);
    QCOMPARE(f.CbTimeZone->currentText(), tzItem);
    QCOMPARE(f.EdQuickDumpHours->text(), QStringLiteral("2"));
    QCOMPARE(f.EdMapCacheMaxAge->text(), QStringLiteral("30"));
    QVERIFY(!f.Modified());
    // The list is the system's zones: each offset once, sorted by text.
    QStringList sorted = f.TimeZones();
    sorted.sort();
    QCOMPARE(f.TimeZones(), sorted);
    QStringList unique = f.TimeZones();
    QCOMPARE(unique.removeDuplicates(), 0);
    QVERIFY(f.TimeZones().contains("UTC+05:30"));
}

void tst_SettingsEditForm::okWithoutChanges_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("accepted");
    QTest::addRow("OK") << "ButOk" << true;
    QTest::addRow("Cancel") << "ButCancel" << false;
}

void tst_SettingsEditForm::okWithoutChanges()
{
    QFETCH(QString, button);
    QFETCH(bool, accepted);
    configure("ru", "180");
    TSettingsEditForm f;
    pressWhenShown(button == u"ButOk" ? "ButOk" : "ButCancel");
    QCOMPARE(f.EditSettings(), accepted);
    QVERIFY(!f.Modified());
    QVERIFY(f.Fields().isEmpty());
}

void tst_SettingsEditForm::returnsOnlyChangedFields_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("input"); // an item's text, keys typed after clearing, or a box's setting before a click
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addRow("first language item: empty lang") << "CbLanguage" << "" << "lang" << "";
    QTest::addRow("another language: its code") << "CbLanguage" << "en: English" << "lang" << "en";
    QTest::addRow("UTC+03:00: 180 minutes") << "CbTimeZone" << "UTC+03:00" << "timezone" << "180";
    QTest::addRow("UTC-05:00: -300 minutes") << "CbTimeZone" << "UTC-05:00" << "timezone" << "-300";
    QTest::addRow("quick dump 0: empty") << "EdQuickDumpHours" << "0" << "quick_dump_hours" << "";
    QTest::addRow("quick dump emptied: empty") << "EdQuickDumpHours" << "" << "quick_dump_hours" << "";
    QTest::addRow("quick dump 12") << "EdQuickDumpHours" << "12" << "quick_dump_hours" << "12";
    QTest::addRow("quick dump takes two digits") << "EdQuickDumpHours" << "123" << "quick_dump_hours" << "12";
    QTest::addRow("cache age takes digits only") << "EdMapCacheMaxAge" << "4x5" << "map_cache_max_age" << "45";
    QTest::addRow("cache age leading zeros") << "EdMapCacheMaxAge" << "007" << "map_cache_max_age" << "7";
    QTest::addRow("close to tray: unset, ticked") << "CbCloseToTray" << "" << "close_to_tray" << "1";
    QTest::addRow("close to tray: on, unticked") << "CbCloseToTray" << "yes" << "close_to_tray" << "0";
}

void tst_SettingsEditForm::returnsOnlyChangedFields()
{
    QFETCH(QString, control);
    QFETCH(QString, input);
    QFETCH(QString, key);
    QFETCH(QString, value);
    configure("ru", "60");
    if (control == u"CbCloseToTray")
        Config.SetVal("close_to_tray", input);
    TSettingsEditForm f;
    f.LoadSettings();
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QWidget *w = f.findChild<QWidget *>(control);
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        const int index = input.isEmpty() ? 0 : combo->findText(input);
        QVERIFY(index >= 0);
        combo->setCurrentIndex(index);
    } else if (auto *box = qobject_cast<QCheckBox *>(w)) {
        QCOMPARE(box->isChecked(), !input.isEmpty());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2)); // on the box itself
    } else {
        auto *edit = qobject_cast<QLineEdit *>(w);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, input);
    }
    QVERIFY(f.Led(key)->Lit());
    QTest::mouseClick(f.ButOk, Qt::LeftButton);
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QVERIFY(f.Modified());
    const TFieldEditForm::TFields expected{{key, value}};
    QCOMPARE(f.Fields(), expected);
}

QTEST_MAIN(tst_SettingsEditForm)
#include "tst_SettingsEditForm.moc"
