#include "SignupForm.h"

#include "AccountLogo.h"
#include "FormTranslate.h"
#include "ZtFlash.h"
#include "ZtUrlLabel.h"
#include "common.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TSignupForm::TSignupForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SignupForm"));
    setWindowTitle(QStringLiteral("Velmora Registration"));

    ImgLogo = CreateAccountLogo(this);
    LblEmail = new QLabel(QStringLiteral("Email:"), this);
    LblEmail->setObjectName(QStringLiteral("LblEmail"));
    EdEmail = new QLineEdit(this);
    EdEmail->setObjectName(QStringLiteral("EdEmail"));
    EdEmail->setPlaceholderText(QStringLiteral("Input email here"));
    LblEmail->setBuddy(EdEmail);
    LblHelp = new QLabel(QStringLiteral("Enter a valid email address and click the \"Sign Up\" button. We will send you a password."), this);
    LblHelp->setObjectName(QStringLiteral("LblHelp"));
    LblHelp->setWordWrap(true);
    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButSignUp = new QPushButton(QStringLiteral("Sign Up"), this);
    ButSignUp->setObjectName(QStringLiteral("ButSignUp"));
    ButSignUp->setDefault(true);

    auto *emailRow = new QHBoxLayout;
    emailRow->addWidget(LblEmail);
    emailRow->addWidget(EdEmail, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButSignUp);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(ImgLogo);
    lay->addLayout(emailRow);
    lay->addWidget(LblHelp);
    lay->addLayout(buttons);

    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButSignUp, &QPushButton::clicked, this, &TSignupForm::ButSignUpClick);
    connect(EdEmail, &QLineEdit::textEdited, this, [this] { fIdleCount = 0; });

    fIdleTimer = new QTimer(this);
    fIdleTimer->setInterval(1000);
    connect(fIdleTimer, &QTimer::timeout, this, &TSignupForm::IdleTimerTimer);

    TranslateForm(this);
    fIdleTimer->start();
}

QString TSignupForm::Email() const
{
    return EdEmail->text().trimmed();
}

bool TSignupForm::IsAcceptableEmail(const QString &email)
{
    const QString e = email.trimmed();
    const qsizetype at = e.indexOf(QLatin1Char('@'));
    return at > 0 && at < e.size() - 1;
}

void TSignupForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!fActivated) {
        fActivated = true;
        FormActivate();
    }
}

void TSignupForm::FormActivate()
{
    if (fRecovery) {
        EdEmail->setText(IniFile.ReadString(QStringLiteral("Login"), QStringLiteral("user")));
        const QString window = objectName();
        auto text = [&](const char *key) {
            const QString t = Translation.GetString(window, QString::fromLatin1(key), QStringLiteral(" "));
            return t.isEmpty() ? QStringLiteral(" ") : t;
        };
        setWindowTitle(text("recovery"));
        LblHelp->setText(text("recovery_prompt"));
        ButSignUp->setText(text("dorecover"));
    }
    EdEmail->setFocus();
}

void TSignupForm::ButSignUpClick()
{
    fIdleCount = 0;
    if (IsAcceptableEmail(EdEmail->text()))
        accept();
    else
        FlashControl(EdEmail);
}

void TSignupForm::IdleTimerTimer()
{
    if (++fIdleCount > MaxIdleSeconds)
        reject();
}

void TSignupForm::done(int r)
{
    fIdleTimer->stop();
    QDialog::done(r);
}
