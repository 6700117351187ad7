// The alarm and event lists against velmora-sim: accepting with a message
// while the records are replaced under the open dialog, the track of an
// event, what a double click on each column does, and the rows' texts.
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "OSM.TripInfo.h"
#include "OSM.ZoneInfo.h"
#include "AcceptEventForm.h"
#include "EventsPanel.h"
#include "EventListModel.h"
#include "PanelTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QHash>
#include <QMap>

#include <memory>

#include <cmath>

class tst_EventsPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

    static TEventInfo *openAlarm(TVelmoraClient &c)
    {
        for (const auto &o : c.ObjList())
            for (const auto &a : o->alarms)
                if (std::isnan(a->accept_dt))
                    return a.get();
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY2(fSim.start(), "velmora-sim did not start");
    }

    // A double click on a row's cell, on screen: "Happened" and
    // "Completion" draw the event's track, "Condition" shows its trap, other
    // columns do nothing, and none of them says "not implemented".
    void doubleClickOnScreen_data()
    {
        QTest::addColumn<bool>("alarms");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("does");
        QTest::addRow("alarm: Object") << true << 0 << "nothing";
        QTest::addRow("alarm: Happened") << true << 1 << "track";
        QTest::addRow("alarm: Condition") << true << 3 << "trap";
        QTest::addRow("event: Completion") << false << 2 << "track";
        QTest::addRow("event: Value") << false << 4 << "nothing";
    }
    void doubleClickOnScreen()
    {
        QFETCH(bool, alarms);
        QFETCH(int, column);
        QFETCH(QString, does);
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        QVERIFY(ctx.Client()->GetTraps() > 0);
        QTabWidget pager;
        pager.resize(1000, 300);
        TEventsPanel panel(ctx, &pager, nullptr);
        QStringList done;
        panel.SetTrackRequest([&](int, const QString &, int, TDateTime, TDateTime) { done << QStringLiteral("track"); });
        panel.SetShowTrap([&](TTrapInfo *) { done << QStringLiteral("trap"); });
        pager.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pager));
        QTreeView *list = alarms ? panel.AlarmList : panel.EventList;
        if (alarms) {
            TEventInfo *alarm = openAlarm(*ctx.Client());
            QVERIFY2(alarm, "the demo has no open alarm");
            panel.FillAlarms(ctx.Client()->FindObject(alarm->obj_id));
        } else {
            QVERIFY(panel.LoadEvents(0, 0) > 0);
        }
        pager.setCurrentWidget(list->parentWidget());
        QTRY_VERIFY(list->isVisible());
        // A row whose event has a device time and a known object and trap.
        QModelIndex cell;
        auto *m = static_cast<TEventListModel *>(list->model());
        for (int i = 0; i < m->rowCount() && !cell.isValid(); ++i) {
            const TEventInfo *e = m->Event(m->index(i, 0));
            if (!std::isnan(e->h_obj_dt) && ctx.FindObject(e->obj_id) && ctx.FindTrap(e->trap_id))
                cell = m->index(i, column);
        }
        QVERIFY(cell.isValid());
        list->scrollTo(cell);
        const QPoint at = list->visualRect(cell).center();
        QVERIFY(list->viewport()->rect().contains(at));
        // A double click is a press and release followed by a second press
        // that the view reports as a double click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(done, does == QLatin1String("nothing") ? QStringList() : QStringList{does});
        QVERIFY(!ctx.Notices.contains(QStringLiteral("not_implemented")));
    }

    // The minute update replaces the alarm records while the dialog is
    // open; the acceptance lands on the records as they are afterwards.
    void acceptAlarmWhileRecordsAreReplaced()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        TEventInfo *alarm = openAlarm(*ctx.Client());
        QVERIFY2(alarm, "the demo has no open alarm");
        const uint32_t uid = alarm->uid;
        TObjectInfo *owner = ctx.Client()->FindObject(alarm->obj_id);
        QTabWidget pager;
        TEventsPanel actions(ctx, &pager, nullptr);
        {
            ModalWatcher answer([&](QWidget *w) {
                auto *f = qobject_cast<TAcceptEventForm *>(w);
                if (!f)
                    return false;
                // The update of the minute: new records for every alarm.
                owner->alarms = CopyEventList(owner->alarms);
                ctx.Client()->GetEvents(ctx.AccountNow() - 3, ctx.AccountNow() + 1);
                f->EdAcceptMsg->setText(QStringLiteral("  checked on site "));
                f->ButOk->click();
                return true;
            });
            QVERIFY(actions.AcceptSelectedEvent(alarm));
        }
        QVERIFY(ctx.LogText.endsWith(QStringLiteral("\r  -> ok")));
        const auto now = actions.FindEvents(uid);
        QVERIFY(!now.empty());
        for (const TEventInfo *e : now) {
            QVERIFY(!std::isnan(e->accept_dt));
            QCOMPARE(e->accept_msg, QStringLiteral("checked on site"));
        }
        // The service has it too: the alarm is gone, the event accepted.
        QVERIFY(ctx.Client()->GetObjects() > 0);
        for (const auto &a : ctx.Client()->FindObject(owner->uid)->alarms)
            QVERIFY(a->uid != uid);
        QVERIFY(ctx.Client()->GetEvents(ctx.AccountNow() - 3, ctx.AccountNow() + 1) > 0);
        bool accepted = false;
        for (const auto &e : ctx.Client()->EventList())
            accepted = accepted || (e->uid == uid && e->accept_msg == QLatin1String("checked on site"));
        QVERIFY(accepted);
    }

    void acceptRefused_data()
    {
        QTest::addColumn<int>("kind"); // 0 no event, 1 accepted already, 2 cancelled
        QTest::addColumn<QString>("log");
        QTest::addColumn<bool>("dialog");
        QTest::addRow("no event") << 0 << "\r  x: no event" << false;
        QTest::addRow("accepted already: no dialog") << 1 << "\r  x: already accepted [03.02.2025 14:05:00]" << false;
        QTest::addRow("cancelled") << 2 << "\r  x: cancel" << true;
    }
    void acceptRefused()
    {
        QFETCH(int, kind);
        QFETCH(QString, log);
        QFETCH(bool, dialog);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"), QStringLiteral("t"));
        QTabWidget pager;
        TEventsPanel actions(ctx, &pager, nullptr);
        TEventInfo ev(5, 1);
        if (kind == 1)
            ev.accept_dt = EncodeDateTime(2025, 2, 3, 14, 5);
        bool shown = false;
        ModalWatcher cancel([&](QWidget *w) {
            shown = true;
            w->close();
            return true;
        });
        QVERIFY(!actions.AcceptSelectedEvent(kind == 0 ? nullptr : &ev));
        QVERIFY2(ctx.LogText.endsWith(log), qPrintable(ctx.LogText));
        QCOMPARE(shown, dialog);
        QVERIFY(std::isnan(ev.accept_dt) || kind == 1);
    }

    void eventTrack_data()
    {
        QTest::addColumn<bool>("known");    // the object is listed
        QTest::addColumn<bool>("started");  // h_obj_dt given
        QTest::addColumn<bool>("finished"); // c_obj_dt given
        QTest::addColumn<double>("hours");  // the track's length; < 0: none asked
        QTest::addColumn<QString>("log");
        QTest::addRow("finished: start to end") << true << true << true << 0.5 << "";
        QTest::addRow("still open: one hour") << true << true << false << 1.0 << "";
        QTest::addRow("no device time") << true << false << false << -1.0 << "\r  -> no start DT";
        QTest::addRow("object not listed") << false << true << true << -1.0 << "\r  -> no object info";
    }
    void eventTrack()
    {
        QFETCH(bool, known);
        QFETCH(bool, started);
        QFETCH(bool, finished);
        QFETCH(double, hours);
        QFETCH(QString, log);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"), QStringLiteral("t"));
        if (known)
            ctx.Client()->ObjList().push_back(std::make_unique<TObjectInfo>(7, QStringLiteral("van")));
        TEventInfo ev(5, 7);
        ev.trap_id = 3;
        ev.h_sys_dt = EncodeDateTime(2025, 2, 3, 14, 0);
        if (started)
            ev.h_obj_dt = EncodeDateTime(2025, 2, 3, 14, 0);
        if (finished)
            ev.c_obj_dt = EncodeDateTime(2025, 2, 3, 14, 30);
        QTabWidget pager;
        TEventsPanel actions(ctx, &pager, nullptr);
        QList<QVariantList> asked;
        actions.SetTrackRequest([&](int obj, const QString &sign, int mode, TDateTime dt1, TDateTime dt2) {
            asked << QVariantList{obj, sign, mode, dt1, dt2};
        });
        actions.RequestEventTrack(&ev);
        QVERIFY(ctx.LogText.startsWith(QStringLiteral("\rRequest track for event: uid=5, obj_id=7")));
        if (hours < 0) {
            QVERIFY(asked.isEmpty());
            QVERIFY(ctx.LogText.endsWith(log));
            return;
        }
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0][0].toInt(), 7);
        QCOMPARE(asked[0][1].toString(), ev.Sign());
        QCOMPARE(asked[0][2].toInt(), 0);
        QVERIFY(std::abs(asked[0][4].toDouble() - asked[0][3].toDouble() - hours / 24) < 1e-9);
    }

    void dblClickPerColumn_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("action");
        QTest::addRow("Object") << 0 << false << int(TEventsPanel::dcNone);
        QTest::addRow("Happened") << 1 << false << int(TEventsPanel::dcTrack);
        QTest::addRow("Completion") << 2 << true << int(TEventsPanel::dcTrack);
        QTest::addRow("Condition") << 3 << false << int(TEventsPanel::dcTrap);
        QTest::addRow("Value") << 4 << false << int(TEventsPanel::dcNone);
        QTest::addRow("Accepted, open") << 5 << false << int(TEventsPanel::dcAccept);
        QTest::addRow("Accepted, accepted already") << 5 << true << int(TEventsPanel::dcNone);
    }
    void dblClickPerColumn()
    {
        QFETCH(int, column);
        QFETCH(bool, accepted);
        TEventInfo ev(5, 7);
        if (accepted)
            ev.accept_dt = EncodeDateTime(2025, 2, 3, 15, 0);
        QTEST(int(TEventsPanel::DblClickAction(&ev, column)), "action");
        QCOMPARE(int(TEventsPanel::DblClickAction(nullptr, column)), int(TEventsPanel::dcNone));
    }

    // What the list shows: service time without a device time, "-" while
    // open, and sorting by "Happened" orders by the time the column shows.
    void rowsOnScreen()
    {
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:9"), QString(), QString());
        TEventInfo noDevice(1, 7), early(2, 7);
        noDevice.h_sys_dt = EncodeDateTime(2025, 2, 3, 12, 0);
        early.h_obj_dt = EncodeDateTime(2025, 2, 3, 10, 0);
        early.h_sys_dt = EncodeDateTime(2025, 2, 3, 13, 0);
        early.c_obj_dt = EncodeDateTime(2025, 2, 3, 10, 30);
        early.c_lat = 58;
        early.c_lon = 56.25;
        TEventListModel m(&c);
        m.SetEvents({&noDevice, &early});
        QTreeView v;
        v.setModel(&m);
        v.resize(900, 200);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        // Descending by "Happened": 12:00 (shown as the service's time)
        // before 10:00 (the device's), whatever the other's service time.
        QCOMPARE(m.Event(m.index(0, 0))->uid, 1u);
        QCOMPARE(m.index(0, 1).data().toString(), QStringLiteral("03.02.2025 12:00:00"));
        QCOMPARE(m.index(0, 2).data().toString(), QStringLiteral("-"));
        QCOMPARE(m.index(1, 2).data().toString(), QStringLiteral("03.02.2025 10:30:00\n58.000000,56.250000"));
        QVERIFY(!v.visualRect(m.index(1, 1)).isEmpty());
        m.sort(1, Qt::AscendingOrder);
        QCOMPARE(m.Event(m.index(0, 0))->uid, 2u);
    }

    // Rows with and without a device time sorted by "Happened": the view
    // shows them in the order of the times it shows, ties in their order.
    // Each row: uid, device time, service time (hours; negative: none).
    void happenedOrderOnScreen_data()
    {
        QTest::addColumn<QList<QList<double>>>("rows");
        QTest::addColumn<QList<uint>>("descending"); // uids from the top
        QTest::addRow("device times between service times")
            << QList<QList<double>>{{1, -1, 12}, {2, 10, 13}, {3, -1, 11}, {4, 14, 9}, {5, 11.5, 20}}
            << QList<uint>{4, 1, 5, 3, 2};
        QTest::addRow("the comparison that was not transitive")
            << QList<QList<double>>{{1, -1, 12}, {2, 10, 13}, {3, 11, 11.5}}
            << QList<uint>{1, 3, 2};
        QTest::addRow("ties keep their order, no time at the bottom")
            << QList<QList<double>>{{1, 10, 15}, {2, -1, 10}, {3, -1, -1}, {4, 10, 8}, {5, -1, -1}}
            << QList<uint>{1, 2, 4, 3, 5};
    }
    void happenedOrderOnScreen()
    {
        QFETCH(QList<QList<double>>, rows);
        QFETCH(QList<uint>, descending);
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:9"), QString(), QString());
        std::vector<std::unique_ptr<TEventInfo>> events;
        std::vector<TEventInfo *> list;
        const auto at = [](double h) { return h < 0 ? qQNaN() : EncodeDateTime(2025, 2, 3, 0, 0) + h / 24; };
        for (const auto &r : rows) {
            events.push_back(std::make_unique<TEventInfo>(uint(r[0]), 7));
            events.back()->h_obj_dt = at(r[1]);
            events.back()->h_sys_dt = at(r[2]);
            list.push_back(events.back().get());
        }
        TEventListModel m(&c);
        m.SetEvents(list);
        QTreeView v;
        v.setModel(&m);
        v.setSortingEnabled(true);
        v.resize(900, 400);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        // The uids from the top of the view, by the rows' places on screen.
        const auto onScreen = [&] {
            QMap<int, uint> byY;
            for (int i = 0; i < m.rowCount(); ++i)
                byY.insert(v.visualRect(m.index(i, 1)).y(), m.Event(m.index(i, 0))->uid);
            return byY.values();
        };
        v.sortByColumn(1, Qt::DescendingOrder);
        QCOMPARE(onScreen(), descending);
        // Ascending: the shown times never fall from the top down (rows
        // without a time first).
        v.sortByColumn(1, Qt::AscendingOrder);
        QHash<uint, double> shown;
        for (const auto &r : rows)
            shown.insert(uint(r[0]), r[1] >= 0 ? r[1] : r[2]);
        const QList<uint> ascending = onScreen();
        QCOMPARE(ascending.size(), rows.size());
        for (int i = 1; i < ascending.size(); ++i)
            QVERIFY2(shown[ascending[i - 1]] <= shown[ascending[i]], qPrintable(QString::number(ascending[i])));
    }

    // The period asked for: an end before the start, or none, widens to the
    // end of the start's day; the minute's refresh asks again only while the
    // period holds the present.
    void periods_data()
    {
        // Minutes from the present; NaN: no end. asked: the end sent, in
        // minutes from the present, or NaN for the end of the start's day.
        QTest::addColumn<double>("fromMin");
        QTest::addColumn<double>("toMin");
        QTest::addColumn<double>("askedMin");
        QTest::addColumn<bool>("refreshes");
        QTest::addRow("holds the present") << -2.0 << 2.0 << 2.0 << true;
        QTest::addRow("a minute back to two back: to the end of the day") << -1.0 << -2.0 << qQNaN() << true;
        QTest::addRow("equal ends: to the end of the day") << -1.0 << -1.0 << qQNaN() << true;
        QTest::addRow("no end") << -1.0 << qQNaN() << qQNaN() << true;
        QTest::addRow("ends a minute ago: no refresh") << -3.0 << -1.0 << -1.0 << false;
        QTest::addRow("starts in a minute: no refresh") << 1.0 << 3.0 << 3.0 << false;
    }
    void periods()
    {
        QFETCH(double, fromMin);
        QFETCH(double, toMin);
        QFETCH(double, askedMin);
        QFETCH(bool, refreshes);
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QTabWidget pager;
        TEventsPanel panel(ctx, &pager, nullptr);
        const TDateTime now = ctx.AccountNow();
        if (now - std::floor(now) < 5.0 / 1440 || std::ceil(now) - now < 5.0 / 1440)
            QSKIP("too near the account's midnight for periods of minutes");
        const TDateTime from = now + fromMin / 1440;
        QVERIFY(panel.LoadEvents(from, now + toMin / 1440) >= 0);
        QCOMPARE(ctx.Client()->EventListDt1(), from);
        const TDateTime asked = std::isnan(askedMin) ? std::floor(from) + 0.999999 : now + askedMin / 1440;
        QVERIFY2(std::abs(ctx.Client()->EventListDt2() - asked) < 1e-9,
                 qPrintable(FormatDateTimeNaN(QString(), ctx.Client()->EventListDt2())));
        ctx.LogText.clear();
        panel.RefreshEvents();
        QCOMPARE(ctx.LogText.contains(QLatin1String("Load events")), refreshes);
    }

    // The pictures of column 0: open and accepted alarms differ from plain events.
    void images_data()
    {
        QTest::addColumn<bool>("alarmList");
        QTest::addColumn<int>("trap"); // 0: not in the client's list
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("image");
        QTest::addRow("alarms: open") << true << 1 << false << 3;
        QTest::addRow("alarms: accepted") << true << 1 << true << 2;
        QTest::addRow("alarms: trap unknown") << true << 0 << false << 0;
        QTest::addRow("events: alarm trap, open") << false << 2 << false << 3;
        QTest::addRow("events: alarm trap, accepted") << false << 2 << true << 2;
        QTest::addRow("events: plain trap") << false << 1 << false << 0;
    }
    void images()
    {
        QFETCH(bool, alarmList);
        QFETCH(int, trap);
        QFETCH(bool, accepted);
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:9"), QString(), QString());
        for (int uid : {1, 2}) {
            auto t = std::make_unique<TTrapInfo>(uid, 0);
            t->is_alarm = uid == 2;
            c.TrapList().push_back(std::move(t));
        }
        TEventInfo ev(5, 7);
        ev.trap_id = trap;
        if (accepted)
            ev.accept_dt = EncodeDateTime(2025, 2, 3, 15, 0);
        TEventListModel m(&c);
        m.SetAlarmList(alarmList);
        QTEST(m.ImageIndex(&ev), "image");
    }

    // The Events page opens on the newest event, on the screen, in either
    // order of the "Happened" column.
    void pageOpensOnTheNewest_data()
    {
        QTest::addColumn<int>("order");
        QTest::addRow("newest first") << int(Qt::DescendingOrder);
        QTest::addRow("oldest first") << int(Qt::AscendingOrder);
    }
    void pageOpensOnTheNewest()
    {
        QFETCH(int, order);
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        QTabWidget pager;
        pager.resize(1000, 200); // fewer rows fit than the demo has
        TEventsPanel panel(ctx, &pager, nullptr);
        pager.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pager));
        panel.EventList->sortByColumn(1, Qt::SortOrder(order));
        QVERIFY(panel.LoadEvents(0, 0) > 3);
        pager.setCurrentWidget(panel.EventList->parentWidget());
        QTRY_VERIFY(panel.EventList->isVisible());
        panel.EventsPageShown();
        auto *m = static_cast<TEventListModel *>(panel.EventList->model());
        const QModelIndex cur = panel.EventList->currentIndex();
        QVERIFY(cur.isValid());
        const TEventInfo *shown = m->Event(cur);
        for (int i = 0; i < m->Count(); ++i)
            QVERIFY(TEventListModel::CompareEvents(m->Event(m->index(i, 0)), shown, 1) <= 0);
        QVERIFY(panel.EventList->viewport()->rect().intersects(panel.EventList->visualRect(cur)));
    }

    void cleanupTestCase() { fSim.stop(); }
};

QTEST_MAIN(tst_EventsPanel)
#include "tst_EventsPanel.moc"
