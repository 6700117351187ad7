// Trips against the simulated service: starting and stopping, the trip list
// window with its details, and the command that shows a trip's track.
#include "../main/MainTestSupport.h"
#include "AccountClock.h"
#include "OSM.TripInfo.h"
#include "OSM.ObjectInfo.h"

#include "StartTripForm.h"
#include "TripInfoForm.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

#include <set>

class tst_TripInfoForm : public QObject
{
    Q_OBJECT

    QTemporaryDir fDir;
    SimProcess fSim;
    std::unique_ptr<TVelmoraClient> fClient;

    static TTripInfo *trip(TVelmoraClient &c, int uid)
    {
        for (const auto &t : c.TripList())
            if (t->uid == uid)
                return t.get();
        return nullptr;
    }

    static QTreeWidgetItem *rowOfTrip(TTripInfoForm &f, const QString &name)
    {
        const auto items = f.TripList->findItems(name, Qt::MatchExactly | Qt::MatchRecursive, 0);
        for (QTreeWidgetItem *i : items)
            if (i->parent())
                return i;
        return nullptr;
    }

    static QStringList detailKeys(TTripInfoForm &f)
    {
        QStringList keys;
        for (int i = 0; i < f.TripInfo->topLevelItemCount(); ++i)
            keys << f.TripInfo->topLevelItem(i)->data(0, Qt::UserRole).toString();
        return keys;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY2(fSim.start(), "velmora-sim did not start");
        fClient = std::make_unique<TVelmoraClient>(fSim.url(), fSim.demoToken(), QString());
        QVERIFY(fClient->GetObjects() > 1);
    }

    void cleanupTestCase() { fClient.reset(); }

    void startAndStop()
    {
        TObjectInfo *o = nullptr;
        for (const auto &obj : fClient->ObjList())
            if (obj->trip_status != 1)
                o = obj.get();
        QVERIFY(o);
        QVERIFY(fClient->StartTrip(o->uid, QString()));
        QVERIFY(!fClient->StartTrip(o->uid, QStringLiteral("second")));
        QCOMPARE(fClient->ResultCode(), 409);
        QVERIFY(fClient->GetObject(o));
        QCOMPARE(o->trip_status, 1);
        QVERIFY(fClient->StopTrip(o->uid));
        QVERIFY(!fClient->StopTrip(o->uid));
        QCOMPARE(fClient->ResultCode(), 409);
    }

