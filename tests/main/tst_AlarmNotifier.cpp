// Alarms told to the desktop: the main window signed in to velmora-sim, and
// a notification service (notification-recorder) on the private session bus
// that CTest starts with dbus-run-session. What the service receives is what
// the user would see; a click on a notice comes back over the bus.

#include "AlarmNotifier.h"
#include "DesktopNotifier.h"
#include "MainTestSupport.h"
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "ObjListModel.h"
#include "ObjectsPanel.h"
#include "main.h"
#include "translate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTreeView>

class tst_AlarmNotifier : public QObject
{
    Q_OBJECT

    QTemporaryDir fDir;
    SimProcess fSim;
    QString fIni;
    QProcess fRecorder;
    QList<QJsonObject> fNotices;

    // Every notice the service has received so far.
    const QList<QJsonObject> &notices()
    {
        fRecorder.waitForReadyRead(0);
        while (fRecorder.canReadLine()) {
            const QJsonObject o = QJsonDocument::fromJson(fRecorder.readLine()).object();
            if (!o.isEmpty())
                fNotices << o;
        }
        return fNotices;
    }

    void recorderCommand(const QString &line) { fRecorder.write(line.toUtf8() + '\n'); }

    // The window signed in with the demo token, its lists loaded, updating
    // every second.
    std::unique_ptr<TMonitorMainWin> signedInWindow()
    {
        Config.SetVal(QStringLiteral("update_interval"), QStringLiteral("1"));
        IniFile.WriteString(QStringLiteral("Login"), QStringLiteral("Token"), fSim.demoToken());
        auto w = std::make_unique<TMonitorMainWin>();
        w->show();
        if (!QTest::qWaitFor([&] { return w->ObjModel()->rowCount() > 0 && !w->Client()->TrapList().empty(); }, 15000))
            return nullptr;
        return w;
    }

    // Waits until the window has run Count more minute updates (each one
    // has told its alarms by the time it reports its end).
    static bool updatesRun(TMonitorMainWin &w, int count)
    {
        QSignalSpy updated(w.ObjectsPanel, &TObjectsPanel::Updated);
        return QTest::qWaitFor([&] { return updated.count() >= count; }, 15000);
    }

    static int alarmCount(TVelmoraClient *c)
    {
        int n = 0;
        for (const auto &o : c->ObjList())
            n += int(o->alarms.size());
        return n;
    }

    // A report time-out of a few milliseconds: it fires at once, with no report.
    static int createTimeoutAlarmTrap(TVelmoraClient *c, int objUid, const QString &msg)
    {
        TTrapInfo t(0, objUid);
        t.target_type_id = 3;
        t.condition_id = 1;
        t.val = QStringLiteral("0.001");
        t.is_alarm = true;
        t.accept_type_id = 1;
        t.msg = msg;
        return c->CreateTrap(t);
    }

    static const TEventInfo *alarmOfTrap(const TObjectInfo *o, int trapUid)
    {
        for (const auto &ev : o->alarms)
            if (ev->trap_id == trapUid)
                return ev.get();
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"), "no session bus: CTest runs this test under dbus-run-session");
        fRecorder.setProgram(TestPaths::binDir() + QStringLiteral("/notification-recorder"));
        fRecorder.start();
        QVERIFY2(fRecorder.waitForStarted(5000), "notification-recorder did not start");
        for (int i = 0; i < 50 && !fRecorder.canReadLine(); ++i)
            fRecorder.waitForReadyRead(100);
        const QByteArray first = fRecorder.readLine().trimmed();
        // "error: ... owned by another program" means a real desktop's bus.
        QVERIFY2(first == "ready", first.constData());

        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        fIni = fDir.filePath(QStringLiteral("case.ini"));
        QVERIFY2(fSim.start(), "velmora-sim did not start");
    }

    void init() { ResetSettings(fIni, fSim.url()); }

    void cleanupTestCase()
    {
        recorderCommand(QStringLiteral("quit"));
        if (!fRecorder.waitForFinished(3000))
            fRecorder.kill();
        fSim.stop();
    }

