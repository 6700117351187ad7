#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TZtUrlLabel;

// Asks for an e-mail address, to register a new account or, in recovery
// mode, to have a new password sent. It does not call the service: the
// caller uses Email. OK when an acceptable address was entered.
class TSignupForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxIdleSeconds = 180;

    explicit TSignupForm(QWidget *parent = nullptr);

    // Recovery mode; set before showing.
    bool Recovery() const { return fRecovery; }
    void SetRecovery(bool value) { fRecovery = value; }
    QString Email() const;
    int IdleCount() const { return fIdleCount; }

    // An address is acceptable when its first "@" stands after the first
    // character and before the last one.
    static bool IsAcceptableEmail(const QString &email);

    TZtUrlLabel *ImgLogo = nullptr;
    QLabel *LblEmail = nullptr;
    QLineEdit *EdEmail = nullptr;
    QLabel *LblHelp = nullptr;
    QPushButton *ButCancel = nullptr;
    QPushButton *ButSignUp = nullptr;

    void done(int r) override;

public Q_SLOTS:
    void ButSignUpClick();
    void IdleTimerTimer();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();

    bool fActivated = false;
    int fIdleCount = 0;
    bool fRecovery = false;
    QTimer *fIdleTimer = nullptr;
};