    void startDialog()
    {
        TStartTripForm f;
        f.SetTripName(TVelmoraClient::DefaultTripName(EncodeDateTime(2025, 2, 3, 14, 5, 0, 0)));
        QCOMPARE(f.EdTripName->text(), QStringLiteral("trip_2025_02_03_14_05"));
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<TStartTripForm *>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->EdTripName->setText(QStringLiteral("  evening ride "));
            QTest::keyClick(d->EdTripName, Qt::Key_Return);
        });
        QCOMPARE(f.exec(), int(QDialog::Accepted));
        QCOMPARE(f.TripName(), QStringLiteral("evening ride"));
    }

    // The service's trips in the window, and a finished trip's track asked
    // of the main window with the trip's own period.
    void listAndTrack()
    {
        QVERIFY(fClient->GetTrips(AccountNow() - 4, AccountNow() + 0.01) > 0);
        std::set<int> objects;
        const TTripInfo *round = nullptr, *published = nullptr;
        for (const auto &t : fClient->TripList()) {
            objects.insert(t->obj_id);
            if (t->HasPeriod() && t->HasDistance() && !round)
                round = t.get();
            if (t->is_public)
                published = t.get();
        }
        QVERIFY(round);
        QVERIFY2(published, "no public trip");

        QStringList command;
        auto *f = new TTripInfoForm;
        QPointer<TTripInfoForm> alive(f);
        f->ShowTrips(fClient.get(), [&](QObject *sender, const QString &action, const QString &subj, const QStringList &args) {
            command = QStringList{action, subj} + args;
            return sender == f ? 1 : 0;
        });
        QVERIFY(QTest::qWaitForWindowExposed(f));
        QCOMPARE(f->TripList->topLevelItemCount(), int(objects.size()));

        QTreeWidgetItem *row = rowOfTrip(*f, round->name);
        QVERIFY(row);
        f->TripList->setCurrentItem(row);
        QVERIFY(detailKeys(*f).contains(QStringLiteral("distance")));
        QVERIFY(f->SbShowTrack && f->SbShowTrack->isVisible());
        QTest::mouseClick(f->SbShowTrack, Qt::LeftButton);
        QCOMPARE(command.value(0), QStringLiteral("show"));
        QCOMPARE(command.value(1), QStringLiteral("track"));
        QCOMPARE(command.value(2), QStringLiteral("name=") + round->name);
        QCOMPARE(command.value(3), QStringLiteral("obj_id=%1").arg(round->obj_id));
        QCOMPARE(command.value(4), QStringLiteral("dt1=") + DateTimeToIso(round->start_dt, 0));
        QCOMPARE(command.value(6), QStringLiteral("mode=1"));
        // The period carries points at the service.
        QVERIFY(fClient->GetTrack(round->obj_id, round->start_dt, round->stop_dt, 1) > 0);

        QTreeWidgetItem *pub = rowOfTrip(*f, published->name);
        QVERIFY(pub);
        f->TripList->setCurrentItem(pub);
        QVERIFY(detailKeys(*f).contains(QStringLiteral("token")));
        f->TripInfo->setFocus();
        f->TripInfo->setCurrentItem(f->TripInfo->topLevelItem(detailKeys(*f).indexOf(QStringLiteral("token"))));
        QTest::keyClick(f->TripInfo, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), published->token);

        // An object row lists the object.
        f->TripList->setCurrentItem(f->TripList->topLevelItem(0));
        QVERIFY(detailKeys(*f).contains(QStringLiteral("name")));
        QVERIFY(!f->SelTrip());
        f->close();
        QTRY_VERIFY(alive.isNull()); // closing frees the window
    }

    // Trips as the service may send them, in the tree and the details.
    void tripRows_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<double>("seconds"); // stop - start; negative: no stop time
        QTest::addColumn<double>("distance");
        QTest::addColumn<QString>("statusText");
        QTest::addColumn<QString>("dur"); // hours:minutes, seconds dropped, as the program writes durations
        QTest::addColumn<bool>("trackShown");
        QTest::addRow("one minute") << 2 << 60.0 << 1500.0 << "complete" << "00:01" << true;
        QTest::addRow("just under a minute") << 2 << 59.0 << 1500.0 << "complete" << "00:00" << true;
        QTest::addRow("just under an hour") << 2 << 3599.0 << 1500.0 << "complete" << "00:59" << true;
        QTest::addRow("one hour") << 2 << 3600.0 << 1500.0 << "complete" << "01:00" << true;
        QTest::addRow("an hour and a minute") << 2 << 3660.0 << 1500.0 << "complete" << "01:01" << true;
        QTest::addRow("over a day: hours go on past 24") << 2 << 90061.0 << 1500.0 << "complete" << "25:01" << true;
        QTest::addRow("running: no stop, no duration, no track") << 1 << -1.0 << 1500.0 << "active" << "" << false;
        QTest::addRow("no distance: no track") << 2 << 600.0 << 0.0 << "complete" << "00:10" << false;
        QTest::addRow("unknown status") << 3 << 600.0 << 800.0 << "unknown [3]" << "00:10" << true;
    }

    void tripRows()
    {
        QFETCH(int, status);
        QFETCH(double, seconds);
        QFETCH(double, distance);
        QFETCH(bool, trackShown);
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:1"), QString(), QString());
        auto o = std::make_unique<TObjectInfo>();
        o->uid = 7;
        o->name = QStringLiteral("Van");
        c.ObjList().push_back(std::move(o));
        auto t = std::make_unique<TTripInfo>(70, 7);
        t->name = QStringLiteral("fixture");
        t->status = status;
        t->start_dt = EncodeDateTime(2025, 2, 3, 14, 5, 0, 0);
        if (seconds >= 0)
            t->stop_dt = t->start_dt + seconds / 86400.0;
        t->distance = distance;
        c.TripList().push_back(std::move(t));

        int calls = 0;
        TTripInfoForm f;
        f.setAttribute(Qt::WA_DeleteOnClose, false);
        f.ShowTrips(&c, [&](QObject *, const QString &, const QString &, const QStringList &) { return ++calls; });
        QTreeWidgetItem *row = rowOfTrip(f, QStringLiteral("fixture"));
        QVERIFY(row);
        QCOMPARE(row->parent()->text(0), QStringLiteral("Van"));
        QTEST(row->text(1), "statusText");
        QTEST(row->text(3), "dur");
        QCOMPARE(row->text(2), QStringLiteral("03.02.2025 14:05"));
        f.TripList->setCurrentItem(row);
        QCOMPARE(f.SbShowTrack != nullptr, trackShown);
        QCOMPARE(detailKeys(f).contains(QStringLiteral("distance")), distance > 0);
        f.TripListDblClick();
        QCOMPARE(calls, trackShown ? 1 : 0);
    }
};

QTEST_MAIN(tst_TripInfoForm)
#include "tst_TripInfoForm.moc"
