#include "AlarmNotifier.h"

#include "DesktopNotifier.h"
#include "ObjListModel.h"
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "PanelContext.h"
#include "ToolIcons.h"
#include "ZtDates.h"
#include "client.h"
#include "common.h"
#include "translate.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QRegularExpression>
#include <QWidget>

#include <cmath>

namespace {
const QString CloseToTrayKey = QStringLiteral("close_to_tray");

QString number(double value, int decimals)
{
    return std::isnan(value) ? QString() : QString::number(value, 'f', decimals);
}
} // namespace

TAlarmNotifier::TAlarmNotifier(TPanelContext &Ctx, QWidget *Window, QAbstractItemView *ObjList, TObjListModel *Model)
    : QObject(Window), fCtx(Ctx), fWindow(Window), fObjList(ObjList), fModel(Model)
{
    setObjectName(QStringLiteral("AlarmNotifier"));
    fNotifier = new TDesktopNotifier(ProgramIcon(), this);
    connect(fNotifier, &TDesktopNotifier::activated, this, &TAlarmNotifier::ShowObject);
    connect(fNotifier, &TDesktopNotifier::trayActivated, this, &TAlarmNotifier::ShowWindow);

    // The menu has no parent widget: the tray shows it outside the window.
    fMenu = new QMenu;
    fMenu->setObjectName(QStringLiteral("TrayMenu"));
    fShowAction = fMenu->addAction(Translation.GetString(QStringLiteral("tray_show")), this, &TAlarmNotifier::ShowWindow);
    fMenu->addSeparator();
    fQuitAction = fMenu->addAction(Translation.GetString(QStringLiteral("tray_quit")), this, &TAlarmNotifier::Quit);
    fNotifier->SetTrayMenu(fMenu);

    // Emptied rows mean the records they showed are going (sign-out, a
    // reload): their alarms no longer count.
    if (fModel)
        connect(fModel, &QAbstractItemModel::modelReset, this, [this] { setCount(0); });
    if (fWindow)
        fWindow->installEventFilter(this);
    setCount(0);
    applySettings();
}

TAlarmNotifier::~TAlarmNotifier()
{
    // The tray icon refers to the menu: the notifier (and its tray) goes first.
    delete fNotifier;
    fNotifier = nullptr;
    delete fMenu;
}

void TAlarmNotifier::ObjectsLoaded()
{
    fKnown.clear();
    int count = 0;
    if (TVelmoraClient *c = fCtx.Client())
        for (const auto &obj : c->ObjList())
            for (const auto &ev : obj->alarms) {
                fKnown.insert(ev->uid);
                ++count;
            }
    setCount(count);
}

void TAlarmNotifier::ObjectsUpdated()
{
    TVelmoraClient *c = fCtx.Client();
    if (!c)
        return;
    struct Fresh
    {
        const TObjectInfo *obj;
        const TEventInfo *ev;
    };
    std::vector<Fresh> fresh;
    QSet<quint32> now;
    int count = 0;
    // Objects that the update did not bring keep their alarms in the client,
    // so the whole list is the present set of open alarms.
    for (const auto &obj : c->ObjList())
        for (const auto &ev : obj->alarms) {
            now.insert(ev->uid);
            ++count;
            if (!fKnown.contains(ev->uid))
                fresh.push_back({obj.get(), ev.get()});
        }
    fKnown = std::move(now);
    setCount(count);
    if (fresh.empty())
        return;

    if (int(fresh.size()) > MaxNoticesPerUpdate) {
        // A burst (the service was away, a trap for every object) gives one
        // notice rather than a column of them; its click shows the first.
        QStringList names;
        for (const Fresh &f : fresh)
            if (!names.contains(f.obj->name) && names.size() < MaxNoticesPerUpdate)
                names << f.obj->name;
        const QString title = Translation.GetString(QStringLiteral("alarm_notice_many"), {int(fresh.size())});
        const QString body = names.join(QStringLiteral(", ")) + QStringLiteral(" …");
        fCtx.LogFmt(QStringLiteral("\rAlarm notice: %s"), {title}, 1);
        if (!fNotifier->Notify(title, body, fresh.front().obj->uid))
            fCtx.Log(QStringLiteral("\r  -> no notification service and no tray"));
        return;
    }
    for (const Fresh &f : fresh) {
        const QString body = NoticeBody(*f.obj, fCtx.FindTrap(f.ev->trap_id), *f.ev);
        fCtx.LogFmt(QStringLiteral("\rAlarm notice: %s: %s"), {f.obj->name, body}, 2);
        if (!fNotifier->Notify(f.obj->name, body, f.obj->uid)) {
            fCtx.Log(QStringLiteral("\r  -> no notification service and no tray"));
            break; // the others would fail alike
        }
    }
}

