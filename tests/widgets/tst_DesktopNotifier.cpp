// Desktop notices against a notification service that the test runs on a
// private session bus: what the service receives, and a click on the notice
// coming back as the object's key.

#include "DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMutex>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

// The freedesktop notification service, recording every Notify call.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString app, summary, body;
        QStringList actions;
    };
    QList<Call> calls() const
    {
        QMutexLocker lock(&fMutex);
        return fCalls;
    }
    // While holding, every Notify waits for a release before it answers: a
    // service that takes its time.
    void hold(bool on) { fHolding = on; }
    void release() { fReleased.release(); }

public Q_SLOTS:
    uint Notify(const QString &app, uint, const QString &, const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &, int)
    {
        uint id = 0;
        {
            QMutexLocker lock(&fMutex);
            fCalls.append({app, summary, body, actions});
            id = uint(100 + fCalls.size());
        }
        if (fHolding)
            fReleased.acquire();
        return id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    void CloseNotification(uint) {}

private:
    mutable QMutex fMutex;
    QList<Call> fCalls;
    std::atomic<bool> fHolding{false};
    QSemaphore fReleased;
};

class tst_DesktopNotifier : public QObject
{
    Q_OBJECT

    QProcess fDaemon;
    QString fAddress;
    QThread fServerThread;
    FakeNotifications *fServer = nullptr;

    bool sendSignal(const QString &name, const QVariantList &args)
    {
        QDBusConnection c = QDBusConnection::connectToBus(fAddress, QStringLiteral("fake-server"));
        QDBusMessage m = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"), TDesktopNotifier::Service, name);
        m.setArguments(args);
        return c.send(m);
    }

private Q_SLOTS:
    void initTestCase()
    {
        fDaemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY2(fDaemon.waitForStarted(5000), "dbus-daemon is missing (scripts/setup installs it)");
        QVERIFY(fDaemon.waitForReadyRead(5000));
        fAddress = QString::fromUtf8(fDaemon.readLine()).trimmed();
        QVERIFY(!fAddress.isEmpty());
        // The program's side finds the bus the usual way, through the environment.
        qputenv("DBUS_SESSION_BUS_ADDRESS", fAddress.toUtf8());
    }

    void cleanupTestCase()
    {
        fServerThread.quit();
        fServerThread.wait();
        delete fServer;
        fDaemon.terminate();
        fDaemon.waitForFinished(3000);
    }

    // With no service on the bus and no tray (offscreen), nothing can show the
    // notice, and the notifier says so instead of pretending.
    void noServiceNoTray()
    {
        TDesktopNotifier n{QIcon()};
        QVERIFY(!n.Notify(QStringLiteral("Car 1"), QStringLiteral("Battery low"), 7));
        QVERIFY(!n.UsedBus());
    }

    void noticeReachesService()
    {
        fServer = new FakeNotifications;
        fServer->moveToThread(&fServerThread);
        fServerThread.start();
        QDBusConnection c = QDBusConnection::connectToBus(fAddress, QStringLiteral("fake-server"));
        QVERIFY(c.isConnected());
        QVERIFY(c.registerObject(QStringLiteral("/org/freedesktop/Notifications"), fServer, QDBusConnection::ExportAllSlots));
        QVERIFY(c.registerService(TDesktopNotifier::Service));

        TDesktopNotifier n{QIcon()};
        QSignalSpy clicked(&n, &TDesktopNotifier::activated);
        QVERIFY(n.Notify(QStringLiteral("Car 1"), QStringLiteral("Battery below 20 %"), 7));
        QTRY_VERIFY(n.UsedBus());
        QVERIFY(n.Notify(QStringLiteral("Phone"), QStringLiteral("Left the zone Home"), 9));
        QTRY_VERIFY(n.UsedBus()); // both answers are in
        const auto calls = fServer->calls();
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].summary, QStringLiteral("Car 1"));
        QCOMPARE(calls[0].body, QStringLiteral("Battery below 20 %"));
        QVERIFY(calls[0].actions.contains(QStringLiteral("default")));
        QCOMPARE(calls[1].summary, QStringLiteral("Phone"));

        // A click on another program's notice means nothing to us; a click on
        // the second notice reports its object; a closed notice is forgotten.
        QVERIFY(sendSignal(QStringLiteral("ActionInvoked"), {uint(55), QStringLiteral("default")}));
        QVERIFY(sendSignal(QStringLiteral("ActionInvoked"), {uint(102), QStringLiteral("default")}));
        QTRY_COMPARE(clicked.size(), 1);
        QCOMPARE(clicked.first().first().toLongLong(), qint64(9));
        QVERIFY(sendSignal(QStringLiteral("NotificationClosed"), {uint(101), uint(2)}));
        QTest::qWait(100);
        QVERIFY(sendSignal(QStringLiteral("ActionInvoked"), {uint(101), QStringLiteral("default")}));
        QTest::qWait(200);
        QCOMPARE(clicked.size(), 1);
    }

    // A service that takes its time does not hold the window up: the notice
    // is sent, the window goes on, and the service's answer arrives later,
    // so that a click on the notice still reports its object.
    void slowServiceDoesNotBlock()
    {
        QVERIFY(fServer); // registered by noticeReachesService
        const qsizetype before = fServer->calls().size();
        TDesktopNotifier n{QIcon()};
        QSignalSpy clicked(&n, &TDesktopNotifier::activated);
        fServer->hold(true);
        QVERIFY(n.Notify(QStringLiteral("Truck"), QStringLiteral("Door open"), 11));
        // Back here while the service still holds the call unanswered.
        QTRY_COMPARE(fServer->calls().size(), before + 1);
        QVERIFY(!n.UsedBus());
        bool ticked = false;
        QTimer::singleShot(0, this, [&] { ticked = true; });
        QTRY_VERIFY(ticked); // the event loop runs meanwhile
        QVERIFY(!n.UsedBus());
        fServer->hold(false);
        fServer->release();
        QTRY_VERIFY(n.UsedBus());
        const uint id = uint(100 + before + 1);
        QVERIFY(sendSignal(QStringLiteral("ActionInvoked"), {id, QStringLiteral("default")}));
        QTRY_COMPARE(clicked.size(), 1);
        QCOMPARE(clicked.first().first().toLongLong(), qint64(11));
    }

    // The count badge: red in the top-right corner, the icon untouched at 0.
    void countIcon_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("badge");
        QTest::addRow("none") << 0 << false;
        QTest::addRow("one") << 1 << true;
        QTest::addRow("over 99") << 150 << true;
    }
    void countIcon()
    {
        QFETCH(int, count);
        QFETCH(bool, badge);
        QPixmap base(32, 32);
        base.fill(Qt::green);
        const QImage img = TDesktopNotifier::CountIcon(QIcon(base), count).pixmap(32, 32).toImage();
        const QColor corner = img.pixelColor(27, 6);
        QCOMPARE(corner.red() > 150 && corner.green() < 100, badge);
        QCOMPARE(img.pixelColor(2, 30), QColor(Qt::green));
    }
};

QTEST_MAIN(tst_DesktopNotifier)
#include "tst_DesktopNotifier.moc"
