// TMonitorMainWin: the "User", "Settings" and "Help" menus.

#include "main.h"

#include "AboutForm.h"
#include "client.h"
#include "TripsPanel.h"

#include "SettingsEditForm.h"
#include "UserEditForm.h"

#include "MonitorMap.h"
#include "OSM.ZtMapControl.h"

#include <QAction>
#include <QKeySequence>
#include <QLineEdit>

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
        const QString value = it.key() == QLatin1String("password") ? QStringLiteral("***") : it.value();
        Log(QStringLiteral("\r  ") + it.key() + u'=' + value);
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

void TMonitorMainWin::BuildShortcuts()
{
    // The keys desktop programs share: F5 updates now, Ctrl+Q quits, Ctrl+F
    // finds an object,
    // Ctrl+plus and Ctrl+minus zoom the map about its centre.
    auto add = [this](const QString &Name, const QList<QKeySequence> &Keys, std::function<void()> Run) {
        auto *a = new QAction(this);
        a->setObjectName(Name);
        a->setShortcuts(Keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, [Run = std::move(Run)] { Run(); });
    };
    add(QStringLiteral("ActUpdateNow"), {QKeySequence(Qt::Key_F5)}, [this] { UpdateTimerTimer(); });
    add(QStringLiteral("ActQuit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}, [this] { close(); });
    add(QStringLiteral("ActFindObject"), {QKeySequence(Qt::CTRL | Qt::Key_F)}, [this] {
        ObjSearch->setFocus(Qt::ShortcutFocusReason);
        ObjSearch->selectAll();
    });
    auto zoom = [this](int Step) {
        if (!fMap)
            return;
        TZtMapControl *c = fMap->Control();
        if (c->Zoom() >= 0)
            c->SetZoom(c->Zoom() + Step, c->ViewToMap(c->viewport()->rect().center()));
    };
    // Ctrl+= as well: on most layouts "+" needs Shift.
    add(QStringLiteral("ActZoomIn"), {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        [zoom] { zoom(1); });
    add(QStringLiteral("ActZoomOut"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [zoom] { zoom(-1); });
}
