#include "LoginForm.h"
#include "ZtFlash.h"
#include "common.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class tst_LoginForm : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    void settings(const QString &iniUser, const QString &confUser, const QString &pass, bool autologon = false,
                  const QString &timeout = QString())
    {
        QFile::remove(dir.filePath("settings.ini"));
        IniFile.Open(dir.filePath("settings.ini"));
        if (!iniUser.isEmpty())
            IniFile.WriteString("Login", "user", iniUser);
        Config.Clear();
        Config.SetVal("user", confUser);
        Config.SetVal("pass", pass);
        if (autologon)
            Config.SetVal("autologon", "1");
        if (!timeout.isEmpty())
            Config.SetVal("autologon_timeout", timeout);
    }

    static void showActive(QDialog &d)
    {
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir.isValid()); }
    void prefill_data();
    void prefill();
    void loginChecksFields_data();
    void loginChecksFields();
    void rememberMe_data();
    void rememberMe();
    void buttonsGiveResults_data();
    void buttonsGiveResults();
    void countdown_data();
    void countdown();
    void countdownDefaultsToTenSeconds();
    void idleTimeout();
    void showPassword();
};

void tst_LoginForm::prefill_data()
{
    QTest::addColumn<QString>("iniUser");
    QTest::addColumn<QString>("confUser");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("pass");
    QTest::addColumn<QString>("focus");
    QTest::addRow("same login in both: password filled") << "ann" << "ann" << "ann" << "pw" << "";
    QTest::addRow("settings login wins, password left empty") << "bob" << "ann" << "bob" << "" << "PassEdit";
    QTest::addRow("configuration login when settings have none") << "" << "ann" << "ann" << "pw" << "";
    QTest::addRow("no login anywhere") << "" << "" << "" << "" << "UserEdit";
}

void tst_LoginForm::prefill()
{
    QFETCH(QString, iniUser);
    QFETCH(QString, confUser);
    QFETCH(QString, user);
    QFETCH(QString, pass);
    QFETCH(QString, focus);
    settings(iniUser, confUser, "pw");
    TLoginForm f;
    QCOMPARE(f.windowTitle(), QStringLiteral("Velmora Login"));
    showActive(f);
    QCOMPARE(f.UserEdit->text(), user);
    QCOMPARE(f.PassEdit->text(), pass);
    QCOMPARE(f.PassEdit->echoMode(), QLineEdit::Password);
    if (!focus.isEmpty())
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QVERIFY(!f.CountingDown());
}

void tst_LoginForm::loginChecksFields_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("pass");
    QTest::addColumn<QString>("flashed"); // empty: accepted
    QTest::addRow("login of blanks") << "   " << "pw" << "UserEdit";
    QTest::addRow("empty login and password") << "" << "" << "UserEdit";
    QTest::addRow("password of blanks") << "ann" << "  " << "PassEdit";
    QTest::addRow("both filled, blanks trimmed") << " ann " << " pw " << "";
}

void tst_LoginForm::loginChecksFields()
{
    QFETCH(QString, user);
    QFETCH(QString, pass);
    QFETCH(QString, flashed);
    settings("", "", "");
    TLoginForm f;
    showActive(f);
    f.UserEdit->setText(user);
    f.PassEdit->setText(pass);
    QTest::mouseClick(f.ButLogin, Qt::LeftButton);
    if (flashed.isEmpty()) {
        QVERIFY(!f.isVisible());
        QCOMPARE(f.result(), int(TLoginForm::mrOk));
        QCOMPARE(f.User(), QStringLiteral("ann"));
        QCOMPARE(f.Password(), QStringLiteral("pw"));
        // The login is remembered in the settings file, on disk.
        TZtIniFile check(dir.filePath("settings.ini"));
        QCOMPARE(check.ReadString("Login", "user"), QStringLiteral("ann"));
        return;
    }
    QVERIFY(f.isVisible());
    QWidget *field = f.findChild<QWidget *>(flashed);
    QVERIFY(IsFlashRed(field));
    QCOMPARE(QApplication::focusWidget(), field);
    QTRY_VERIFY_WITH_TIMEOUT(!IsFlashRed(field), 2000);
    QVERIFY(f.isVisible());
    QVERIFY(TZtIniFile(dir.filePath("settings.ini")).ReadString("Login", "user").isEmpty());
}

void tst_LoginForm::rememberMe_data()
{
    QTest::addColumn<bool>("tick");
    QTest::addRow("ticked") << true;
    QTest::addRow("unticked") << false;
}

void tst_LoginForm::rememberMe()
{
    QFETCH(bool, tick);
    settings("ann", "ann", "pw");
    TLoginForm f;
    showActive(f);
    QVERIFY(!f.RememberMe());
    if (tick)
        QTest::mouseClick(f.CbRememberMe, Qt::LeftButton, {}, QPoint(5, f.CbRememberMe->height() / 2));
    QTest::mouseClick(f.ButLogin, Qt::LeftButton);
    QCOMPARE(f.result(), int(TLoginForm::mrOk));
    QCOMPARE(f.RememberMe(), tick);
}

