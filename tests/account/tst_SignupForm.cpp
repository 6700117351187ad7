#include "SignupForm.h"
#include "ZtFlash.h"
#include "common.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class tst_SignupForm : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    void writeFile(const QString &name, const QByteArray &text)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

private Q_SLOTS:
    void initTestCase();
    void addressCheck_data();
    void addressCheck();
    void registrationMode();
    void recoveryMode_data();
    void recoveryMode();
    void idleTimeout();
};

void tst_SignupForm::initTestCase()
{
    QVERIFY(dir.isValid());
    IniFile.Open(dir.filePath("settings.ini"));
    IniFile.WriteString("Login", "User", "kate@example.org");
}

void tst_SignupForm::addressCheck_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("accepted");
    QTest::addRow("one letter, at, one letter") << "a@b" << true;
    QTest::addRow("surrounding blanks trimmed") << "  kate@example.org " << true;
    QTest::addRow("begins with at") << "@example.org" << false;
    QTest::addRow("ends with at") << "kate@" << false;
    QTest::addRow("no at") << "kate.example.org" << false;
    QTest::addRow("blanks only") << "   " << false;
    QTest::addRow("first at counts") << "@a@b" << false;
}

void tst_SignupForm::addressCheck()
{
    QFETCH(QString, email);
    QFETCH(bool, accepted);
    QCOMPARE(TSignupForm::IsAcceptableEmail(email), accepted);

    TSignupForm f;
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.EdEmail->setText(email);
    QTest::mouseClick(f.ButSignUp, Qt::LeftButton);
    QCOMPARE(f.isVisible(), !accepted);
    if (accepted) {
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(f.Email(), email.trimmed());
    } else {
        QVERIFY(IsFlashRed(f.EdEmail));
        QCOMPARE(QApplication::focusWidget(), f.EdEmail);
    }
}

void tst_SignupForm::registrationMode()
{
    TSignupForm f;
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QCOMPARE(f.windowTitle(), QStringLiteral("Velmora Registration"));
    QCOMPARE(f.EdEmail->text(), QString());
    QCOMPARE(f.EdEmail->placeholderText(), QStringLiteral("Input email here"));
    QCOMPARE(QApplication::focusWidget(), f.EdEmail);
    QTest::keyClick(f.EdEmail, Qt::Key_Escape);
    QCOMPARE(f.result(), int(QDialog::Rejected));
}

void tst_SignupForm::recoveryMode_data()
{
    QTest::addColumn<bool>("translated");
    QTest::addRow("texts from the translation") << true;
    QTest::addRow("keys missing: a single blank") << false;
}

void tst_SignupForm::recoveryMode()
{
    QFETCH(bool, translated);
    writeFile("defaults.txt", "[Info]\nlang=English\n[Strings]\nok=OK\n");
    writeFile("en.txt", translated ? "[Info]\nlang=English\n[SignupForm]\nrecovery=Password recovery\n"
                                     "recovery_prompt=We will send a new password.\ndorecover=Recover\n"
                                   : "[Info]\nlang=English\n");
    Translation.Load(dir.filePath("en.txt"));
    Translation.LoadDefaults(dir.filePath("defaults.txt"));

    TSignupForm f;
    f.SetRecovery(true);
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QCOMPARE(f.EdEmail->text(), QStringLiteral("kate@example.org"));
    QCOMPARE(QApplication::focusWidget(), f.EdEmail);
    QCOMPARE(f.windowTitle(), translated ? QStringLiteral("Password recovery") : QStringLiteral(" "));
    QCOMPARE(f.LblHelp->text(), translated ? QStringLiteral("We will send a new password.") : QStringLiteral(" "));
    QCOMPARE(f.ButSignUp->text(), translated ? QStringLiteral("Recover") : QStringLiteral(" "));
    QTest::keyClick(f.EdEmail, Qt::Key_Return);
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QCOMPARE(f.Email(), QStringLiteral("kate@example.org"));
}

void tst_SignupForm::idleTimeout()
{
    TSignupForm f;
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    for (int i = 0; i < 150; ++i)
        f.IdleTimerTimer();
    QTest::keyClick(f.EdEmail, Qt::Key_A);
    QCOMPARE(f.IdleCount(), 0);
    for (int i = 0; i < TSignupForm::MaxIdleSeconds; ++i)
        f.IdleTimerTimer();
    QVERIFY(f.isVisible());
    f.IdleTimerTimer();
    QVERIFY(!f.isVisible());
    QCOMPARE(f.result(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_SignupForm)
#include "tst_SignupForm.moc"
