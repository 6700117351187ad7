#include "MainTestSupport.h"
#include "OSM.ObjectInfo.h"
#include "OSM.GeoTrack.h"
#include "OSM.TrackPointInfo.h"
#include "ObjInfoForm.h"
#include "TrackPointInfoForm.h"
#include "TracksPanel.h"

#include "EventListModel.h"
#include "AboutForm.h"
#include "LoginForm.h"
#include "MonitorMap.h"
#include "OSM.ZtMapControl.h"
#include "ObjListModel.h"
#include "SignupForm.h"
#include "UserEditForm.h"
#include "ZtStyles.h"
#include "ZtTtyBox.h"
#include "RecordWindows.h"
#include "ZonesPanel.h"
#include "main.h"
#include "OSM.ZtMapControl.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>
#include <QToolButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <ctime>

#include <httplib.h>

class tst_main : public QObject
{
    Q_OBJECT

    QTemporaryDir fDir;
    SimProcess fSim;
    QString fIni;

    std::unique_ptr<TMonitorMainWin> newWindow()
    {
        auto w = std::make_unique<TMonitorMainWin>();
        w->show();
        return w;
    }

    static QString logText(TMonitorMainWin &w) { return w.LogBox->toPlainText(); }

    // Fills and submits the sign-in dialog.
    static bool submitLogin(QWidget *modal, const QString &user, const QString &pass, bool remember)
    {
        auto *f = qobject_cast<TLoginForm *>(modal);
        if (!f)
            return false;
        f->UserEdit->setText(user);
        f->PassEdit->setText(pass);
        f->CbRememberMe->setChecked(remember);
        f->ButLoginClick();
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        fIni = fDir.filePath(QStringLiteral("case.ini"));
        QVERIFY2(fSim.start({QStringLiteral("--speed"), QStringLiteral("600")}), "velmora-sim did not start");
    }

    void init() { ResetSettings(fIni, fSim.url()); }

