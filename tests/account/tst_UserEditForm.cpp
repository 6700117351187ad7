#include "RichHintForm.h"
#include "UserEditForm.h"
#include "ZtLed.h"
#include "common.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

class tst_UserEditForm : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    static TUserInfo Ann()
    {
        TUserInfo u;
        u.Uid = 42;
        u.Login = "ann@example.org";
        u.ApiToken = "tok-1";
        u.Name = "Ann";
        u.Email = "ann@example.org";
        u.TgChatId = 123456789012LL;
        u.TimeZone = 10800 / 86400.0;
        return u;
    }

    void writeFile(const QString &name, const QByteArray &text)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

private Q_SLOTS:
    void initTestCase();
    void fillsFromRecord_data();
    void fillsFromRecord();
    void okWithoutChanges();
    void returnsOnlyChangedFields_data();
    void returnsOnlyChangedFields();
    void keepsRecordCurrent();
    void helpPopup();
    void showPassword();
};

void tst_UserEditForm::initTestCase()
{
    QVERIFY(dir.isValid());
    writeFile("defaults.txt", "[Info]\nlang=English\n[Strings]\nok=OK\n");
    writeFile("en.txt", "[Info]\nlang=English\n[UserEditForm]\nuser_info=User Info [%d]\n"
                        "tg_chat_id_howto=Ask the bot\\nfor your chat ID\n");
    Translation.Load(dir.filePath("en.txt"));
    Translation.LoadDefaults(dir.filePath("defaults.txt"));
}

void tst_UserEditForm::fillsFromRecord_data()
{
    QTest::addColumn<double>("timeZoneDays");
    QTest::addColumn<QString>("tzItem");
    QTest::addRow("three hours east") << 0.125 << "UTC+03:00";
    QTest::addRow("five hours west") << -5 / 24.0 << "UTC-05:00";
    QTest::addRow("half hour zone") << 330 / 1440.0 << "UTC+05:30";
    QTest::addRow("within a thousandth of a day") << 0.1255 << "UTC+03:00";
}

void tst_UserEditForm::fillsFromRecord()
{
    QFETCH(double, timeZoneDays);
    QFETCH(QString, tzItem);
    TUserInfo u = Ann();
    u.TimeZone = timeZoneDays;
    TUserEditForm f;
    f.LoadUser(u);
    QCOMPARE(f.windowTitle(), QStringLiteral("User Info [42]"));
    QCOMPARE(f.EdLogin->text(), u.Login);
    QVERIFY(f.EdLogin->isReadOnly());
    QCOMPARE(f.EdToken->text(), QStringLiteral("tok-1"));
    QVERIFY(f.EdToken->isReadOnly());
    QCOMPARE(f.EdName->text(), QStringLiteral("Ann"));
    QCOMPARE(f.EdTgChatId->text(), QStringLiteral("123456789012"));
    QCOMPARE(f.EdPassword->text(), QString());
    QCOMPARE(f.EdPassword->echoMode(), QLineEdit::Password);
    QCOMPARE(f.CbTimeZone->currentText(), tzItem);
    QCOMPARE(f.LedList().size(), 5);
    QVERIFY(!f.Modified());
}

void tst_UserEditForm::okWithoutChanges()
{
    TUserEditForm f;
    QTimer::singleShot(0, [] {
        auto *d = qobject_cast<TUserEditForm *>(QApplication::activeModalWidget());
        QVERIFY(d);
        QTest::mouseClick(d->ButOk, Qt::LeftButton);
    });
    QVERIFY(f.EditUser(Ann()));
    QVERIFY(!f.Modified());
    QVERIFY(f.Fields().isEmpty());

    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    QVERIFY(!f.EditUser(Ann()));
}

