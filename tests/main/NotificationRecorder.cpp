// notification-recorder: a desktop notification service on the session bus
// for tests. It owns org.freedesktop.Notifications, writes every notice it
// receives to standard output as one JSON line, and clicks notices when told
// on standard input:
//
//   invoke <id> [action]   ActionInvoked(id, action or "default")
//   close <id>             NotificationClosed(id, 2: dismissed)
//   quit
//
// The first output line is "ready", or "error: ..." when the name is taken
// (a real notification daemon on this bus) or there is no bus.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>
#include <unistd.h>

namespace {
void writeLine(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
} // namespace

class Notifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    using QObject::QObject;

public Q_SLOTS:
    uint Notify(const QString &app, uint replacesId, const QString &icon, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        const uint id = replacesId ? replacesId : ++fLastId;
        QJsonObject o{{QStringLiteral("id"), qint64(id)},
                      {QStringLiteral("app"), app},
                      {QStringLiteral("icon"), icon},
                      {QStringLiteral("summary"), summary},
                      {QStringLiteral("body"), body},
                      {QStringLiteral("actions"), QJsonArray::fromStringList(actions)},
                      {QStringLiteral("urgency"), hints.value(QStringLiteral("urgency")).toInt()},
                      {QStringLiteral("timeout"), timeout}};
        writeLine(QJsonDocument(o).toJson(QJsonDocument::Compact));
        return id;
    }
    void CloseNotification(uint id) { Q_EMIT NotificationClosed(id, 3); }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    QString GetServerInformation(QString &vendor, QString &version, QString &specVersion)
    {
        vendor = QStringLiteral("Velmora tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("notification-recorder");
    }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &action);
    void NotificationClosed(uint id, uint reason);

private:
    uint fLastId = 0;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        writeLine("error: no session bus");
        return 1;
    }
    Notifications service;
    const QString path = QStringLiteral("/org/freedesktop/Notifications");
    if (!bus.registerObject(path, &service, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)) {
        writeLine("error: cannot register " + path.toUtf8());
        return 1;
    }
    // Never queue behind another owner: a test must not talk to a real daemon.
    const auto reply = bus.interface()->registerService(QStringLiteral("org.freedesktop.Notifications"),
                                                        QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        writeLine("error: org.freedesktop.Notifications is owned by another program");
        return 1;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buf[512];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            QCoreApplication::quit(); // the test went away
            return;
        }
        pending.append(buf, qsizetype(n));
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QStringList words = QString::fromUtf8(pending.left(nl)).simplified().split(u' ', Qt::SkipEmptyParts);
            pending.remove(0, nl + 1);
            if (words.isEmpty())
                continue;
            const uint id = words.size() > 1 ? words[1].toUInt() : 0;
            if (words[0] == u"invoke")
                Q_EMIT service.ActionInvoked(id, words.size() > 2 ? words[2] : QStringLiteral("default"));
            else if (words[0] == u"close")
                Q_EMIT service.NotificationClosed(id, 2);
            else if (words[0] == u"quit")
                QCoreApplication::quit();
            else
                writeLine("error: unknown command " + words[0].toUtf8());
        }
    });
    writeLine("ready");
    return app.exec();
}

#include "NotificationRecorder.moc"
