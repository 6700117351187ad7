// Trips from the main window against velmora-sim: start with the proposed
// name, the running-trip question (also when the service answers 409), stop,
// and the trip list window with its track command and its end at sign-out.
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "OSM.TripInfo.h"
#include "OSM.ZoneInfo.h"
#include "PanelTestSupport.h"
#include "StartTripForm.h"
#include "TripInfoForm.h"
#include "TripsPanel.h"
#include "period_request_form.h"
#include "MonitorMap.h"
#include "ZtFormPos.h"

#include <QScopeGuard>

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>

// A context with a map on the screen, whose place the trip list avoids.
class TMapContext : public TTestPanelContext
{
public:
    TMapContext(const QString &Server, const QString &Token, const QString &CacheDir)
        : TTestPanelContext(Server, Token), fMapParent(new QWidget), fMap(fMapParent.get(), 1 << 20, CacheDir)
    {
        fMapParent->setGeometry(60, 60, 700, 500);
        fMap.Widget()->setGeometry(0, 0, 700, 500);
        fMapParent->show();
    }
    TMonitorMap *Map() const override { return const_cast<TMonitorMap *>(&fMap); }

private:
    std::unique_ptr<QWidget> fMapParent;
    TMonitorMap fMap;
};

class tst_TripsPanel : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;

    static TObjectInfo *idleObject(TVelmoraClient &c)
    {
        for (const auto &o : c.ObjList())
            if (o->trip_status != 1 && !o->is_deleted)
                return o.get();
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        IniFile.Open(fDir.filePath(QStringLiteral("trips.ini")));
        QVERIFY2(fSim.start(), "velmora-sim did not start");
    }

    void withoutObject_data()
    {
        QTest::addColumn<int>("action");
        QTest::addRow("start trip") << 1;
        QTest::addRow("stop trip") << 2;
    }
    void withoutObject()
    {
        QFETCH(int, action);
        TTestPanelContext ctx(QStringLiteral("http://127.0.0.1:9"), QStringLiteral("t"));
        TTripsPanel trips(ctx, nullptr);
        action == 1 ? trips.StartObjectTrip() : trips.StopObjectTrip();
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("object_not_selected")});
    }

    void startAskStop()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        ctx.Selected = idleObject(*ctx.Client());
        QVERIFY(ctx.Selected);
        const int uid = ctx.Selected->uid;
        TTripsPanel trips(ctx, nullptr);
        QList<int> changed;
        connect(&trips, &TTripsPanel::ObjectChanged, this, [&](int u) { changed << u; });

        QString proposed;
        {
            ModalWatcher start([&](QWidget *w) {
                auto *f = qobject_cast<TStartTripForm *>(w);
                if (!f)
                    return false;
                proposed = f->TripName();
                f->ButStart->click();
                return true;
            });
            trips.StartObjectTrip();
        }
        QVERIFY2(QRegularExpression(QStringLiteral("^trip_\\d{4}_\\d\\d_\\d\\d_\\d\\d_\\d\\d$")).match(proposed).hasMatch(),
                 qPrintable(proposed));
        QCOMPARE(ctx.Notices, QStringList{QStringLiteral("trip_started")});
        QCOMPARE(changed, QList<int>{uid});
        QCOMPARE(ctx.Selected->trip_status, 1);

        // Running: the question comes first; "No" leaves the trip running.
        ctx.BoxAnswer = 7;
        trips.StartObjectTrip();
        QCOMPARE(ctx.Boxes.size(), 1);
        QVERIFY(ctx.Boxes.last().contains(ctx.Selected->name));
        QCOMPARE(ctx.Selected->trip_status, 1);

        // The object's state is stale, the service knows better: 409 asks too, "Yes" stops.
        ctx.Selected->trip_status = 2;
        ctx.BoxAnswer = 6;
        {
            ModalWatcher start([](QWidget *w) {
                auto *f = qobject_cast<TStartTripForm *>(w);
                if (f)
                    f->ButStart->click();
                return f != nullptr;
            });
            trips.StartObjectTrip();
        }
        QCOMPARE(ctx.Boxes.size(), 2);
        QCOMPARE(ctx.Notices.last(), QStringLiteral("trip_stopped"));
        QCOMPARE(ctx.Selected->trip_status, 2);

        trips.StopObjectTrip();
        QCOMPARE(ctx.Notices.last(), QStringLiteral("trip_not_found"));
    }

    void tripListWindow()
    {
        TTestPanelContext ctx(fSim.url(), fSim.demoToken());
        QVERIFY(ctx.Client()->GetObjects() > 0);
        TTripsPanel trips(ctx, nullptr);
        QList<QVariantList> asked;
        trips.SetTrackRequest([&](int obj, const QString &sign, int mode, TDateTime dt1, TDateTime dt2) {
            asked << QVariantList{obj, sign, mode, dt1, dt2};
            return true;
        });
        const TDateTime now = ctx.AccountNow();
        {
            ModalWatcher period([now](QWidget *w) {
                auto *f = qobject_cast<TPeriodRequestForm *>(w);
                if (!f)
                    return false;
                f->SetDt1(std::floor(now) - 3);
                f->SetDt2(std::floor(now) + 1);
                f->ButOk->click();
                return true;
            });
            trips.OpenTrips();
        }
        QPointer<TTripInfoForm> win = trips.TripWindow();
        QVERIFY(win);
        QVERIFY(win->TripList->topLevelItemCount() > 0);
        trips.OpenTrips();
        QCOMPARE(ctx.Notices.last(), QStringLiteral("trip_info_active"));

        // A finished trip's track, with the trip's own period.
        const TTripInfo *done = nullptr;
        for (const auto &t : ctx.Client()->TripList())
            if (t->HasPeriod() && t->HasDistance())
                done = t.get();
        QVERIFY(done);
        QCOMPARE(trips.TripCommand(QStringLiteral("show"), QStringLiteral("track"), TTripInfoForm::TrackCommandArgs(*done)), 1);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0][0].toInt(), done->obj_id);
        QCOMPARE(asked[0][1].toString(), done->name);
        QCOMPARE(asked[0][2].toInt(), 1);
        QVERIFY(std::abs(asked[0][3].toDouble() - done->start_dt) < 1.0 / 86400);
        QVERIFY(std::abs(asked[0][4].toDouble() - done->stop_dt) < 1.0 / 86400);

        // Sign-out frees the trips and objects: the window goes first.
        ctx.RecordWindows().AllFreed();
        QTRY_VERIFY(win.isNull());
        QVERIFY(!trips.TripWindow());
    }

    // The trip list's track command is logged like the map's commands, and
    // once a track is drawn the list moves off the map it covered, to the
    // map's right and no further than the screen's edge.
    void trackCommandMovesTheListOffTheMap_data()
    {
        QTest::addColumn<bool>("overMap");
        QTest::addColumn<bool>("made");
        QTest::addRow("over the map, track drawn") << true << true;
        QTest::addRow("over the map, no track") << true << false;
        QTest::addRow("beside the map, track drawn") << false << true;
    }
    void trackCommandMovesTheListOffTheMap()
    {
        QFETCH(bool, overMap);
        QFETCH(bool, made);
        TMapContext ctx(fSim.url(), fSim.demoToken(), fDir.filePath(QStringLiteral("tiles")));
        QVERIFY(ctx.Client()->GetObjects() > 0);
        TTripsPanel trips(ctx, nullptr);
        trips.SetTrackRequest([made](int, const QString &, int, TDateTime, TDateTime) { return made; });
        const TDateTime now = ctx.AccountNow();
        {
            ModalWatcher period([now](QWidget *w) {
                auto *f = qobject_cast<TPeriodRequestForm *>(w);
                if (!f)
                    return false;
                f->SetDt1(std::floor(now) - 3);
                f->SetDt2(std::floor(now) + 1);
                f->ButOk->click();
                return true;
            });
            trips.OpenTrips();
        }
        QPointer<TTripInfoForm> win = trips.TripWindow();
        QVERIFY(win);
        const auto cleanup = qScopeGuard([&] { delete win; });
        QWidget *map = ctx.Map()->Widget();
        QTRY_VERIFY(map->isVisible());
        const QRect onScreen(map->mapToGlobal(QPoint(0, 0)), map->size());
        const QPoint start = overMap ? onScreen.topLeft() + QPoint(40, 30) : QPoint(onScreen.right() + 20, onScreen.top());
        win->move(start);
        QCOMPARE(win->pos(), start);
        const TTripInfo *done = nullptr;
        for (const auto &t : ctx.Client()->TripList())
            if (t->HasPeriod())
                done = t.get();
        QVERIFY(done);
        QCOMPARE(trips.TripCommand(QStringLiteral("show"), QStringLiteral("track"), TTripInfoForm::TrackCommandArgs(*done)), 1);
        QVERIFY2(ctx.LogText.contains(QStringLiteral("\rCommand: show track (")), qPrintable(ctx.LogText.right(300)));
        if (overMap && made) {
            const QRect wa = WorkAreaAt(onScreen.center());
            const int x = std::min(onScreen.right() + 1, wa.x() + wa.width() - win->frameGeometry().width());
            QCOMPARE(win->pos(), QPoint(x, start.y()));
        } else {
            QCOMPARE(win->pos(), start);
        }
    }

    void cleanupTestCase() { fSim.stop(); }
};

QTEST_MAIN(tst_TripsPanel)
#include "tst_TripsPanel.moc"