void tst_UserEditForm::returnsOnlyChangedFields_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("key"); // empty: nothing returned although changed
    QTest::addColumn<QString>("value");
    QTest::addRow("name trimmed") << "EdName" << "  Anna  " << "name" << "Anna";
    QTest::addRow("email") << "EdEmail" << "anna@example.org" << "email" << "anna@example.org";
    QTest::addRow("chat ID emptied: 0") << "EdTgChatId" << "" << "t_chat_id" << "0";
    QTest::addRow("chat ID takes digits only") << "EdTgChatId" << "12ab3" << "t_chat_id" << "123";
    QTest::addRow("password trimmed") << "EdPassword" << " s3cret " << "password" << "s3cret";
    QTest::addRow("password typed and erased: not sent") << "EdPassword" << "" << "" << "";
    QTest::addRow("UTC+03:00: 10800 seconds") << "CbTimeZone" << "UTC+03:00" << "tz" << "10800";
    QTest::addRow("UTC-05:00: -18000 seconds") << "CbTimeZone" << "UTC-05:00" << "tz" << "-18000";
    QTest::addRow("UTC+05:45: 20700 seconds") << "CbTimeZone" << "UTC+05:45" << "tz" << "20700";
}

void tst_UserEditForm::returnsOnlyChangedFields()
{
    QFETCH(QString, control);
    QFETCH(QString, input);
    QFETCH(QString, key);
    QFETCH(QString, value);
    TUserInfo u = Ann();
    u.TimeZone = 0;
    TUserEditForm f;
    f.LoadUser(u);
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QWidget *w = f.findChild<QWidget *>(control);
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        const int index = combo->findText(input);
        QVERIFY(index >= 0);
        combo->setCurrentIndex(index);
    } else {
        auto *edit = qobject_cast<QLineEdit *>(w);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_X); // so that erasing is a change too
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, input);
    }
    QTest::mouseClick(f.ButOk, Qt::LeftButton);
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QVERIFY(f.Modified());
    const TFieldEditForm::TFields expected =
        key.isEmpty() ? TFieldEditForm::TFields{} : TFieldEditForm::TFields{{key, value}};
    QCOMPARE(f.Fields(), expected);
}

void tst_UserEditForm::keepsRecordCurrent()
{
    TUserEditForm f;
    f.LoadUser(Ann());
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.EdName->selectAll();
    QTest::keyClicks(f.EdName, "Bo");
    f.EdTgChatId->selectAll();
    QTest::keyClicks(f.EdTgChatId, "77");
    QCOMPARE(f.UserInfo.Name, QStringLiteral("Bo"));
    QCOMPARE(f.UserInfo.TgChatId, 77);
    QCOMPARE(f.SrcUserInfo.Name, QStringLiteral("Ann"));
    QCOMPARE(f.SrcUserInfo.TgChatId, 123456789012LL);
    const TFieldEditForm::TFields expected{{"name", "Bo"}, {"t_chat_id", "77"}};
    QCOMPARE(f.Fields(), expected);
}

void tst_UserEditForm::helpPopup()
{
    TUserEditForm f;
    f.LoadUser(Ann());
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QTest::mouseClick(f.SbTgChatIdHelp, Qt::LeftButton);
    QPointer<TRichHintForm> hint = f.findChild<TRichHintForm *>();
    QVERIFY(hint);
    QTRY_VERIFY(hint->isVisible());
    // Backslash escapes of the translation are resolved.
    QCOMPARE(hint->Text(), QStringLiteral("Ask the bot\nfor your chat ID"));
    QCOMPARE(hint->pos(), f.SbTgChatIdHelp->mapToGlobal(QPoint(0, 0)));
    QTest::keyClick(hint.data(), Qt::Key_Space);
    QTRY_VERIFY(hint.isNull());
    QVERIFY(f.isVisible());
    QVERIFY(!f.Modified());
}

void tst_UserEditForm::showPassword()
{
    TUserEditForm f;
    f.LoadUser(Ann());
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.EdPassword->setText("abc");
    f.EdName->setFocus();
    QTest::mouseClick(f.SbShowPass, Qt::LeftButton);
    QCOMPARE(f.EdPassword->echoMode(), QLineEdit::Normal);
    QCOMPARE(QApplication::focusWidget(), f.EdPassword);
    QCOMPARE(f.EdPassword->cursorPosition(), 3);
    QTest::mouseClick(f.SbShowPass, Qt::LeftButton);
    QCOMPARE(f.EdPassword->echoMode(), QLineEdit::Password);
}

QTEST_MAIN(tst_UserEditForm)
#include "tst_UserEditForm.moc"
