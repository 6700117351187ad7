#include "UserEditForm.h"

#include "FormTranslate.h"
#include "RichHintForm.h"
#include "TimeZoneList.h"
#include "ZtLed.h"
#include "ZtSmallUtils.h"
#include "common.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

TUserEditForm::TUserEditForm(QWidget *parent)
    : TFieldEditForm(parent)
{
    setObjectName(QStringLiteral("UserEditForm"));
    setWindowTitle(QStringLiteral("User Info"));

    auto edit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    LblLogin = NewLabel("LblLogin", QStringLiteral("Login:"));
    EdLogin = edit("EdLogin");
    EdLogin->setReadOnly(true);
    LblToken = NewLabel("LblToken", QStringLiteral("API token:"));
    EdToken = edit("EdToken");
    EdToken->setReadOnly(true);
    LblName = NewLabel("LblName", QStringLiteral("Name:"));
    EdName = edit("EdName");
    LblEmail = NewLabel("LblEmail", QStringLiteral("Email:"));
    EdEmail = edit("EdEmail");
    LblTgChatId = NewLabel("LblTgChatId", QStringLiteral("Telegram chat ID:"));
    EdTgChatId = edit("EdTgChatId");
    EdTgChatId->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,19}")), EdTgChatId));
    SbTgChatIdHelp = new QToolButton(this);
    SbTgChatIdHelp->setObjectName(QStringLiteral("SbTgChatIdHelp"));
    SbTgChatIdHelp->setText(QStringLiteral("?"));
    LblPassword = NewLabel("LblPassword", QStringLiteral("Password:"));
    EdPassword = edit("EdPassword");
    EdPassword->setEchoMode(QLineEdit::Password);
    EdPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // masked with "*"
    SbShowPass = new QToolButton(this);
    SbShowPass->setObjectName(QStringLiteral("SbShowPass"));
    SbShowPass->setText(QStringLiteral("*"));
    SbShowPass->setFocusPolicy(Qt::NoFocus);
    LblTimeZone = NewLabel("LblTimeZone", QStringLiteral("Time zone:"));
    CbTimeZone = new QComboBox(this);
    CbTimeZone->setObjectName(QStringLiteral("CbTimeZone"));

    TZtLed *ledName = AddLed(QStringLiteral("name"), QStringLiteral("LedName"), EdName);
    TZtLed *ledEmail = AddLed(QStringLiteral("email"), QStringLiteral("LedEmail"), EdEmail);
    TZtLed *ledChat = AddLed(QStringLiteral("t_chat_id"), QStringLiteral("LedTgChatId"), EdTgChatId);
    TZtLed *ledPass = AddLed(QStringLiteral("password"), QStringLiteral("LedPassword"), EdPassword);
    TZtLed *ledTz = AddLed(QStringLiteral("tz"), QStringLiteral("LedTimeZone"), CbTimeZone);

    NewButtons(ButCancel, ButOk);

    auto *grid = new QGridLayout;
    auto addRow = [grid](int row, QWidget *led, QWidget *lbl, QWidget *field, QWidget *button = nullptr) {
        if (led)
            grid->addWidget(led, row, 0);
        grid->addWidget(lbl, row, 1);
        grid->addWidget(field, row, 2, 1, button ? 1 : 2);
        if (button)
            grid->addWidget(button, row, 3);
    };
    addRow(0, nullptr, LblLogin, EdLogin);
    addRow(1, nullptr, LblToken, EdToken);
    addRow(2, ledName, LblName, EdName);
    addRow(3, ledEmail, LblEmail, EdEmail);
    addRow(4, ledChat, LblTgChatId, EdTgChatId, SbTgChatIdHelp);
    addRow(5, ledPass, LblPassword, EdPassword, SbShowPass);
    addRow(6, ledTz, LblTimeZone, CbTimeZone);
    grid->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButOk);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addLayout(buttons);
    setMinimumWidth(420);

    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(SbTgChatIdHelp, &QToolButton::clicked, this, &TUserEditForm::SbTgChatIdHelpClick);
    connect(SbShowPass, &QToolButton::clicked, this, &TUserEditForm::SbShowPassClick);
    connect(EdName, &QLineEdit::textEdited, this, [this](const QString &t) { UserInfo.Name = t.trimmed(); });
    connect(EdEmail, &QLineEdit::textEdited, this, [this](const QString &t) { UserInfo.Email = t.trimmed(); });
    connect(EdTgChatId, &QLineEdit::textEdited, this, [this](const QString &t) { UserInfo.TgChatId = t.trimmed().toLongLong(); });

    TranslateForm(this);
}

void TUserEditForm::LoadUser(const TUserInfo &aUserInfo)
{
    SrcUserInfo.Assign(aUserInfo);
    UserInfo.Assign(aUserInfo);
    const QString caption = Translation.GetString(objectName(), QStringLiteral("user_info"), QStringLiteral(" "),
                                                  QVariantList{aUserInfo.Uid});
    if (!caption.trimmed().isEmpty())
        setWindowTitle(caption);
    EdLogin->setText(aUserInfo.Login);
    EdToken->setText(aUserInfo.ApiToken);
    EdName->setText(aUserInfo.Name);
    EdEmail->setText(aUserInfo.Email);
    EdTgChatId->setText(QString::number(aUserInfo.TgChatId));
    EdPassword->clear();
    FillTimeZones(CbTimeZone, TTimeZoneList::Build());
    CbTimeZone->setCurrentIndex(TTimeZoneList::IndexOfDays(fTimeZones, aUserInfo.TimeZone));
    SwitchLedsOff();
}

bool TUserEditForm::EditUser(const TUserInfo &aUserInfo)
{
    LoadUser(aUserInfo);
    return exec() == QDialog::Accepted;
}

QString TUserEditForm::FieldValue(const QString &key) const
{
    if (key == u"name")
        return EdName->text().trimmed();
    if (key == u"email")
        return EdEmail->text().trimmed();
    if (key == u"t_chat_id") {
        bool ok = false;
        const qint64 id = EdTgChatId->text().trimmed().toLongLong(&ok);
        return QString::number(ok ? id : 0);
    }
    if (key == u"password")
        return EdPassword->text().trimmed();
    if (key == u"tz")
        return QString::number(qint64(TTimeZoneList::EntryValue(CbTimeZone->currentText())) * 60);
    return QString();
}

bool TUserEditForm::FieldIncluded(const QString &key) const
{
    return key != u"password" || !EdPassword->text().trimmed().isEmpty();
}

void TUserEditForm::SbTgChatIdHelpClick()
{
    QString text = Translation.GetString(objectName(), QStringLiteral("tg_chat_id_howto"), QStringLiteral(" "));
    if (text.isEmpty())
        text = QStringLiteral(" ");
    TRichHintForm::Popup(UnescapeStr(text), SbTgChatIdHelp->mapToGlobal(QPoint(0, 0)), this);
}

void TUserEditForm::SbShowPassClick()
{
    EdPassword->setFocus();
    EdPassword->setEchoMode(EdPassword->echoMode() == QLineEdit::Password ? QLineEdit::Normal : QLineEdit::Password);
    EdPassword->end(false);
}
