#include "LoginForm.h"

#include "AccountLogo.h"
#include "FormTranslate.h"
#include "ZtFlash.h"
#include "ZtUrlLabel.h"
#include "common.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

TLoginForm::TLoginForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(QStringLiteral("Velmora Login"));

    ImgLogo = CreateAccountLogo(this);
    LblUser = new QLabel(QStringLiteral("Login:"), this);
    LblUser->setObjectName(QStringLiteral("LblUser"));
    UserEdit = new QLineEdit(this);
    UserEdit->setObjectName(QStringLiteral("UserEdit"));
    LblPass = new QLabel(QStringLiteral("Password:"), this);
    LblPass->setObjectName(QStringLiteral("LblPass"));
    PassEdit = new QLineEdit(this);
    PassEdit->setObjectName(QStringLiteral("PassEdit"));
    PassEdit->setEchoMode(QLineEdit::Password);
    PassEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // masked with "*"
    ShowPassButton = new QToolButton(this);
    ShowPassButton->setObjectName(QStringLiteral("ShowPassButton"));
    ShowPassButton->setText(QStringLiteral("*"));
    ShowPassButton->setFocusPolicy(Qt::NoFocus);
    LblUser->setBuddy(UserEdit);
    LblPass->setBuddy(PassEdit);

    // "Remember me" and the countdown bar share one place.
    auto *rememberPlace = new QStackedWidget(this);
    CbRememberMe = new QCheckBox(QStringLiteral("Remember me"), rememberPlace);
    CbRememberMe->setObjectName(QStringLiteral("CbRememberMe"));
    AutologonProgress = new QProgressBar(rememberPlace);
    AutologonProgress->setObjectName(QStringLiteral("AutologonProgress"));
    AutologonProgress->setTextVisible(false);
    rememberPlace->addWidget(CbRememberMe);
    rememberPlace->addWidget(AutologonProgress);
    rememberPlace->setFixedHeight(CbRememberMe->sizeHint().height());
    AutologonProgress->hide();

    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButLogin = new QPushButton(QStringLiteral("Login"), this);
    ButLogin->setObjectName(QStringLiteral("ButLogin"));
    ButLogin->setDefault(true);
    ButSignUp = new QPushButton(QStringLiteral("Sign Up"), this);
    ButSignUp->setObjectName(QStringLiteral("ButSignUp"));
    ButRecover = new QPushButton(QStringLiteral("Recover"), this);
    ButRecover->setObjectName(QStringLiteral("ButRecover"));

    auto *grid = new QGridLayout;
    grid->addWidget(LblUser, 0, 0);
    grid->addWidget(UserEdit, 0, 1, 1, 2);
    grid->addWidget(LblPass, 1, 0);
    grid->addWidget(PassEdit, 1, 1);
    grid->addWidget(ShowPassButton, 1, 2);
    grid->addWidget(rememberPlace, 2, 1, 1, 2);
    auto *row1 = new QHBoxLayout;
    row1->addStretch();
    row1->addWidget(ButCancel);
    row1->addWidget(ButLogin);
    auto *row2 = new QHBoxLayout;
    row2->addStretch();
    row2->addWidget(ButSignUp);
    row2->addWidget(ButRecover);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(ImgLogo);
    lay->addLayout(grid);
    lay->addLayout(row1);
    lay->addLayout(row2);

    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButLogin, &QPushButton::clicked, this, &TLoginForm::ButLoginClick);
    connect(ButSignUp, &QPushButton::clicked, this, &TLoginForm::ButSignUpClick);
    connect(ButRecover, &QPushButton::clicked, this, &TLoginForm::ButRecoverClick);
    connect(ShowPassButton, &QToolButton::clicked, this, &TLoginForm::ShowPassButtonClick);
    connect(UserEdit, &QLineEdit::textEdited, this, [this] { fIdleCount = 0; });
    connect(PassEdit, &QLineEdit::textEdited, this, [this] { fIdleCount = 0; });
    UserEdit->installEventFilter(this);
    PassEdit->installEventFilter(this);

    fIdleTimer = new QTimer(this);
    fIdleTimer->setInterval(1000);
    connect(fIdleTimer, &QTimer::timeout, this, &TLoginForm::IdleTimerTimer);
    fAutologonTimer = new QTimer(this);
    fAutologonTimer->setInterval(100);
    connect(fAutologonTimer, &QTimer::timeout, this, &TLoginForm::AutologonTimerTimer);

    TranslateForm(this);

    fIdleCount = 0;
    QString user = IniFile.ReadString(QStringLiteral("Login"), QStringLiteral("user"));
    const QString confUser = Config.GetVal(QStringLiteral("user"));
    if (user.isEmpty())
        user = confUser;
    UserEdit->setText(user);
    if (!user.isEmpty() && user == confUser)
        PassEdit->setText(Config.GetVal(QStringLiteral("pass")));
    fIdleTimer->start();
}

