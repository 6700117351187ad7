// TMonitorMainWin: the "User", "Settings" and "Help" menus.

#include "main.h"

#include "AboutForm.h"
#include "MonitorMap.h"
#include "client.h"
#include "SecretNames.h"
#include "TripsPanel.h"

#include "SettingsEditForm.h"
#include "UserEditForm.h"

#include <QAction>
#include <QKeySequence>
#include <QTimer>

#include <functional>

void TMonitorMainWin::BuildShortcuts()
{
    const struct
    {
        const char *name;
        QList<QKeySequence> keys;
        std::function<void()> run;
    } shortcuts[] = {
        {"ActUpdateNow", {QKeySequence(Qt::Key_F5)}, [this] { UpdateNow(); }},
        {"ActQuit", {QKeySequence(Qt::CTRL | Qt::Key_Q)}, [this] { close(); }},
        // Ctrl+"=" is Ctrl+plus without Shift on most keyboards.
        {"ActZoomIn", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         [this] {
             if (fMap)
                 fMap->ZoomBy(1);
         }},
        {"ActZoomOut", {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
         [this] {
             if (fMap)
                 fMap->ZoomBy(-1);
         }},
    };
    for (const auto &s : shortcuts) {
        auto *a = new QAction(this);
        a->setObjectName(QString::fromLatin1(s.name));
        a->setShortcuts(s.keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, s.run);
        addAction(a);
    }
}

void TMonitorMainWin::UpdateNow()
{
    if (UpdateTimer->isActive() && !fUpdateHeld)
        UpdateTimer->start(UpdateInterval());
    UpdateObjects();
    RefreshEvents();
}

void TMonitorMainWin::MenuUserDataClick() { EditUserData(); }
void TMonitorMainWin::MenuEditSettingsClick() { OpenSettings(); }
void TMonitorMainWin::MenuAboutClick() { ShowAbout(); }

void TMonitorMainWin::MenuUserTripsClick() { OpenTrips(); }
void TMonitorMainWin::OpenTrips() { TripsPanel->OpenTrips(); }

void TMonitorMainWin::EditUserData()
{
    if (!IsSignedIn()) {
        ShowMsg(QStringLiteral("not_logged_in"), 3);
        return;
    }
    if (fClient->UserInfo().Uid == 0) {
        Log(QStringLiteral("\rGet user info ..."));
        bool ok = false;
        {
            TWaitCursor wait;
            ok = fClient->GetUser();
        }
        LogFmt(QStringLiteral("\r  -> %s"), {ok ? QStringLiteral("ok") : QStringLiteral("error")}, 1);
        if (!ok)
            return;
    }
    Log(QStringLiteral("\rEdit user info ..."));
    TUserEditForm form(this);
    if (!form.EditUser(fClient->UserInfo())) {
        Log(QStringLiteral("\r  -> cancel"));
        return;
    }
    if (!form.Modified()) {
        Log(QStringLiteral("\r  -> no changes"));
        return;
    }
    const TFieldMap fields = form.Fields();
    if (fields.isEmpty()) {
        Log(QStringLiteral("\r  -> no fields"));
        return;
    }
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        // A new password is sent, never logged.
        Log(QStringLiteral("\r  ") + it.key() + u'=' + ValueForLog(it.key(), it.value()));
    }
    Log(QStringLiteral("\r  -> update"));
    bool ok = false;
    {
        TWaitCursor wait;
        ok = fClient->UpdateUser(fields);
    }
    if (ok)
        ShowMsg(QStringLiteral("success"), 3);
    else
        ShowMsgFmt(QStringLiteral("error"), {fClient->ErrorMessage()}, 5);
}

void TMonitorMainWin::OpenSettings()
{
    Log(QStringLiteral("\rEdit settings"));
    TSettingsEditForm form(this);
    if (!form.EditSettings())
        return;
    if (!form.Modified()) {
        Log(QStringLiteral("\rNo setting changes"));
        return;
    }
    const auto fields = form.Fields();
    if (fields.isEmpty())
        return;
    Log(QStringLiteral("\rUpdate settings"));
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        Log(QStringLiteral("\r  ") + it.key() + u'=' + it.value());
        IniFile.WriteString(QStringLiteral("Config"), it.key(), it.value());
    }
    LoadConfig();
}

void TMonitorMainWin::ShowAbout()
{
    TAboutForm form(this);
    form.exec();
}