    void storedTokenLoadsObjectsWithoutDialog()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        Config.SetVal("token", "configured-token-is-not-used");
        auto w = newWindow();
        ModalWatcher unexpected([](QWidget *m) {
            m->close();
            return true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        QVERIFY(!unexpected.done());
        QVERIFY(w->UpdateTimer->isActive());
        QVERIFY(w->IsSignedIn());
        // With no remembered selection the first row is selected.
        QCOMPARE(w->SelectedObjectRow(), w->ObjModel()->index(0, 0));
        QVERIFY(logText(*w).contains(QLatin1String("API token provided")));
        QVERIFY(logText(*w).contains(QLatin1String("Load events (")));
        QVERIFY(!w->MenuSignIn->isEnabled());
        QVERIFY(w->MenuSignOut->isEnabled());
    }

    void refusedTokenShowsSignInDialog()
    {
        IniFile.WriteString("Login", "Token", "refused-token");
        auto w = newWindow();
        bool dialogShown = false;
        ModalWatcher watcher([&](QWidget *m) {
            dialogShown = qobject_cast<TLoginForm *>(m) != nullptr;
            qobject_cast<QDialog *>(m)->reject();
            return true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(watcher.done(), 10000);
        QVERIFY(dialogShown);
        // The refused token is forgotten, and a cancelled dialog does not return.
        QVERIFY(!w->IsSignedIn());
        QCOMPARE(w->ObjModel()->rowCount(), 0);
        QVERIFY(!w->LoginTimer->isActive());
        QVERIFY(!w->UpdateTimer->isActive());
    }

    void rememberMe_data()
    {
        QTest::addColumn<bool>("remember");
        QTest::addRow("ticked: token stored") << true;
        QTest::addRow("unticked: token left alone") << false;
    }
    void rememberMe()
    {
        QFETCH(bool, remember);
        auto w = newWindow();
        ModalWatcher watcher([&](QWidget *m) { return submitLogin(m, "demo", "demo", remember); });
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        QVERIFY(w->IsSignedIn());
        const QString stored = IniFile.ReadString("Login", "Token");
        if (remember)
            QCOMPARE(stored, w->Client()->Token());
        else
            QVERIFY(stored.isEmpty());
        QVERIFY(logText(*w).contains(QLatin1String("Login(demo,***): success")));
        // The token is a credential: the log says one came, never what it is.
        QVERIFY(!w->Client()->Token().isEmpty());
        QVERIFY(!logText(*w).contains(w->Client()->Token()));
    }

    void wrongPasswordOffersRecovery()
    {
        auto w = newWindow();
        int step = 0;
        bool recoveryMode = false;
        QString question;
        ModalWatcher watcher([&](QWidget *m) {
            switch (step++) {
            case 0:
                return !submitLogin(m, "demo", "not-the-password", false);
            case 1: {
                auto *box = qobject_cast<QMessageBox *>(m);
                if (!box)
                    return true;
                question = box->text();
                box->button(QMessageBox::Yes)->click();
                return false;
            }
            default: {
                auto *f = qobject_cast<TSignupForm *>(m);
                recoveryMode = f && f->Recovery();
                qobject_cast<QDialog *>(m)->reject();
                return true;
            }
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(watcher.done(), 10000);
        QCOMPARE(question, TMonitorMainWin::Tr("login_error"));
        QVERIFY(recoveryMode);
        // The recovery ends the sign-in: the dialog does not come back by itself.
        QTRY_VERIFY(!w->LoginTimer->isActive());
        QVERIFY(!w->IsSignedIn());
        // The log shows the attempt but never the password.
        QVERIFY(logText(*w).contains(QLatin1String("Login(demo,***): error")));
        QVERIFY(!logText(*w).contains(QLatin1String("not-the-password")));
    }

    void mapShowsZonesAndMarkerClickSelectsRow()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        TObjListModel *m = w->ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() >= 2, 10000);
        // The zones the list holds are the zones the map draws.
        QVERIFY(!w->Client()->ZoneList().empty());
        QCOMPARE(w->MapCtrl()->Control()->GeoZones(), &w->Client()->ZoneList());

        const QModelIndex second = m->index(1, 0);
        QVERIFY(m->setData(second, Qt::Checked, Qt::CheckStateRole));
        w->ObjList->setCurrentIndex(m->index(0, 0));
        TZtMapControl *map = w->MapCtrl()->Control();
        map->viewport()->repaint();
        const QPoint pin = map->GeoPointToInnerPoint(map->MapMarks().Get(0)->Coord) + QPoint(0, -30);
        QTest::mouseClick(map->viewport(), Qt::LeftButton, Qt::NoModifier, pin);
        QCOMPARE(w->SelectedObjectRow(), second);

        w->SignOut();
        QCOMPARE(map->GeoZones(), nullptr);
    }

    void signOutClearsAndAsksAgain()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        TObjListModel *m = w->ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() >= 2, 10000);
        QVERIFY(m->setData(m->index(1, 0), Qt::Checked, Qt::CheckStateRole));
        const int uid = m->Object(m->index(1, 0))->uid;

        w->MenuSignOut->trigger();
        QCOMPARE(m->rowCount(), 0);
        QCOMPARE(w->MapCtrl()->MarkCount(), 0);
        QVERIFY(!w->IsSignedIn());
        QVERIFY(IniFile.ReadString("Login", "Token").isEmpty());
        QCOMPARE(IniFile.ReadInteger("Main", "SelectedUid"), uid);
        QVERIFY(!w->UpdateTimer->isActive());
        QVERIFY(w->MenuSignIn->isEnabled());
        QVERIFY(w->LoginTimer->isActive());
        ModalWatcher watcher([](QWidget *d) {
            const bool login = qobject_cast<TLoginForm *>(d) != nullptr;
            qobject_cast<QDialog *>(d)->reject();
            return login;
        });
        QTRY_VERIFY_WITH_TIMEOUT(watcher.done(), 5000);

        // The next sign-in selects the object that was selected.
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        w.reset();
        w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        QCOMPARE(w->SelectedObject()->uid, uid);
    }

    void layoutRoundTrip_data()
    {
        QTest::addColumn<int>("leftIn");
        QTest::addColumn<int>("bottomIn");
        QTest::addColumn<int>("leftOut");
        QTest::addColumn<int>("bottomOut");
        QTest::addRow("saved sizes") << 240 << 150 << 240 << 150;
        QTest::addRow("below the minimums") << 50 << 10 << 172 << 85;
    }
    void layoutRoundTrip()
    {
        QFETCH(int, leftIn);
        QFETCH(int, bottomIn);
        QFETCH(int, leftOut);
        QFETCH(int, bottomOut);
        IniFile.WriteInteger("Main", "Left", 40);
        IniFile.WriteInteger("Main", "Top", 30);
        IniFile.WriteInteger("Main", "Width", 1000);
        IniFile.WriteInteger("Main", "Height", 700);
        IniFile.WriteInteger("Main", "LeftWidth", leftIn);
        IniFile.WriteInteger("Main", "RightWidth", 200);
        IniFile.WriteInteger("Main", "ObjectsHeight", 300);
        IniFile.WriteInteger("Main", "BottomHeight", bottomIn);
        Config.SetVal("server", "");
        {
            auto w = newWindow();
            w->LoginTimer->stop();
            QCOMPARE(w->geometry().size(), QSize(1000, 700));
            QCOMPARE(w->HorzSplitter->sizes().value(0), leftOut);
            QCOMPARE(w->HorzSplitter->sizes().value(2), 200);
            QCOMPARE(w->VertSplitter->sizes().value(1), bottomOut);
            QCOMPARE(w->LeftSplitter->sizes().value(0), 300);
            // Collapsing and expanding restores the height.
            w->SbHideBottomLog->click();
            QCOMPARE(w->VertSplitter->sizes().value(1), w->MinBottomHeight());
            w->SbHideBottomLog->click();
            QCOMPARE(w->VertSplitter->sizes().value(1), bottomOut);
            const QList<int> s = w->HorzSplitter->sizes();
            w->HorzSplitter->setSizes({260, s.value(0) + s.value(1) + s.value(2) - 260 - 190, 190});
        }
        QCOMPARE(IniFile.ReadInteger("Main", "Width"), 1000);
        QCOMPARE(IniFile.ReadInteger("Main", "LeftWidth"), 260);
        QCOMPARE(IniFile.ReadInteger("Main", "RightWidth"), 190);
        QCOMPARE(IniFile.ReadInteger("Main", "BottomHeight"), bottomOut);
        QCOMPARE(IniFile.ReadInteger("Main", "HeightOfBottom"), bottomOut);
        QVERIFY(!IniFile.ReadBool("Main", "Maximized", true));
    }

    void noticePanel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("bold");
        QTest::addRow("plain") << "Saved" << true << "Saved" << false;
        QTest::addRow("error mark") << "!Failed" << true << "Failed" << true;
        QTest::addRow("blanks hide") << "   " << false << "" << false;
    }
    void noticePanel()
    {
        QFETCH(QString, text);
        QFETCH(bool, visible);
        QFETCH(QString, shown);
        QFETCH(bool, bold);
        Config.SetVal("server", "");
        auto w = newWindow();
        w->LoginTimer->stop();
        w->ShowMessagePanel(QStringLiteral("previous"), 3);
        w->ShowMessagePanel(text, 1);
        QCOMPARE(w->MsgPanel->isVisible(), visible);
        if (!visible)
            return;
        QCOMPARE(w->MsgLabel->text(), shown);
        QCOMPARE(w->MsgLabel->font().bold(), bold);
        QCOMPARE(w->MsgLabel->palette().color(QPalette::WindowText), bold ? QColor(Qt::red) : QColor(Qt::black));
        QTRY_VERIFY_WITH_TIMEOUT(!w->MsgPanel->isVisible(), 3000);
    }

    void tasksRunOnePerTickOldestFirst()
    {
        Config.SetVal("server", "");
        auto w = newWindow();
        w->LoginTimer->stop();
        QStringList ran;
        w->AddTask([&] { ran << "first"; });
        w->AddTask([&] { throw std::runtime_error("task failed"); });
        w->AddTask([&] { ran << "third"; });
        QTRY_COMPARE_WITH_TIMEOUT(ran, (QStringList{"first", "third"}), 2000);
        QVERIFY(w->TaskTimer->isActive());
        QVERIFY(w->MsgLabel->text().contains(QLatin1String("task failed")));
    }

    void logStampsEveryLine()
    {
        Config.SetVal("server", "");
        auto w = newWindow();
        w->LoginTimer->stop();
        w->SbClearLog->click();
        w->Log(QStringLiteral("\rSet style: X"));
        w->Log(QStringLiteral(" x: not found\rnext"));
        QCOMPARE(w->LogBox->LineCount() >= 2, true);
        const QRegularExpression stamp(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d: "));
        const QStringList lines = logText(*w).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(stamp.match(lines[0]).hasMatch());
        QVERIFY(lines[0].endsWith(QLatin1String("Set style: X x: not found")));
        QVERIFY(stamp.match(lines[1]).hasMatch());
        QVERIFY(lines[1].endsWith(QLatin1String(": next")));
    }

    void refusedUpdateDropsRowsBeforeTheClient()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        TObjListModel *m = w->ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() >= 2, 10000);
        QVERIFY(m->setData(m->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        // The service stops accepting the token between two updates.
        w->Client()->SetToken(QStringLiteral("revoked"));
        bool dialogShown = false;
        ModalWatcher watcher([&](QWidget *d) {
            dialogShown = qobject_cast<TLoginForm *>(d) != nullptr;
            qobject_cast<QDialog *>(d)->reject();
            return true;
        });
        w->UpdateObjects();
        QVERIFY(dialogShown);
        // Rows, markers and alarms referred to the client's objects: they go
        // with them, and painting afterwards touches nothing freed.
        QCOMPARE(m->rowCount(), 0);
        QCOMPARE(w->MapCtrl()->MarkCount(), 0);
        QCOMPARE(w->AlarmModel()->rowCount(), 0);
        QVERIFY(!w->IsSignedIn());
        QVERIFY(!w->UpdateTimer->isActive());
        w->repaint();
    }

    // A token refused during the minute update: the user reads why before
    // the sign-in dialog, the refusal is logged (never as the service
    // answering again, even after an outage), and signing in again loads
    // the events once.
    void refusedUpdateSaysWhyAndLoadsEventsOnce_data()
    {
        QTest::addColumn<bool>("afterOutage");
        QTest::addRow("service answering") << false;
        QTest::addRow("after an outage") << true;
    }
    void refusedUpdateSaysWhyAndLoadsEventsOnce()
    {
        QFETCH(bool, afterOutage);
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--faults-control")}));
        Config.SetVal("server", sim.url());
        IniFile.WriteString("Login", "Token", sim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        w->UpdateTimer->stop();
        httplib::Client cli(sim.url().toStdString());
        if (afterOutage) {
            auto res = cli.Put("/sim/faults", "/api/v1/user/objects:503=1", "text/plain");
            QVERIFY(res && res->status < 300);
            w->UpdateTimerTimer();
            QVERIFY(w->MsgPanel->isVisible());
            res = cli.Put("/sim/faults", "", "text/plain");
            QVERIFY(res && res->status < 300);
        }
        w->Client()->SetToken(QStringLiteral("revoked"));
        QString notice;
        ModalWatcher login([&](QWidget *m) {
            if (!qobject_cast<TLoginForm *>(m))
                return false;
            notice = w->MsgPanel->isVisible() ? w->MsgLabel->text() : QString();
            return submitLogin(m, "demo", "demo", false);
        });
        const qsizetype from = logText(*w).size();
        w->UpdateTimerTimer();
        QVERIFY(login.done());
        QCOMPARE(notice, TMonitorMainWin::Tr("sign_in_refused"));
        QTRY_VERIFY_WITH_TIMEOUT(w->IsSignedIn() && w->ObjModel()->rowCount() > 0, 10000);
        const QString after = logText(*w).mid(from);
        QVERIFY2(after.contains(QLatin1String("refused the sign-in (401)")), qPrintable(after.left(600)));
        QVERIFY2(!after.contains(QLatin1String("The service answers again")), qPrintable(after.left(600)));
        QCOMPARE(after.count(QLatin1String("Load events (")), 1);
        w->UpdateTimer->stop();
    }

    // The times the program holds are local times of the account's zone:
    // the report age of the status picture and the events' "today" are
    // measured in that zone, not in the computer's.
    void accountZoneRulesNowAndToday_data()
    {
        QTest::addColumn<QByteArray>("computerZone");
        QTest::addColumn<int>("computerOffset"); // seconds east of UTC
        QTest::addColumn<int>("accountTz");      // seconds east of UTC
        QTest::addRow("computer UTC, account UTC+5") << QByteArray("UTC") << 0 << 5 * 3600;
        QTest::addRow("computer UTC+14, account UTC-10") << QByteArray("Etc/GMT-14") << 14 * 3600 << -10 * 3600;
        QTest::addRow("computer UTC-11, account UTC+9") << QByteArray("Etc/GMT+11") << -11 * 3600 << 9 * 3600;
        QTest::addRow("computer and account UTC+5") << QByteArray("Etc/GMT-5") << 5 * 3600 << 5 * 3600;
    }
    void accountZoneRulesNowAndToday()
    {
        QFETCH(QByteArray, computerZone);
        QFETCH(int, computerOffset);
        QFETCH(int, accountTz);
        // A simulator on the real clock, so that report ages are true ages.
        SimProcess sim;
        QVERIFY(sim.start());
        const QString token = sim.demoToken();
        {
            TVelmoraClient c(sim.url(), token, QString());
            QVERIFY(c.UpdateUser({{QStringLiteral("tz"), QString::number(accountTz)}}));
        }
        const QByteArray old = qgetenv("TZ");
        const auto restore = qScopeGuard([&] {
            if (old.isEmpty())
                qunsetenv("TZ");
            else
                qputenv("TZ", old);
            tzset();
        });
        qputenv("TZ", computerZone);
        tzset();
        QCOMPARE(QDateTime::currentDateTime().offsetFromUtc(), computerOffset);

        Config.SetVal("server", sim.url());
        IniFile.WriteString("Login", "Token", token);
        auto w = newWindow();
        TObjListModel *m = w->ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() > 0, 10000);
        const QDateTime accountNow = QDateTime::currentDateTimeUtc().addSecs(accountTz);

        const QString today = accountNow.toString(QStringLiteral("dd.MM.yyyy"));
        const QString asked = QStringLiteral("Load events (%1 00:00:00 .. %1 23:59:59)").arg(today);
        QVERIFY2(logText(*w).contains(asked), qPrintable(asked));

        // The freshest report shows a green clock.
        QModelIndex freshest;
        for (int i = 0; i < m->rowCount(); ++i) {
            const TObjectInfo *o = m->Object(m->index(i, 0));
            if (o && o->uid > 0 && o->last_point && !std::isnan(o->last_point->sys_dt)
                && (!freshest.isValid() || o->last_point->sys_dt > m->Object(freshest)->last_point->sys_dt))
                freshest = m->index(i, 0);
        }
        QVERIFY(freshest.isValid());
        const double ageMin = (QDateTimeToDateTime(accountNow) - m->Object(freshest)->last_point->sys_dt) * 1440;
        QVERIFY2(ageMin > -1 && ageMin < 25, qPrintable(QString::number(ageMin)));
        w->ObjList->scrollTo(freshest);
        const QRect r = w->ObjList->visualRect(freshest);
        const QImage img = w->ObjList->viewport()->grab().toImage();
        const int R = r.left() + r.width(), T = r.top(), H = r.height();
        QCOMPARE(img.pixelColor(R - 15, T + H / 2 + 4), QColor(0, 128, 0));
    }

    // Window titles are the translation's, with nothing appended, and the
    // About window shows the whole copyright line.
    void titlesAndAbout()
    {
        Config.SetVal("server", "");
        auto w = newWindow();
        w->LoginTimer->stop();
        {
            TLoginForm login(w.get());
            QCOMPARE(login.windowTitle(), QStringLiteral("Velmora Login"));
        }
        QString shown;
        bool whole = false;
        ModalWatcher about([&](QWidget *d) {
            auto *f = qobject_cast<TAboutForm *>(d);
            if (!f)
                return false;
            auto *notice = f->findChild<QLabel *>(QStringLiteral("LblNotice"));
            shown = notice->text();
            f->grab().save(QStringLiteral("/tmp/hm/about.png"));
            whole = notice->contentsRect().width() >= notice->fontMetrics().horizontalAdvance(shown)
                    || notice->heightForWidth(notice->width()) <= notice->height();
            f->accept();
            return true;
        });
        w->MenuAbout->trigger();
        QVERIFY(about.done());
        QCOMPARE(shown, TMonitorMainWin::Tr(QStringLiteral("copyright")));
        QVERIFY(whole);
    }

    // After signing out by hand the sign-in dialog waits for the user, even
    // with autologon configured and the credentials filled in.
    void signOutByHandStopsAutologon()
    {
        Config.SetVal("user", "demo");
        Config.SetVal("pass", "demo");
        Config.SetVal("autologon", "1");
        Config.SetVal("autologon_timeout", "1");
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        // The dialog's own loop runs the program: look at it 1.6 s later.
        bool stillOpen = false;
        ModalWatcher watcher([&](QWidget *d) {
            auto *f = qobject_cast<TLoginForm *>(d);
            if (!f)
                return false;
            QTimer::singleShot(1600, f, [&stillOpen, f] {
                stillOpen = f->isVisible();
                f->reject();
            });
            return true;
        });
        w->MenuSignOut->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(watcher.done(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 5000);
        QVERIFY2(stillOpen, "the dialog signed in by itself");
        QVERIFY(!w->IsSignedIn());
        w->LoginTimer->stop();
        for (const char *k : {"user", "pass", "autologon", "autologon_timeout"})
            Config.SetVal(k, "");
    }

    // Actions whose windows are not built yet say so; none does nothing.
    // The right click that "Create Place" armed opens the place window from
    // the task queue, not inside the click's own event handling.
    void rightClickAfterCreatePlaceQueuesPlaceWindow_data()
    {
        QTest::addColumn<bool>("deselect");
        QTest::addRow("object selected") << false;
        QTest::addRow("selection lost after arming") << true;
    }
    void rightClickAfterCreatePlaceQueuesPlaceWindow()
    {
        QFETCH(bool, deselect);
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        w->TaskTimer->stop();
        while (w->PendingTasks() > 0)
            w->TaskTimerTimer();
        w->ShowMsg(QString(), 0);
        ModalWatcher ok([](QWidget *d) {
            auto *box = qobject_cast<QMessageBox *>(d);
            if (box)
                box->button(QMessageBox::Ok)->click();
            return box != nullptr;
        });
        w->findChild<QToolButton *>("SbCreatePlace")->click();
        QVERIFY(ok.done());
        QCOMPARE(w->rClickAction(), rcCreatePlace);
        QWidget *map = w->MapCtrl()->Control()->viewport();
        const QRegularExpression clicked(QStringLiteral("OnRClickMap: (-?\\d+\\.\\d{4}),(-?\\d+\\.\\d{4})"));
        if (deselect) {
            // The place would have no owner: the user is told, and the right
            // click stays armed for when an object is selected.
            const QModelIndex row = w->SelectedObjectRow();
            w->ObjList->selectionModel()->clearSelection();
            QVERIFY(!w->SelectedObject());
            QTest::mouseClick(map, Qt::RightButton, {}, map->rect().center());
            QCOMPARE(w->rClickAction(), rcCreatePlace);
            QCOMPARE(w->PendingTasks(), 0);
            QCOMPARE(w->MsgLabel->text(), TMonitorMainWin::Tr("object_not_selected"));
            QVERIFY2(clicked.match(logText(*w)).hasMatch(), qPrintable(logText(*w).right(400)));
            w->ObjList->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            QVERIFY(w->SelectedObject());
        }
        QTest::mouseClick(map, Qt::RightButton, {}, map->rect().center());
        QCOMPARE(w->rClickAction(), rcNone);
        const QRegularExpressionMatch at = clicked.match(logText(*w));
        QVERIFY2(at.hasMatch(), qPrintable(logText(*w).right(400)));
        const double lat = at.captured(1).toDouble(), lon = at.captured(2).toDouble();
        // The searched square's corners and their distance, about 270 m here.
        const QRegularExpression distance(QStringLiteral("Distance: (-?\\d+\\.\\d{4}),(-?\\d+\\.\\d{4}) -> "
                                                         "(-?\\d+\\.\\d{4}),(-?\\d+\\.\\d{4}) = (\\d+\\.\\d+)"));
        const QRegularExpressionMatch m = distance.match(logText(*w));
        QVERIFY2(m.hasMatch(), qPrintable(logText(*w).right(400)));
        QVERIFY(std::fabs(m.captured(1).toDouble() - (lat - 0.001)) < 0.00011);
        QVERIFY(std::fabs(m.captured(2).toDouble() - (lon - 0.001)) < 0.00011);
        QVERIFY(std::fabs(m.captured(3).toDouble() - (lat + 0.001)) < 0.00011);
        QVERIFY(std::fabs(m.captured(4).toDouble() - (lon + 0.001)) < 0.00011);
        QVERIFY2(m.captured(5).toDouble() > 200 && m.captured(5).toDouble() < 300, qPrintable(m.captured(5)));
        QCOMPARE(w->PendingTasks(), 1);
        QVERIFY(w->MsgLabel->text() != TMonitorMainWin::Tr("wifi_not_found"));

        QString shown;
        ModalWatcher place([&](QWidget *m) {
            shown = m->objectName();
            QTimer::singleShot(0, m, [m] { static_cast<QDialog *>(m)->reject(); });
            return true;
        });
        w->TaskTimerTimer();
        QCOMPARE(w->PendingTasks(), 0);
        // Either the access points near the spot make a new place, or the
        // user is told there are none; a second right click does nothing.
        QVERIFY2(shown == QLatin1String("ObjPlacesForm") || w->MsgLabel->text() == TMonitorMainWin::Tr("wifi_not_found"),
                 qPrintable(shown + u'|' + w->MsgLabel->text()));
        QTest::mouseClick(map, Qt::RightButton, {}, map->rect().center());
        QCOMPARE(w->PendingTasks(), 0);
    }

    // When the service stops answering, a lasting notice says so with the
    // time of the last good update, and the lists keep what they showed.
    void outageIsShownAndListsStay()
    {
        QTemporaryDir stateDir;
        const QString state = stateDir.filePath(QStringLiteral("sim.state"));
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--state"), state}));
        Config.SetVal("server", sim.url());
        IniFile.WriteString("Login", "Token", sim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        const int objects = w->ObjModel()->rowCount();
        const int events = w->EventModel()->rowCount();
        QVERIFY(events > 0);
        w->UpdateTimerTimer();
        const QString lastGood = FormatDateTimeNaN("dd.mm.yyyy hh:nn", w->AccountNow());
        w->ShowMsg(QString(), 0);

        sim.stop();
        w->UpdateTimerTimer();
        QVERIFY(w->MsgPanel->isVisible());
        const QString notice = w->MsgLabel->text();
        QVERIFY2(notice.startsWith(TMonitorMainWin::TrFmt("service_not_answering", {QString()}).mid(1).left(20)),
                 qPrintable(notice));
        QVERIFY2(notice.contains(lastGood), qPrintable(notice));
        QCOMPARE(w->EventModel()->rowCount(), events);
        QCOMPARE(w->ObjModel()->rowCount(), objects);
        QVERIFY(w->IsSignedIn());
        QTest::qWait(3500);
        QVERIFY2(w->MsgPanel->isVisible(), "the notice did not last");

        // The service comes back at the same address with what it held: the
        // next update succeeds and takes the notice away.
        const QString port = QUrl(sim.url()).port() > 0 ? QString::number(QUrl(sim.url()).port()) : QString();
        SimProcess again;
        QVERIFY(again.start({QStringLiteral("--port"), port, QStringLiteral("--state"), state}));
        QCOMPARE(again.url(), sim.url());
        w->UpdateTimerTimer();
        QVERIFY(w->IsSignedIn());
        QVERIFY2(!w->MsgPanel->isVisible(), qPrintable(w->MsgLabel->text()));
        QCOMPARE(w->ObjModel()->rowCount(), objects);
        w->UpdateTimer->stop();
    }

    // A remembered token whose object list meets a failing service (5xx) is
    // kept: no sign-in dialog, the outage notice shows, and the minute update
    // lists the objects once the service answers again.
    void failingServiceAtSignInKeepsToken()
    {
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--faults-control")}));
        Config.SetVal("server", sim.url());
        IniFile.WriteString("Login", "Token", sim.demoToken());
        httplib::Client cli(sim.url().toStdString());
        auto res = cli.Put("/sim/faults", "/api/v1/user/objects:503=1", "text/plain");
        QVERIFY(res && res->status < 300);
        ModalWatcher unexpected([](QWidget *m) {
            m->close();
            return true;
        });
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->UpdateTimer->isActive(), 10000);
        QVERIFY(!unexpected.done());
        QVERIFY(w->IsSignedIn());
        QVERIFY(w->MsgPanel->isVisible());
        const QString notice = w->MsgLabel->text();
        QVERIFY2(notice.startsWith(TMonitorMainWin::TrFmt("service_not_answering", {QString()}).mid(1).left(20)),
                 qPrintable(notice));
        QCOMPARE(w->ObjModel()->rowCount(), 0);

        res = cli.Put("/sim/faults", "", "text/plain");
        QVERIFY(res && res->status < 300);
        w->UpdateTimerTimer();
        QVERIFY(w->ObjModel()->rowCount() > 0);
        QVERIFY2(!w->MsgPanel->isVisible(), qPrintable(w->MsgLabel->text()));
        QVERIFY(!unexpected.done());
        w->UpdateTimer->stop();
    }

    // The map opens centred on its home point at the window's final size,
    // whatever that size is.
    void mapCentredAtFinalSize_data()
    {
        QTest::addColumn<QSize>("saved"); // empty: the default size
        QTest::addColumn<bool>("maximized");
        QTest::addRow("default size") << QSize() << false;
        QTest::addRow("restored size") << QSize(1300, 900) << false;
        QTest::addRow("maximised") << QSize(1000, 700) << true;
    }
    void mapCentredAtFinalSize()
    {
        QFETCH(QSize, saved);
        QFETCH(bool, maximized);
        if (saved.isValid()) {
            IniFile.WriteInteger("Main", "Width", saved.width());
            IniFile.WriteInteger("Main", "Height", saved.height());
        }
        IniFile.WriteBool("Main", "Maximized", maximized);
        Config.SetVal("server", "");
        auto w = newWindow();
        w->LoginTimer->stop();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto centred = [&] {
            const QPointF c = w->MapCtrl()->Center();
            return std::abs(c.x() - 56.27574) < 0.0005 && std::abs(c.y() - 57.998649) < 0.0005;
        };
        auto centre = [&] {
            const QPointF c = w->MapCtrl()->Center();
            return QStringLiteral("%1 %2").arg(c.x(), 0, 'f', 6).arg(c.y(), 0, 'f', 6);
        };
        QTRY_VERIFY2(centred(), qPrintable(centre()));
    }

    // Signing in loads the objects, then the zones, the traps and today's
    // events, in that order; reloading the zones alone reloads nothing else.
    void loadChainOrder()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        const QString log = logText(*w);
        const qsizetype objects = log.indexOf(QLatin1String("Load objects:"));
        const qsizetype zones = log.indexOf(QLatin1String("Load zones:"));
        const qsizetype traps = log.indexOf(QLatin1String("Load traps:"));
        const qsizetype events = log.indexOf(QLatin1String("Load events ("));
        QVERIFY(objects >= 0 && objects < zones && zones < traps && traps < events);
        w->SbClearLog->click();
        QVERIFY(w->ZonesPanel->LoadZones() > 0);
        QVERIFY(logText(*w).contains(QLatin1String("Load zones:")));
        QVERIFY(!logText(*w).contains(QLatin1String("Load traps:")));
        QVERIFY(!logText(*w).contains(QLatin1String("Load events (")));
    }

    // Without a saved layout the object list shows whole report times and
    // every object tool button.
    void firstWindowShowsObjectsWhole()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        for (QToolButton *b : w->ObjToolBar->findChildren<QToolButton *>())
            if (b->objectName().startsWith(QLatin1String("Sb")))
                QVERIFY2(b->isVisible(), qPrintable(b->objectName()));
        const QModelIndex row = w->ObjModel()->index(0, 0);
        const QString time = w->ObjModel()->data(row).toString().section(u'\n', 1);
        QVERIFY(!time.isEmpty());
        const QRect r = w->ObjList->visualRect(row);
        // Text starts after the check box; the status picture takes 20 pixels.
        QVERIFY2(w->ObjList->fontMetrics().horizontalAdvance(time) + 24 + 20 <= r.width(),
                 qPrintable(QString::number(r.width())));
    }

    // The search field hides the rows whose object does not match, and keeps
    // doing so across the minute update.
    void objectSearch_data()
    {
        QTest::addColumn<QString>("query"); // "#number", "#uid": taken from the second object
        QTest::addColumn<QStringList>("shown"); // "*": every object; "#": the second object
        QTest::addRow("part of a name, any case") << "TAXI" << QStringList{"Taxi 17"};
        QTest::addRow("number") << "#number" << QStringList{"#"};
        QTest::addRow("id") << "#uid" << QStringList{"#"};
        QTest::addRow("no match") << "no such object" << QStringList{};
        QTest::addRow("blanks only") << "   " << QStringList{"*"};
    }
    void objectSearch()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, shown);
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        TObjListModel *m = w->ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() >= 2, 10000);
        w->UpdateTimer->stop();
        const TObjectInfo *second = m->Object(m->index(1, 0));
        if (query == QLatin1String("#number")) {
            // The list's answer carries the device's number as its id; the
            // phone and IMEI come with the object's own record.
            for (const QString &n : {second->phone, second->imei, second->id})
                if (query == QLatin1String("#number") && !n.isEmpty())
                    query = n;
            QVERIFY(query != QLatin1String("#number"));
        } else if (query == QLatin1String("#uid")) {
            query = QString::number(second->uid);
        }
        QStringList expected;
        for (int r = 0; r < m->rowCount(); ++r) {
            const QString name = m->Object(m->index(r, 0))->name;
            if (shown.contains(QLatin1String("*")) || shown.contains(name) || (shown.contains(QLatin1String("#")) && r == 1))
                expected << name;
        }
        // Ctrl+F puts the cursor into the field.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(w->ObjSearch->hasFocus());
        QTest::keyClicks(w->ObjSearch, query);
        auto visible = [&] {
            QStringList names;
            for (int r = 0; r < m->rowCount(); ++r)
                if (!w->ObjList->isRowHidden(r, QModelIndex()))
                    names << m->Object(m->index(r, 0))->name;
            return names;
        };
        QCOMPARE(visible(), expected);
        w->UpdateTimerTimer();
        QCOMPARE(visible(), expected);
        // Clearing the field shows every object again.
        w->ObjSearch->clear();
        QCOMPARE(visible().size(), m->rowCount());
    }

    // The keys desktop programs share.
    void standardShortcuts_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("effect");
        QTest::addRow("F5 updates now") << int(Qt::Key_F5) << int(Qt::NoModifier) << "update";
        QTest::addRow("Ctrl+plus zooms in") << int(Qt::Key_Plus) << int(Qt::ControlModifier) << "in";
        QTest::addRow("Ctrl+= zooms in") << int(Qt::Key_Equal) << int(Qt::ControlModifier) << "in";
        QTest::addRow("Ctrl+minus zooms out") << int(Qt::Key_Minus) << int(Qt::ControlModifier) << "out";
        QTest::addRow("Ctrl+Q quits") << int(Qt::Key_Q) << int(Qt::ControlModifier) << "quit";
        QTest::addRow("plain minus does nothing") << int(Qt::Key_Minus) << int(Qt::NoModifier) << "none";
    }
    void standardShortcuts()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, effect);
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        TZtMapControl *map = w->MapCtrl()->Control();
        const int zoom = map->Zoom();
        const QPointF centre(map->CenterPoint().Long, map->CenterPoint().Lat);
        const int updates = int(logText(*w).count(QLatin1String("Update objects:")));
        QTest::keyClick(w.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(int(logText(*w).count(QLatin1String("Update objects:"))), updates + (effect == QLatin1String("update")));
        QCOMPARE(map->Zoom(), zoom + (effect == QLatin1String("in")) - (effect == QLatin1String("out")));
        if (effect == QLatin1String("in") || effect == QLatin1String("out")) {
            // About the view's centre.
            QVERIFY(qAbs(map->CenterPoint().Long - centre.x()) < 0.01);
            QVERIFY(qAbs(map->CenterPoint().Lat - centre.y()) < 0.01);
        }
        QCOMPARE(w->isVisible(), effect != QLatin1String("quit"));
    }

    // A wider window widens the side lists in proportion, not only the map.
    void widerWindowWidensSidesInProportion()
    {
        IniFile.WriteInteger("Main", "Width", 1000);
        IniFile.WriteInteger("Main", "Height", 700);
        IniFile.WriteInteger("Main", "LeftWidth", 250);
        IniFile.WriteInteger("Main", "RightWidth", 200);
        Config.SetVal("server", "");
        auto w = newWindow();
        w->LoginTimer->stop();
        const QList<int> before = w->HorzSplitter->sizes();
        QCOMPARE(before.value(0), 250);
        w->resize(1600, 1000);
        QTRY_VERIFY(w->HorzSplitter->width() > 1500);
        const QList<int> after = w->HorzSplitter->sizes();
        const double grown = double(after.value(1)) / before.value(1);
        QVERIFY2(grown > 1.5, qPrintable(QString::number(grown)));
        for (int i : {0, 2}) {
            const double side = double(after.value(i)) / before.value(i);
            QVERIFY2(qAbs(side - grown) < 0.02, qPrintable(QStringLiteral("panel %1: %2 against %3").arg(i).arg(side).arg(grown)));
        }
    }

    // Buttons that do not fit a narrow panel are offered by its "»" button.
    // (The object bar is the one with more buttons than its narrowest panel
    // holds; the others share the same code.)
    void narrowToolbarOffersHiddenButtons()
    {
        const QString bar = QStringLiteral("ObjToolBar");
        IniFile.WriteInteger("Main", "Width", 1000);
        IniFile.WriteInteger("Main", "Height", 700);
        IniFile.WriteInteger("Main", "LeftWidth", 172);
        IniFile.WriteInteger("Main", "RightWidth", 172);
        Config.SetVal("server", "");
        auto w = newWindow();
        w->LoginTimer->stop();
        auto *toolbar = w->findChild<QToolBar *>(bar);
        QVERIFY(toolbar);
        QTRY_VERIFY(toolbar->isVisible());
        QStringList hidden;
        for (QAction *a : toolbar->actions())
            if (QWidget *b = toolbar->widgetForAction(a); b && !b->isVisible())
                hidden << a->objectName();
        QVERIFY2(!hidden.isEmpty(), "every button fits; the case needs a narrower panel");
        auto *more = toolbar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(more && more->isVisible());

        QStringList offered, texts;
        QTimer::singleShot(100, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *a : menu->actions()) {
                    offered << a->objectName();
                    texts << a->text();
                }
                menu->close();
            }
        });
        more->click();
        QTRY_VERIFY(!offered.isEmpty());
        QCOMPARE(offered, hidden);
        QVERIFY(!texts.contains(QString()));
        // A hidden button's action works from the menu as from the button.
        bool triggered = false;
        QAction *first = toolbar->findChild<QAction *>(hidden.first());
        connect(first, &QAction::triggered, w.get(), [&] { triggered = true; });
        ModalWatcher close([](QWidget *m) {
            m->close();
            return false;
        });
        QTimer::singleShot(100, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
                for (QAction *a : menu->actions())
                    if (a == first) {
                        menu->close();
                        a->trigger();
                    }
        });
        more->click();
        QTRY_VERIFY(triggered);
    }

    // Sign-out frees every record: windows that show one are closed (or told,
    // when they asked to be), and queued tasks are dropped.
    void signOutClosesWindowsShowingRecords()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        static int trackRecord = 0; // stands for a track of the map layer
        QPointer<QWidget> trackWin = new QWidget(w.get(), Qt::Window);
        trackWin->show();
        w->RecordWindows().Register(trackWin, TRecordKind::Track, &trackRecord);
        QWidget toldWin(w.get(), Qt::Window);
        toldWin.show();
        int told = 0;
        w->RecordWindows().Register(&toldWin, TRecordKind::Object, w->SelectedObject(), [&] { ++told; });
        w->TaskTimer->stop();
        bool taskRan = false;
        w->AddTask([&] { taskRan = true; });

        w->MenuSignOut->trigger();
        QTRY_VERIFY(trackWin.isNull());
        QCOMPARE(told, 1);
        QCOMPARE(w->RecordWindows().Count(), 0);
        // Tasks run in order: once one added after the sign-out has run, the
        // dropped one would have run before it.
        bool laterRan = false;
        w->AddTask([&] { laterRan = true; });
        w->TaskTimer->start();
        QTRY_VERIFY(laterRan);
        QVERIFY(!taskRan);
        w->LoginTimer->stop();
    }

    // The minute update does not run under a modal dialog; it runs once
    // after the dialog closes.
    void minuteUpdateWaitsForModalDialog()
    {
        Config.SetVal("update_interval", "1");
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        QCOMPARE(w->UpdateTimer->interval(), 1000);
        auto updates = [&] { return int(logText(*w).count(QLatin1String("Update objects:"))); };
        QTRY_VERIFY_WITH_TIMEOUT(updates() >= 1, 3000);

        // The dialog's own loop runs the program for 2.5 s, then closes it.
        QDialog dlg(w.get());
        const int before = updates();
        int during = -1;
        QTimer::singleShot(2500, &dlg, [&] {
            during = updates();
            dlg.accept();
        });
        dlg.exec();
        QCOMPARE(during, before);
        // Once, at once, not twice for the updates missed.
        QTRY_COMPARE_WITH_TIMEOUT(updates(), before + 1, 600);
        QTRY_COMPARE_WITH_TIMEOUT(updates(), before + 2, 3000);
        Config.SetVal("update_interval", "");
    }

    // Clicks on markers and track points open their windows from the task
    // queue, one per tick in the order of the clicks, after the click's own
    // handling; a point whose track went meanwhile opens nothing.
    void mapClicksOpenWindowsInOrder()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        TObjListModel *m = w->ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() >= 2, 10000);
        w->TaskTimer->stop();
        while (w->PendingTasks() > 0)
            w->TaskTimerTimer();
        TZtMapControl *map = w->MapCtrl()->Control();
        auto infoWindows = [&] { return w->findChildren<TObjInfoForm *>(); };
        const int before = int(infoWindows().size());

        // Ticking centres the map on the object: each marker is clicked
        // while it is in view.
        QStringList clicked;
        for (int row : {1, 0}) {
            QVERIFY(m->setData(m->index(row, 0), Qt::Checked, Qt::CheckStateRole));
            map->viewport()->repaint();
            TMapMark *mark = nullptr;
            for (int i = 0; i < map->MapMarks().Count(); ++i)
                if (*static_cast<TObjectInfo *const *>(map->MapMarks().Get(i)->Data) == m->Object(m->index(row, 0)))
                    mark = map->MapMarks().Get(i);
            QVERIFY(mark);
            QTest::mouseClick(map->viewport(), Qt::LeftButton, Qt::NoModifier,
                              map->GeoPointToInnerPoint(mark->Coord) + QPoint(0, -30));
            clicked << m->Object(m->index(row, 0))->name;
        }
        QCOMPARE(w->PendingTasks(), 2);
        QCOMPARE(int(infoWindows().size()), before); // nothing opened inside the clicks
        QStringList shown;
        for (int tick = 0; tick < 2; ++tick) {
            const QList<TObjInfoForm *> had = infoWindows();
            w->TaskTimerTimer();
            for (TObjInfoForm *f : infoWindows())
                if (!had.contains(f)) {
                    QVERIFY(f->isVisible());
                    const auto rows = f->InfoList->findItems(QStringLiteral("*"), Qt::MatchWildcard, 1);
                    for (QTreeWidgetItem *r : rows)
                        if (clicked.contains(r->text(1)))
                            shown << r->text(1);
                }
        }
        QCOMPARE(shown, clicked);

        // A track point: the first click's task finds its track deleted and
        // does nothing; the second opens the point's window.
        auto addTrack = [&] {
            auto track = std::make_unique<TGeoTrack>(QStringLiteral("1"));
            const TGeoPoint c = map->CenterPoint();
            for (int i = 0; i < 3; ++i) {
                auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
                // Below the centre, clear of the marker standing there.
                p->lat = c.Lat - 0.015;
                p->lon = c.Long + (i - 1) * 0.01;
                p->src = 0;
                track->Points().push_back(std::move(p));
            }
            return w->TracksPanel->AddTrack(std::move(track));
        };
        auto clickPoint = [&](TGeoTrack *t) {
            map->viewport()->repaint();
            map->UpdateMapPoints();
            const QPoint at = t->Points()[1]->MapPoint;
            QVERIFY(!at.isNull());
            QTest::mouseClick(map->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        };
        auto pointWindows = [&] { return int(w->findChildren<TTrackPointInfoForm *>().size()); };
        TGeoTrack *gone = addTrack();
        clickPoint(gone);
        QCOMPARE(w->PendingTasks(), 1);
        w->TracksPanel->DeleteTrack();
        w->TaskTimerTimer();
        QCOMPARE(pointWindows(), 0);
        TGeoTrack *kept = addTrack();
        clickPoint(kept);
        QCOMPARE(w->PendingTasks(), 1);
        w->TaskTimerTimer();
        QCOMPARE(pointWindows(), 1);
    }

    // A click queued for an object runs on the object found by its uid when
    // the task runs: an object deleted meanwhile is not touched.
    // The alarm list follows the row the user put the cursor on, whether by
    // keyboard or by mouse: a mouse press makes the row current before the
    // selection follows, so a list read from the selection lags one click.
    void alarmsFollowTheClickedRow_data()
    {
        QTest::addColumn<bool>("firstByKey");
        QTest::addColumn<int>("first");    // object row, picked first
        QTest::addColumn<int>("second");   // object row clicked next; -1 the "Deleted" group
        QTest::addColumn<int>("expected"); // whose alarms show; -1 none
        QTest::addRow("keyboard then mouse") << true << 0 << 1 << 1;
        QTest::addRow("mouse then mouse") << false << 0 << 1 << 1;
        QTest::addRow("mouse back to the first") << false << 1 << 0 << 0;
        QTest::addRow("click on the current row") << false << 0 << 0 << 0;
        QTest::addRow("keyboard then the current row") << true << 0 << 0 << 0;
        QTest::addRow("click on the Deleted group") << false << 0 << -1 << -1;
    }
    void alarmsFollowTheClickedRow()
    {
        QFETCH(bool, firstByKey);
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, expected);
        // An own simulator: an object is marked deleted here.
        SimProcess sim;
        QVERIFY(sim.start());
        Config.SetVal("server", sim.url());
        IniFile.WriteString("Login", "Token", sim.demoToken());
        auto w = newWindow();
        TObjListModel *m = w->ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() >= 4, 10000);
        w->UpdateTimer->stop();

        // The last object goes under "Deleted".
        {
            w->ObjList->setCurrentIndex(m->index(m->rowCount() - 1, 0));
            ModalWatcher yes([](QWidget *d) {
                auto *box = qobject_cast<QMessageBox *>(d);
                if (box)
                    box->button(QMessageBox::Yes)->click();
                return box != nullptr;
            });
            w->findChild<QAction *>("PopupDeleteObject")->trigger();
            QVERIFY(yes.done());
        }
        const QModelIndex deleted = m->DeletedGroup();
        QVERIFY(deleted.isValid());

        // One alarm of its own for each of the first two objects.
        const QModelIndex rows[2] = {m->index(0, 0), m->index(1, 0)};
        uint32_t alarmUid[2] = {};
        for (int i = 0; i < 2; ++i) {
            TObjectInfo *o = m->Object(rows[i]);
            QVERIFY(o && o->uid > 0);
            o->alarms.clear();
            alarmUid[i] = 7000 + uint32_t(i);
            o->alarms.push_back(std::make_unique<TEventInfo>(alarmUid[i], o->uid));
            o->alarms.back()->h_sys_dt = w->AccountNow();
        }
        // Somewhere else first, so that the first pick is a change.
        w->ObjList->setCurrentIndex(m->index(2, 0));
        QTRY_COMPARE(w->AlarmModel()->rowCount(), 0);

        auto click = [&](const QModelIndex &row) {
            w->ObjList->scrollTo(row);
            QTest::mouseClick(w->ObjList->viewport(), Qt::LeftButton, Qt::NoModifier,
                              w->ObjList->visualRect(row).center());
        };
        if (firstByKey) {
            w->ObjList->setFocus();
            QTest::keyClick(w->ObjList, Qt::Key_Home);
            for (int i = 0; i < first; ++i)
                QTest::keyClick(w->ObjList, Qt::Key_Down);
        } else {
            click(rows[first]);
        }
        QCOMPARE(w->ObjList->currentIndex(), rows[first]);
        QCOMPARE(w->AlarmModel()->rowCount(), 1);
        QCOMPARE(w->AlarmModel()->Event(w->AlarmModel()->index(0, 0))->uid, alarmUid[first]);

        click(second < 0 ? deleted : rows[second]);
        QCOMPARE(w->ObjList->currentIndex(), second < 0 ? deleted : rows[second]);
        // What the list shows, as the view reads it.
        QAbstractItemModel *shown = w->AlarmList->model();
        if (expected < 0) {
            QCOMPARE(shown->rowCount(), 0);
        } else {
            QCOMPARE(shown->rowCount(), 1);
            QCOMPARE(w->AlarmModel()->Event(shown->index(0, 0))->uid, alarmUid[expected]);
            QCOMPARE(w->AlarmModel()->Event(shown->index(0, 0))->obj_id, m->Object(rows[expected])->uid);
        }
    }

    void queuedClickOnDeletedObjectDoesNothing()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        TObjListModel *m = w->ObjModel();
        QTRY_VERIFY_WITH_TIMEOUT(m->rowCount() >= 3, 10000);
        const QModelIndex victim = m->index(m->rowCount() - 2, 0);
        const int victimUid = m->Object(victim)->uid;
        const int keptUid = m->Object(m->index(0, 0))->uid;
        w->TaskTimer->stop();
        QList<int> ran;
        w->AddObjectTask(victimUid, [&](TObjectInfo *o) { ran << o->uid; });
        w->AddObjectTask(keptUid, [&](TObjectInfo *o) { ran << o->uid; });

        auto answerYes = [](QWidget *d) {
            auto *box = qobject_cast<QMessageBox *>(d);
            if (box)
                box->button(QMessageBox::Yes)->click();
            return box != nullptr;
        };
        for (int step = 0; step < 2; ++step) {
            const QModelIndex row = m->FindUid(victimUid);
            QVERIFY(row.isValid());
            w->ObjList->setCurrentIndex(row);
            ModalWatcher yes(answerYes);
            w->findChild<QAction *>("PopupDeleteObject")->trigger();
            QVERIFY(yes.done());
        }
        QVERIFY(!w->Client()->FindObject(victimUid));
        w->TaskTimer->start();
        QTRY_COMPARE(ran, QList<int>{keptUid});
    }

    // Changes the demo account's password: keep it the last test that signs in.
    void userDataLogHidesNewPassword()
    {
        IniFile.WriteString("Login", "Token", fSim.demoToken());
        auto w = newWindow();
        QTRY_VERIFY_WITH_TIMEOUT(w->ObjModel()->rowCount() > 0, 10000);
        ModalWatcher watcher([](QWidget *d) {
            auto *f = qobject_cast<TUserEditForm *>(d);
            if (!f) {
                d->close();
                return false;
            }
            f->EdName->clear();
            QTest::keyClicks(f->EdName, QStringLiteral("Demo User"));
            QTest::keyClicks(f->EdPassword, QStringLiteral("brand-new-secret"));
            f->ButOk->click();
            return true;
        });
        w->MenuUserData->trigger();
        QVERIFY(watcher.done());
        const QString log = logText(*w);
        QVERIFY(log.contains(QLatin1String("name=Demo User")));
        // The window's own field lines ("  key=value"); the client's request
        // line is its own business.
        const QRegularExpression fieldLine(QStringLiteral(": {3}password=(.*)$"));
        int passwordLines = 0;
        for (const QString &l : log.split(u'\n')) {
            const auto m = fieldLine.match(l);
            if (m.hasMatch()) {
                ++passwordLines;
                QCOMPARE(m.captured(1), QStringLiteral("***"));
            }
        }
        QCOMPARE(passwordLines, 1);
        QCOMPARE(w->MsgLabel->text(), TMonitorMainWin::Tr("success"));
        QVERIFY(!w->Client()->Login(QStringLiteral("demo"), QStringLiteral("demo")));
        QVERIFY(w->Client()->Login(QStringLiteral("demo"), QStringLiteral("brand-new-secret")));
    }

    // F5 updates at once, Ctrl+Q quits, Ctrl+plus (also Ctrl+"=") and
    // Ctrl+minus zoom the map about its centre.
    void shortcuts_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("effect");
        QTest::addRow("F5") << int(Qt::Key_F5) << "update";
        QTest::addRow("Ctrl+Q") << (Qt::CTRL | Qt::Key_Q).toCombined() << "quit";
        QTest::addRow("Ctrl+plus") << (Qt::CTRL | Qt::Key_Plus).toCombined() << "+1";
        QTest::addRow("Ctrl+=") << (Qt::CTRL | Qt::Key_Equal).toCombined() << "+1";
        QTest::addRow("Ctrl+minus") << (Qt::CTRL | Qt::Key_Minus).toCombined() << "-1";
    }
    void shortcuts()
    {
        QFETCH(int, key);
        QFETCH(QString, effect);
        Config.SetVal("server", "");
        auto w = newWindow();
        w->LoginTimer->stop();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->ShowMsg(QString(), 0);
        const int zoom = w->MapCtrl()->Zoom();
        const QPointF centre = w->MapCtrl()->Center();
        QTest::keyClick(w.get(), Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        if (effect == QLatin1String("update")) {
            // Signed out, the update says so.
            QCOMPARE(w->MsgLabel->text(), TMonitorMainWin::Tr("not_logged_in"));
        } else if (effect == QLatin1String("quit")) {
            QVERIFY(!w->isVisible());
        } else {
            QCOMPARE(w->MapCtrl()->Zoom(), zoom + effect.toInt());
            QVERIFY(std::abs(w->MapCtrl()->Center().x() - centre.x()) < 1e-3);
            QVERIFY(std::abs(w->MapCtrl()->Center().y() - centre.y()) < 1e-3);
        }
    }

    void styleSwitchAndRestore()
    {
        Config.SetVal("server", "");
        {
            auto w = newWindow();
            w->LoginTimer->stop();
            w->SetStyle(QStringLiteral("No such style"));
            QVERIFY(logText(*w).contains(QLatin1String("Set style: No such style x: not found")));
            const QColor lightWin = w->clWin;
            QAction *dark = nullptr;
            for (QAction *a : w->MenuStyle->actions())
                if (a->text() == QLatin1String("Fusion Dark"))
                    dark = a;
            QVERIFY(dark);
            dark->trigger();
            QVERIFY(dark->isChecked());
            QCOMPARE(w->clWin, QApplication::palette().color(QPalette::Base));
            QVERIFY(w->clWin != lightWin);
            QVERIFY(w->clWin.lightness() < 128);
        }
        QCOMPARE(IniFile.ReadString("Main", "Style"), QStringLiteral("Fusion Dark"));
        {
            // The saved style comes back with the next window.
            QVERIFY(TZtStyles::Apply(QStringLiteral("Fusion")));
            auto w = newWindow();
            w->LoginTimer->stop();
            QVERIFY(w->clWin.lightness() < 128);
            w->SetStyle(QStringLiteral("Fusion"));
        }
    }

    void cleanupTestCase()
    {
        fSim.stop();
        DoneCommon();
    }
};

QTEST_MAIN(tst_main)
#include "tst_main.moc"
