#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QSystemTrayIcon;
class QMenu;

// Tells the user of something while the window may be in the background:
// a desktop notification through the freedesktop notification service on the
// session bus, or the tray icon's balloon where no such service runs. Each
// notice carries a key (an object's uid); clicking the notice reports it
// through activated(), so the window can come forward showing that object.
//
// The tray icon also shows a count (the open alarms) painted over the
// program's icon.
class TDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    static const QString Service; // org.freedesktop.Notifications

    explicit TDesktopNotifier(const QIcon &icon, QObject *parent = nullptr);
    ~TDesktopNotifier() override;

    // Sends one notice without waiting for the service's answer; false when
    // neither the service nor a tray can show it (the caller has nothing else
    // to do about that). Should the service fail to answer after all, the
    // tray's balloon shows the notice, where a tray exists.
    bool Notify(const QString &title, const QString &body, qint64 key);

    // The tray icon, shown with count painted on it when count > 0 (or always
    // when keepTrayIcon); hidden otherwise.
    void SetCount(int count);
    // The tray icon's tooltip; empty gives the program's name, with the
    // count after it while count > 0.
    void SetToolTip(const QString &text);
    void SetKeepTrayIcon(bool keep);
    // The tray icon's context menu (not owned; it must outlive the notifier).
    void SetTrayMenu(QMenu *menu);
    // The tooltip the tray icon shows now (also while no tray exists).
    QString ToolTip() const;
    bool TrayVisible() const;
    // Whether the bus service has answered the last notice (false until its
    // answer is in, and when the tray took it).
    bool UsedBus() const { return fUsedBus; }
    // The icon the tray shows for a count, for tests and the window's icon.
    static QIcon CountIcon(const QIcon &base, int count);

Q_SIGNALS:
    // The user clicked the notice of key.
    void activated(qint64 key);
    // The user clicked the tray icon itself.
    void trayActivated();

private Q_SLOTS:
    // D-Bus signals reach only slots named by their signature.
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    void ensureTray();
    bool showBalloon(const QString &title, const QString &body, qint64 key);
    void updateTray();

    QIcon fIcon;
    std::unique_ptr<QSystemTrayIcon> fTray;
    QMenu *fMenu = nullptr;
    QString fToolTip;
    QHash<uint, qint64> fPending; // bus notice id -> key
    qint64 fTrayKey = 0;          // key of the last balloon
    quint64 fSerial = 0;          // of the last notice sent to the bus
    int fCount = 0;
    bool fKeep = false;
    bool fUsedBus = false;
    bool fConnected = false;
};