QString TLoginForm::User() const
{
    return UserEdit->text().trimmed();
}

QString TLoginForm::Password() const
{
    return PassEdit->text().trimmed();
}

bool TLoginForm::RememberMe() const
{
    return CbRememberMe->isChecked();
}

bool TLoginForm::CountingDown() const
{
    return fAutologonTimer->isActive();
}

void TLoginForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!fActivated) {
        fActivated = true;
        FormActivate();
    }
}

void TLoginForm::FormActivate()
{
    if (User().isEmpty())
        UserEdit->setFocus();
    else if (Password().isEmpty())
        PassEdit->setFocus();
    else if (Config.AsBool(QStringLiteral("autologon")))
        StartCountdown();
}

void TLoginForm::StartCountdown()
{
    fIdleCount = 0;
    const int steps = int(qMax<qint64>(0, Config.Get(QStringLiteral("autologon_timeout"), qint64(10))) * 10);
    AutologonProgress->setRange(0, qMax(1, steps));
    AutologonProgress->setValue(steps);
    CbRememberMe->hide();
    AutologonProgress->show();
    qobject_cast<QStackedWidget *>(AutologonProgress->parentWidget())->setCurrentWidget(AutologonProgress);
    fAutologonTimer->start();
}

void TLoginForm::StopCountdown()
{
    fAutologonTimer->stop();
    AutologonProgress->hide();
    CbRememberMe->show();
    qobject_cast<QStackedWidget *>(CbRememberMe->parentWidget())->setCurrentWidget(CbRememberMe);
}

void TLoginForm::AutologonTimerTimer()
{
    fIdleCount = 0;
    const int next = qMax(0, AutologonProgress->value() - 1);
    AutologonProgress->setValue(next);
    if (next > 0)
        return;
    StopCountdown();
    // A failed automatic sign-in must not repeat by itself.
    Config.SetAsBool(QStringLiteral("autologon"), false);
    ButLoginClick();
}

void TLoginForm::ButLoginClick()
{
    if (User().isEmpty()) {
        FlashControl(UserEdit);
        return;
    }
    if (Password().isEmpty()) {
        FlashControl(PassEdit);
        return;
    }
    IniFile.WriteString(QStringLiteral("Login"), QStringLiteral("User"), User());
    accept();
}

void TLoginForm::done(int r)
{
    fIdleTimer->stop();
    fAutologonTimer->stop();
    QDialog::done(r);
}

void TLoginForm::ShowPassButtonClick()
{
    PassEdit->setFocus();
    PassEdit->setEchoMode(PassEdit->echoMode() == QLineEdit::Password ? QLineEdit::Normal : QLineEdit::Password);
    PassEdit->end(false);
}

void TLoginForm::IdleTimerTimer()
{
    if (++fIdleCount > MaxIdleSeconds)
        reject();
}

void TLoginForm::mousePressEvent(QMouseEvent *event)
{
    StopCountdown();
    QDialog::mousePressEvent(event);
}

bool TLoginForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && (watched == UserEdit || watched == PassEdit))
        StopCountdown();
    return QDialog::eventFilter(watched, event);
}
