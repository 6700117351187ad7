#include "AboutForm.h"
#include "ZtUrlLabel.h"

#include <QLabel>
#include <QtTest>

class tst_AboutForm : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void texts_data();
    void texts();
};

void tst_AboutForm::texts_data()
{
    QTest::addColumn<bool>("translated");
    QTest::addRow("built-in texts") << false;
    QTest::addRow("translated texts") << true;
}

void tst_AboutForm::texts()
{
    QFETCH(bool, translated);
    const QHash<QString, QString> texts{{"AboutForm.Caption", "О программе"},
                                        {"AboutForm.app_name", "Велмора"},
                                        {"AboutForm.app_version", "Версия %s"},
                                        {"AboutForm.copyright", "Все права защищены"}};
    const TFormTextLookup lookup = [&](const QString &w, const QString &k) {
        return translated ? texts.value(w + '.' + k) : QString();
    };
    TAboutForm f(nullptr, lookup);
    QVERIFY(!TAboutForm::Version().isEmpty());
    QCOMPARE(f.windowTitle(), translated ? QStringLiteral("О программе") : QStringLiteral("About"));
    QCOMPARE(f.LblAppName->text(), translated ? QStringLiteral("Велмора") : QStringLiteral("Velmora Monitor"));
    QCOMPARE(f.LblVersion->text(), (translated ? QStringLiteral("Версия ") : QStringLiteral("Version ")) + TAboutForm::Version());
    QVERIFY(!f.LblNotice->text().isEmpty());
    QCOMPARE(f.LblUrl->Url(), QUrl(TAboutForm::SiteUrl()));
    QCOMPARE(f.LblUrl->text(), TAboutForm::SiteUrl());
}

QTEST_MAIN(tst_AboutForm)
#include "tst_AboutForm.moc"