QString TAlarmNotifier::NoticeBody(const TObjectInfo &Obj, const TTrapInfo *Trap, const TEventInfo &Ev)
{
    if (!Trap)
        return Translation.GetString(QStringLiteral("alarm_notice_trap"), {int(Ev.trap_id)});
    const QString msg = Trap->msg.trimmed();
    if (msg.isEmpty()) {
        const QString target = Trap->TargetName();
        return Trap->TargetType() + (target.isEmpty() ? QString() : u':' + target) + u' ' + Trap->Condition();
    }
    // The fields the trap editor offers, filled in as the service does for
    // its own messages; a field it does not know stays as written.
    static const QRegularExpression field(QStringLiteral(R"(\{\{\s*\.(\w+)\s*\}\})"));
    QString out;
    qsizetype at = 0;
    for (auto it = field.globalMatch(msg); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += msg.mid(at, m.capturedStart() - at);
        at = m.capturedEnd();
        const QString name = m.captured(1);
        QString value;
        bool known = true;
        if (name == u"object")
            value = Obj.name;
        else if (name == u"target")
            value = Trap->TargetName();
        else if (name == u"tval")
            value = Trap->val;
        else if (name == u"sval")
            value = Trap->target_type_id == 4 ? QString::number(Ev.h_bat)
                    : Trap->target_type_id == 5 ? number(Ev.h_speed, 1)
                                                 : Ev.h_sval;
        else if (name == u"lat")
            value = number(Ev.h_lat, 6);
        else if (name == u"lon")
            value = number(Ev.h_lon, 6);
        else if (name == u"time")
            value = FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), std::isnan(Ev.h_obj_dt) ? Ev.h_sys_dt : Ev.h_obj_dt);
        else
            known = false;
        out += known ? value : m.captured(0);
    }
    out += msg.mid(at);
    return out;
}

bool TAlarmNotifier::ClosesToTray() const { return Config.AsBool(CloseToTrayKey) && fNotifier->TrayVisible(); }

void TAlarmNotifier::ShowWindow()
{
    if (!fWindow)
        return;
    QApplication::setQuitOnLastWindowClosed(true);
    fWindow->show();
    if (fWindow->isMinimized())
        fWindow->setWindowState(fWindow->windowState() & ~Qt::WindowMinimized);
    fWindow->raise();
    fWindow->activateWindow();
}

void TAlarmNotifier::ShowObject(qint64 Uid)
{
    ShowWindow();
    if (!fModel || !fObjList)
        return;
    QModelIndex row = fModel->FindUid(int(Uid));
    // The list may show the model through a filter: map the row up to it.
    QList<QAbstractProxyModel *> proxies;
    QAbstractItemModel *m = fObjList->model();
    while (m && m != fModel) {
        auto *p = qobject_cast<QAbstractProxyModel *>(m);
        if (!p)
            break;
        proxies.prepend(p);
        m = p->sourceModel();
    }
    if (m != fModel)
        row = QModelIndex();
    for (QAbstractProxyModel *p : std::as_const(proxies))
        row = p->mapFromSource(row);
    if (!row.isValid()) {
        // Deleted since, or hidden by the list's filter.
        fCtx.LogFmt(QStringLiteral("\rAlarm notice: object %d is not in the list"), {Uid}, 1);
        return;
    }
    fObjList->setCurrentIndex(row);
    fObjList->scrollTo(row);
}

void TAlarmNotifier::Quit()
{
    fQuitting = true;
    QApplication::setQuitOnLastWindowClosed(true);
    if (fWindow)
        fWindow->close();
    QCoreApplication::quit();
}

bool TAlarmNotifier::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == fWindow) {
        if (Event->type() == QEvent::WindowActivate) {
            // The settings dialog may have changed the setting.
            applySettings();
        } else if (Event->type() == QEvent::Close && !fQuitting) {
            applySettings();
            // Only into a tray that exists: otherwise nothing could bring the
            // window back, and closing closes.
            if (ClosesToTray()) {
                Event->ignore();
                // Other windows closing must not end the program meanwhile.
                QApplication::setQuitOnLastWindowClosed(false);
                fWindow->hide();
                fCtx.Log(QStringLiteral("\rThe window is in the tray"));
                return true;
            }
        }
    }
    return QObject::eventFilter(Watched, Event);
}

void TAlarmNotifier::applySettings() { fNotifier->SetKeepTrayIcon(Config.AsBool(CloseToTrayKey)); }

void TAlarmNotifier::setCount(int Count)
{
    fOpenCount = Count;
    fNotifier->SetToolTip(Count > 0 ? Translation.GetString(QStringLiteral("alarm_tray_count"), {Count})
                                    : Translation.GetString(QStringLiteral("alarm_tray_none")));
    fNotifier->SetCount(Count);
}
