#include "AboutForm.h"
#include "LoginForm.h"
#include "SettingsEditForm.h"
#include "SignupForm.h"
#include "TestPaths.h"
#include "UserEditForm.h"
#include "translate.h"

#include <QFile>
#include <QtTest>

#include <memory>

// The window keys in the built-in texts for these windows must name controls that exist:
// a misspelt key or a renamed control would silently leave a text
// untranslated.
class tst_WindowKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keysNameControls_data();
    void keysNameControls();
};

void tst_WindowKeys::keysNameControls_data()
{
    QTest::addColumn<QString>("window");
    for (const char *w : {"LoginForm", "SignupForm", "UserEditForm", "SettingsEditForm", "AboutForm"})
        QTest::addRow("%s", w) << QString::fromLatin1(w);
}

void tst_WindowKeys::keysNameControls()
{
    QFETCH(QString, window);
    QFile f(TestPaths::sourceDir() + "/translations/defaults.txt");
    QVERIFY(f.open(QIODevice::ReadOnly));
    TZtHash keys;
    ParseTranslationEntries(TranslationSectionText(QString::fromUtf8(f.readAll()), window), keys);
    QVERIFY(keys.Count() > 2);

    std::unique_ptr<QWidget> form;
    if (window == u"LoginForm")
        form = std::make_unique<TLoginForm>();
    else if (window == u"SignupForm")
        form = std::make_unique<TSignupForm>();
    else if (window == u"UserEditForm")
        form = std::make_unique<TUserEditForm>();
    else if (window == u"SettingsEditForm")
        form = std::make_unique<TSettingsEditForm>();
    else
        form = std::make_unique<TAboutForm>();
    QCOMPARE(form->objectName(), window);
    QCOMPARE(form->windowTitle(), keys.GetVal("Caption"));

    static const QStringList suffixes{"_text", "_hint", "_texthint", "_items", "_columns"};
    for (int i = 0; i < keys.Count(); ++i) {
        const QString key = keys.Key(i);
        if (key == u"Caption")
            continue;
        QString control;
        for (const QString &s : suffixes)
            if (key.endsWith(s))
                control = key.left(key.size() - s.size());
        QVERIFY2(!control.isEmpty(), qPrintable(key));
        QVERIFY2(form->findChild<QWidget *>(control), qPrintable(window + "." + key));
    }
}

QTEST_MAIN(tst_WindowKeys)
#include "tst_WindowKeys.moc"