    // The alarms present at sign-in are on screen already: the tray counts
    // them and no notice goes out. A new one gives one notice with the
    // object's name and the trap's message, once; its click brings the
    // window forward with the object selected.
    void newAlarmNoticeAndClick()
    {
        auto w = signedInWindow();
        QVERIFY(w);
        TAlarmNotifier *n = w->AlarmNotifier;
        QVERIFY(n);
        TVelmoraClient *c = w->Client();
        const int atSignIn = alarmCount(c);
        QCOMPARE(n->OpenAlarmCount(), atSignIn);
        if (atSignIn > 0)
            QCOMPARE(n->Notifier()->ToolTip(), Translation.GetString(QStringLiteral("alarm_tray_count"), {atSignIn}));
        const qsizetype before = notices().size();
        QVERIFY(updatesRun(*w, 2));
        QCOMPARE(notices().size(), before);

        QVERIFY(c->ObjList().size() >= 2);
        TObjectInfo *target = c->ObjList()[1].get();
        const int trap = createTimeoutAlarmTrap(c, target->uid, QStringLiteral("{{.object}} silent since {{.time}} (limit {{.tval}} min)"));
        QVERIFY(trap > 0);
        QTRY_VERIFY_WITH_TIMEOUT(notices().size() > before, 10000);
        const QJsonObject notice = notices().at(before);
        // The object comes again with the same alarm in later updates: no new
        // notice for it. (A report ends the time-out, and the next one raises
        // a new alarm, which is told: one notice per alarm.)
        QVERIFY(updatesRun(*w, 2));
        QStringList expected;
        for (const auto &a : target->alarms)
            if (a->trap_id == trap)
                expected << QStringLiteral("%1 silent since %2 (limit 0.001 min)")
                                .arg(target->name, FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), a->h_obj_dt));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(notices().size(), before + expected.size());
        for (qsizetype i = before; i < notices().size(); ++i) {
            QCOMPARE(notices().at(i).value(QStringLiteral("summary")).toString(), target->name);
            const QString body = notices().at(i).value(QStringLiteral("body")).toString();
            QVERIFY2(expected.removeOne(body), qPrintable(body));
        }
        QVERIFY(notice.value(QStringLiteral("actions")).toArray().contains(QStringLiteral("default")));
        QCOMPARE(n->OpenAlarmCount(), alarmCount(c));
        QVERIFY(n->OpenAlarmCount() > atSignIn);
        QCOMPARE(n->Notifier()->ToolTip(), Translation.GetString(QStringLiteral("alarm_tray_count"), {n->OpenAlarmCount()}));

        // Another object selected, the window out of sight: the click.
        w->ObjList->setCurrentIndex(w->ObjModel()->index(0, 0));
        QVERIFY(w->SelectedObject() != target);
        // The user works in another program meanwhile.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        w->hide();
        recorderCommand(QStringLiteral("invoke %1").arg(notice.value(QStringLiteral("id")).toInteger()));
        QTRY_VERIFY_WITH_TIMEOUT(w->isVisible(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(w->SelectedObject(), target, 5000);
        QCOMPARE(w->ObjList->currentIndex(), w->ObjModel()->FindUid(target->uid));
        QVERIFY(!w->isMinimized());
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget *>(w.get()), 5000);
    }

    // A trap for every object fires for all at once: one summary notice
    // instead of a column of them.
    void burstGivesOneSummary()
    {
        auto w = signedInWindow();
        QVERIFY(w);
        TVelmoraClient *c = w->Client();
        const int objects = int(c->ObjList().size());
        QVERIFY(objects > TAlarmNotifier::MaxNoticesPerUpdate);
        const qsizetype before = notices().size();
        // Two of them: an object that reported a moment ago misses the first
        // update, and the burst must still be one.
        const int trap = createTimeoutAlarmTrap(c, 0, QStringLiteral("{{.object}} is quiet"));
        QVERIFY(trap > 0);
        QVERIFY(createTimeoutAlarmTrap(c, 0, QStringLiteral("{{.object}} is still quiet")) > 0);
        QTRY_VERIFY_WITH_TIMEOUT(notices().size() > before, 10000);
        const QJsonObject notice = notices().at(before);
        static const QRegularExpression many(QStringLiteral("^(\\d+) new alarms$"));
        const QRegularExpressionMatch m = many.match(notice.value(QStringLiteral("summary")).toString());
        QVERIFY2(m.hasMatch(), qPrintable(notice.value(QStringLiteral("summary")).toString()));
        const int told = m.captured(1).toInt();
        QVERIFY(told > TAlarmNotifier::MaxNoticesPerUpdate);
        QVERIFY(told <= 2 * objects);
        QVERIFY(notice.value(QStringLiteral("body")).toString().endsWith(QStringLiteral(" …")));
        // The alarms of the burst are not told one by one besides (only an
        // object that reported since may raise a fresh one).
        QVERIFY(updatesRun(*w, 2));
        QVERIFY(notices().size() - before < 1 + TAlarmNotifier::MaxNoticesPerUpdate);
        for (const auto &o : c->ObjList())
            QVERIFY(alarmOfTrap(o.get(), trap));
    }

    // With close_to_tray on but no tray to hide in (no tray on this
    // display), closing closes: nothing could bring a hidden window back.
    void closeToTrayNeedsATray()
    {
        Config.SetVal(QStringLiteral("close_to_tray"), QStringLiteral("1"));
        TMonitorMainWin w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(!w.AlarmNotifier->ClosesToTray());
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
    }

    // The notice text: the trap's message with the fields the trap editor
    // offers filled in from the object, the trap and the alarm.
    void noticeBody_data()
    {
        QTest::addColumn<int>("targetType");
        QTest::addColumn<QString>("msg");
        QTest::addColumn<bool>("withTrap");
        QTest::addColumn<QString>("expected");
        QTest::addRow("sensor value and coordinates")
            << 2 << "{{.object}}: {{.sval}} at {{.lat}},{{.lon}}" << true << "Car 1: open at 57.998649,56.275740";
        QTest::addRow("battery takes the alarm's level") << 4 << "{{.object}} battery {{.sval}}% (below {{.tval}}%)" << true
                                                         << "Car 1 battery 9% (below 10%)";
        QTest::addRow("speed takes the alarm's speed") << 5 << "{{ .object }} drives {{.sval}} km/h" << true
                                                       << "Car 1 drives 81.5 km/h";
        QTest::addRow("time of the device") << 4 << "since {{.time}}" << true << "since 03.02.2025 10:20:30";
        QTest::addRow("unknown field stays") << 4 << "{{.object}} {{.driver}} {{unclosed" << true << "Car 1 {{.driver}} {{unclosed";
        QTest::addRow("no message: the trap's condition") << 4 << "  " << true << "Battery <10";
        QTest::addRow("trap unknown") << 4 << "" << false << "Alarm of trap 7";
    }
    void noticeBody()
    {
        QFETCH(int, targetType);
        QFETCH(QString, msg);
        QFETCH(bool, withTrap);
        QFETCH(QString, expected);
        TObjectInfo obj(1001, QStringLiteral("id1"));
        obj.name = QStringLiteral("Car 1");
        TTrapInfo trap(7, 1001);
        trap.target_type_id = uint32_t(targetType);
        trap.condition_id = 2;
        trap.val = QStringLiteral("10");
        trap.msg = msg;
        trap.fObjInfo = &obj;
        TEventInfo ev(55, 1001);
        ev.trap_id = 7;
        ev.h_sval = QStringLiteral("open");
        ev.h_bat = 9;
        ev.h_speed = 81.49;
        ev.h_lat = 57.998649;
        ev.h_lon = 56.27574;
        ev.h_obj_dt = EncodeDateTime(2025, 2, 3, 10, 20, 30, 0);
        QCOMPARE(TAlarmNotifier::NoticeBody(obj, withTrap ? &trap : nullptr, ev), expected);
    }
};

QTEST_MAIN(tst_AlarmNotifier)
#include "tst_AlarmNotifier.moc"
