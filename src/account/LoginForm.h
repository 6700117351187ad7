#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class TZtUrlLabel;

// The sign-in dialog: login and password, "Remember me", the automatic
// sign-in countdown, and the ways to sign up and to recover a password. It
// does not call the service: the caller signs in with User and Password.
//
// Reads the settings file's [Login] user and the configuration values user,
// pass, autologon and autologon_timeout; writes [Login] User on "Login" and
// sets autologon to false when its countdown completes.
class TLoginForm : public QDialog
{
    Q_OBJECT
public:
    // Modal results (the caller's switch): OK signs in, Continue opens the
    // registration, Retry the recovery; Cancel (Rejected) does nothing.
    enum TModalResult { mrCancel = QDialog::Rejected, mrOk = QDialog::Accepted, mrRetry = 4, mrContinue = 11 };
    // Seconds without typing after which the dialog closes by itself.
    static constexpr int MaxIdleSeconds = 180;

    explicit TLoginForm(QWidget *parent = nullptr);

    QString User() const;
    QString Password() const;
    bool RememberMe() const;

    int IdleCount() const { return fIdleCount; }
    bool CountingDown() const;

    QLabel *LblUser = nullptr;
    QLineEdit *UserEdit = nullptr;
    QLabel *LblPass = nullptr;
    QLineEdit *PassEdit = nullptr;
    QToolButton *ShowPassButton = nullptr;
    QCheckBox *CbRememberMe = nullptr;
    QProgressBar *AutologonProgress = nullptr;
    QPushButton *ButCancel = nullptr;
    QPushButton *ButLogin = nullptr;
    QPushButton *ButSignUp = nullptr;
    QPushButton *ButRecover = nullptr;
    TZtUrlLabel *ImgLogo = nullptr;

public Q_SLOTS:
    void ButLoginClick();
    void ButSignUpClick() { done(mrContinue); }
    void ButRecoverClick() { done(mrRetry); }
    void ShowPassButtonClick();
    // One tick of the one-second idle timer.
    void IdleTimerTimer();
    // One step (100 ms) of the automatic sign-in countdown.
    void AutologonTimerTimer();
    void StartCountdown();
    void StopCountdown();

    // Also stops the timers, so that a closed dialog keeps its result.
    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormActivate();

    bool fActivated = false;
    int fIdleCount = 0;
    QTimer *fIdleTimer = nullptr;
    QTimer *fAutologonTimer = nullptr;
};