void tst_LoginForm::buttonsGiveResults_data()
{
    QTest::addColumn<QString>("button"); // empty: Escape
    QTest::addColumn<int>("result");
    QTest::addRow("Sign Up continues") << "ButSignUp" << int(TLoginForm::mrContinue);
    QTest::addRow("Recover retries") << "ButRecover" << int(TLoginForm::mrRetry);
    QTest::addRow("Cancel") << "ButCancel" << int(TLoginForm::mrCancel);
    QTest::addRow("Escape cancels") << "" << int(TLoginForm::mrCancel);
}

void tst_LoginForm::buttonsGiveResults()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    settings("", "", "");
    TLoginForm f;
    showActive(f);
    // Results that are not OK do not remember anything.
    f.UserEdit->setText("ann");
    f.PassEdit->setText("pw");
    if (button.isEmpty())
        QTest::keyClick(f.UserEdit, Qt::Key_Escape);
    else
        QTest::mouseClick(f.findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(!f.isVisible());
    QCOMPARE(f.result(), result);
    QVERIFY(TZtIniFile(dir.filePath("settings.ini")).ReadString("Login", "user").isEmpty());
}

void tst_LoginForm::countdown_data()
{
    QTest::addColumn<QString>("clickOn"); // empty: let it run out
    QTest::addRow("runs out and signs in") << "";
    QTest::addRow("click into the login field stops it") << "UserEdit";
    QTest::addRow("click into the password field stops it") << "PassEdit";
    QTest::addRow("click on the background stops it") << "LoginForm";
}

void tst_LoginForm::countdown()
{
    QFETCH(QString, clickOn);
    settings("ann", "ann", "pw", true, "1");
    TLoginForm f;
    showActive(f);
    QVERIFY(f.CountingDown());
    QVERIFY(f.AutologonProgress->isVisible());
    QVERIFY(!f.CbRememberMe->isVisible());
    QCOMPARE(f.AutologonProgress->maximum(), 10);

    if (clickOn.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(!f.isVisible(), 3000);
        QCOMPARE(f.result(), int(TLoginForm::mrOk));
        QCOMPARE(f.AutologonProgress->value(), 0);
        QVERIFY(!Config.AsBool("autologon"));
        QCOMPARE(TZtIniFile(dir.filePath("settings.ini")).ReadString("Login", "User"), QStringLiteral("ann"));
        return;
    }
    QWidget *target = clickOn == u"LoginForm" ? static_cast<QWidget *>(&f) : f.findChild<QWidget *>(clickOn);
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(!f.CountingDown());
    QVERIFY(!f.AutologonProgress->isVisible());
    QVERIFY(f.CbRememberMe->isVisible());
    QTest::qWait(1300);
    QVERIFY(f.isVisible());
    QVERIFY(Config.AsBool("autologon"));
}

void tst_LoginForm::countdownDefaultsToTenSeconds()
{
    settings("ann", "ann", "pw", true);
    TLoginForm f;
    showActive(f);
    QVERIFY(f.CountingDown());
    QCOMPARE(f.AutologonProgress->maximum(), 100);
    const int start = f.AutologonProgress->value();
    QCOMPARE(start, 100);
    QTRY_VERIFY_WITH_TIMEOUT(f.AutologonProgress->value() <= 97, 2000);
    QVERIFY(f.isVisible());
    // Without a password there is nothing to sign in with, so no countdown.
    settings("ann", "ann", "", true);
    TLoginForm g;
    showActive(g);
    QVERIFY(!g.CountingDown());
}

void tst_LoginForm::idleTimeout()
{
    settings("", "", "");
    TLoginForm f;
    showActive(f);
    for (int i = 0; i < 100; ++i)
        f.IdleTimerTimer();
    QCOMPARE(f.IdleCount(), 100);
    // Typing in either field starts the count again.
    QTest::keyClick(f.PassEdit, Qt::Key_X);
    QCOMPARE(f.IdleCount(), 0);
    for (int i = 0; i < 100; ++i)
        f.IdleTimerTimer();
    QTest::keyClick(f.UserEdit, Qt::Key_Y);
    QCOMPARE(f.IdleCount(), 0);
    for (int i = 0; i < TLoginForm::MaxIdleSeconds; ++i)
        f.IdleTimerTimer();
    QVERIFY(f.isVisible());
    f.IdleTimerTimer(); // 181 seconds without typing
    QVERIFY(!f.isVisible());
    QCOMPARE(f.result(), int(TLoginForm::mrCancel));
}

void tst_LoginForm::showPassword()
{
    settings("ann", "ann", "secret");
    TLoginForm f;
    showActive(f);
    QCOMPARE(QChar(f.PassEdit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, f.PassEdit)),
             QChar('*'));
    f.UserEdit->setFocus();
    QTest::mouseClick(f.ShowPassButton, Qt::LeftButton);
    QCOMPARE(f.PassEdit->echoMode(), QLineEdit::Normal);
    QCOMPARE(QApplication::focusWidget(), f.PassEdit);
    QCOMPARE(f.PassEdit->cursorPosition(), 6);
    QTest::mouseClick(f.ShowPassButton, Qt::LeftButton);
    QCOMPARE(f.PassEdit->echoMode(), QLineEdit::Password);
}

QTEST_MAIN(tst_LoginForm)
#include "tst_LoginForm.moc"
