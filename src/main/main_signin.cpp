// TMonitorMainWin: sign-in, registration, recovery and sign-out.

#include "main.h"
#include "OSM.ObjectInfo.h"

#include "EventsPanel.h"
#include "LoginForm.h"
#include "MonitorMap.h"
#include "ObjectsPanel.h"
#include "SignupForm.h"
#include "ZtMsgBox.h"
#include "client.h"
#include "RecordWindows.h"
#include "TracksPanel.h"
#include "TrapsPanel.h"
#include "ZonesPanel.h"

#include <QAction>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>

bool TMonitorMainWin::IsSignedIn() const { return fClient && !fClient->Token().isEmpty(); }

void TMonitorMainWin::UpdateUserMenu()
{
    const bool in = IsSignedIn();
    MenuSignIn->setEnabled(!in);
    MenuUserData->setEnabled(in);
    MenuSignOut->setEnabled(in);
}

void TMonitorMainWin::SignIn(bool Retry)
{
    if (IsSignedIn()) {
        Log(QStringLiteral("\rAPI token provided"));
        // A remembered token brings no user record: read it for the
        // account's time zone, which every time the program holds is in.
        {
            TWaitCursor wait;
            fClient->GetUser();
        }
        if (LoadObjects(0) < 0) {
            // The service refused the token: forget it and ask for credentials.
            DropRecordViews();
            fClient->Clear();
            UpdateUserMenu();
            SignIn(false);
        }
        return;
    }

    QString user, password;
    bool remember = false;
    int result = 0;
    {
        TLoginForm form(this);
        result = form.exec();
        user = form.User();
        password = form.Password();
        remember = form.RememberMe();
    }

    switch (result) {
    case TLoginForm::mrOk: {
        bool ok = false;
        {
            TWaitCursor wait;
            ok = fClient->Login(user, password);
        }
        // The password never reaches the log.
        LogFmt(QStringLiteral("\rLogin(%s,%s): %s"),
               {user, QStringLiteral("***"), ok ? QStringLiteral("success") : QStringLiteral("error")}, 3);
        if (ok) {
            // The token is a credential: its arrival is logged, never its value.
            Log(QStringLiteral("\rToken received"));
            if (remember)
                IniFile.WriteString(QStringLiteral("Login"), QStringLiteral("Token"), fClient->Token());
            ShowMsgFmt(QStringLiteral("hello"), {fClient->UserName()}, 5);
            UpdateUserMenu();
            Q_EMIT SignedIn();
            return;
        }
        if (fClient->ResultCode() == 406) {
            if (MessageBox(Tr(QStringLiteral("login")), Tr(QStringLiteral("login_error")), 0x33) == mbrYes) {
                SignUp(true);
                return;
            }
        }
        if (Retry)
            LoginTimer->start();
        break;
    }
    case TLoginForm::mrRetry:
        SignUp(true);
        break;
    case TLoginForm::mrContinue:
        SignUp(false);
        break;
    default:
        break;
    }
}

void TMonitorMainWin::SignUp(bool Recovery)
{
    QString email;
    {
        TSignupForm form(this);
        form.SetRecovery(Recovery);
        if (form.exec() != QDialog::Accepted)
            return;
        email = form.Email();
    }

    if (!Recovery) {
        LogFmt(QStringLiteral("\rTry register (%s) ..."), {email}, 1);
        bool ok = false;
        {
            TWaitCursor wait;
            ok = fClient->Reg(email);
        }
        LogFmt(QStringLiteral("\r  -> %d %s"), {fClient->ResultCode(), ok ? QStringLiteral("ok") : QStringLiteral("error")}, 2);
        if (ok) {
            MessageBox(Tr(QStringLiteral("signup")), TrFmt(QStringLiteral("signup_success"), {email}), 0x40);
            IniFile.WriteString(QStringLiteral("Login"), QStringLiteral("user"), email);
            LoginTimer->start();
            return;
        }
        if (fClient->ResultCode() != 409)
            return;
        if (MessageBox(Tr(QStringLiteral("signup")), TrFmt(QStringLiteral("signup_user_exists"), {email}), 0x23) != mbrYes)
            return;
    }

    LogFmt(QStringLiteral("\rTry recovery (%s) ..."), {email}, 1);
    bool ok = false;
    {
        TWaitCursor wait;
        ok = fClient->Recovery(email);
    }
    Log(QStringLiteral("\r  -> ") + (ok ? QStringLiteral("ok") : QStringLiteral("error")));
    if (ok) {
        MessageBox(Tr(QStringLiteral("recovery")), TrFmt(QStringLiteral("recovery_success"), {email}), 0x40);
        IniFile.WriteString(QStringLiteral("Login"), QStringLiteral("user"), email);
        LoginTimer->start();
        return;
    }
    const QString reason = fClient->ResultCode() == 406 ? TrFmt(QStringLiteral("user_not_found"), {email})
                                                        : TrFmt(QStringLiteral("error"), {fClient->ErrorMessage()});
    ShowMessagePanel(Tr(QStringLiteral("recovery_error")) + QStringLiteral(": ") + reason + u'.', 3);
}

void TMonitorMainWin::SignOut()
{
    StoreSelectedUid();
    UpdateTimer->stop();
    // Nothing queued may run on the records about to go, and no window may
    // keep showing one.
    DropRecordViews();
    IniFile.WriteString(QStringLiteral("Login"), QStringLiteral("Token"), QString());
    // A user who signed out by hand is not signed straight back in: the
    // sign-in dialog waits for him.
    Config.SetAsBool(QStringLiteral("autologon"), false);
    fClient->Clear();
    LoginTimer->start();
    UpdateUserMenu();
}

void TMonitorMainWin::StoreSelectedUid()
{
    if (const TObjectInfo *obj = SelectedObject())
        IniFile.WriteInteger(QStringLiteral("Main"), QStringLiteral("SelectedUid"), obj->uid);
}

void TMonitorMainWin::closeEvent(QCloseEvent *event)
{
    // FormCloseQuery: remember the selection and allow the close.
    StoreSelectedUid();
    QMainWindow::closeEvent(event);
}

void TMonitorMainWin::MenuSignInClick() { SignIn(false); }
void TMonitorMainWin::MenuSignUpClick() { SignUp(false); }
void TMonitorMainWin::MenuSignOutClick() { SignOut(); }
void TMonitorMainWin::SbExitClick() { SignOut(); }

void TMonitorMainWin::DropRecordViews()
{
    fTaskQueue.clear();
    fRecordWindows->AllFreed();
    // Markers and rows refer to the client's records: drop them first.
    ClearObjectMarks();
    if (fMap) {
        fMap->ClearTracks();
        fMap->SetZones(nullptr);
    }
    EventsPanel->Clear();
    ObjectsPanel->Clear();
    TracksPanel->Clear();
    ZonesPanel->Clear();
    TrapsPanel->Clear();
}
