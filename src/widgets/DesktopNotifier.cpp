#include "DesktopNotifier.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

const QString TDesktopNotifier::Service = QStringLiteral("org.freedesktop.Notifications");

namespace {
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
// A notice waits this long for the service's answer before the tray takes
// it instead.
constexpr int BusTimeoutMs = 2000;
} // namespace

TDesktopNotifier::TDesktopNotifier(const QIcon &icon, QObject *parent)
    : QObject(parent), fIcon(icon)
{
}

TDesktopNotifier::~TDesktopNotifier() = default;

bool TDesktopNotifier::Notify(const QString &title, const QString &body, qint64 key)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    fUsedBus = false;
    if (bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(Service).value()) {
        if (!fConnected) {
            // QDBusConnection names the receiving slot by its signature; it has no
            // function-pointer form.
            bus.connect(Service, Path, Service, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
            bus.connect(Service, Path, Service, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
            fConnected = true;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
        // app_name, replaces_id, app_icon, summary, body, actions, hints, timeout
        call << QCoreApplication::applicationName() << uint(0) << QStringLiteral("velmora-monitor") << title << body
             << QStringList{QStringLiteral("default"), title} << QVariantMap{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))}}
             << int(-1);
        // Sent without waiting: the window goes on while the service takes
        // its time, and its answer (the notice's id) comes back as an event.
        const quint64 serial = ++fSerial;
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, BusTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, serial, title, body, key] {
            watcher->deleteLater();
            const QDBusPendingReply<uint> reply = *watcher;
            if (reply.isValid()) {
                fPending.insert(reply.value(), key);
                if (serial == fSerial)
                    fUsedBus = true;
                return;
            }
            // The service failed or did not answer in time: the tray, if any.
            showBalloon(title, body, key);
        });
        return true;
    }
    // No notification service: the tray's balloon, where a tray exists.
    return showBalloon(title, body, key);
}

bool TDesktopNotifier::showBalloon(const QString &title, const QString &body, qint64 key)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    ensureTray();
    fTray->show();
    fTrayKey = key;
    fTray->showMessage(title, body, QSystemTrayIcon::Warning);
    return true;
}

void TDesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    Q_UNUSED(action) // "default" is the click on the notice; it is the only action offered
    const auto it = fPending.constFind(id);
    if (it == fPending.constEnd())
        return; // another program's notice
    const qint64 key = it.value();
    fPending.erase(it);
    Q_EMIT activated(key);
}

void TDesktopNotifier::onClosed(uint id, uint reason)
{
    Q_UNUSED(reason)
    fPending.remove(id);
}

void TDesktopNotifier::ensureTray()
{
    if (fTray)
        return;
    fTray = std::make_unique<QSystemTrayIcon>(fIcon);
    fTray->setToolTip(ToolTip());
    if (fMenu)
        fTray->setContextMenu(fMenu);
    connect(fTray.get(), &QSystemTrayIcon::messageClicked, this, [this] { Q_EMIT activated(fTrayKey); });
    connect(fTray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            Q_EMIT trayActivated();
    });
}

void TDesktopNotifier::SetCount(int count)
{
    fCount = qMax(0, count);
    updateTray();
}

void TDesktopNotifier::SetKeepTrayIcon(bool keep)
{
    fKeep = keep;
    updateTray();
}

void TDesktopNotifier::SetToolTip(const QString &text)
{
    fToolTip = text;
    if (fTray)
        fTray->setToolTip(ToolTip());
}

void TDesktopNotifier::SetTrayMenu(QMenu *menu)
{
    fMenu = menu;
    if (fTray)
        fTray->setContextMenu(menu);
}

QString TDesktopNotifier::ToolTip() const
{
    if (!fToolTip.isEmpty())
        return fToolTip;
    const QString name = QApplication::applicationDisplayName();
    return fCount > 0 ? QStringLiteral("%1: %2").arg(name).arg(fCount) : name;
}

bool TDesktopNotifier::TrayVisible() const { return fTray && fTray->isVisible(); }

void TDesktopNotifier::updateTray()
{
    const bool want = fKeep || fCount > 0;
    if (!want) {
        if (fTray)
            fTray->hide();
        return;
    }
    if (!QSystemTrayIcon::isSystemTrayAvailable() && !fTray)
        return;
    ensureTray();
    fTray->setIcon(CountIcon(fIcon, fCount));
    fTray->setToolTip(ToolTip());
    fTray->show();
}

QIcon TDesktopNotifier::CountIcon(const QIcon &base, int count)
{
    if (count <= 0)
        return base;
    QIcon out;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pm = base.pixmap(size, size);
        if (pm.isNull()) {
            pm = QPixmap(size, size);
            pm.fill(Qt::transparent);
        }
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const QString text = count > 99 ? QStringLiteral("99+") : QString::number(count);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(qMax(7, size * (text.size() > 2 ? 5 : 6) / 10));
        p.setFont(f);
        const QFontMetrics fm(f);
        const int h = qMin(size, fm.height());
        const int w = qMin(size, qMax(h, fm.horizontalAdvance(text) + h / 3));
        const QRect badge(size - w, 0, w, h);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xd0, 0x20, 0x20));
        p.drawRoundedRect(badge, h / 2.0, h / 2.0);
        p.setPen(Qt::white);
        p.drawText(badge, Qt::AlignCenter, text);
        p.end();
        out.addPixmap(pm);
    }
    return out;
}
