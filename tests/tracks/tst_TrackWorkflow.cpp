#include "../client/RecordingServer.h"
#include "OSM.AddressCache.h"
#include "OSM.ObjectInfo.h"
#include "TrackDumpForm.h"
#include "TrackDumpModel.h"
#include "TrackInfoForm.h"
#include "TrackWorkflow.h"
#include "TracksTestSupport.h"
#include "ZtFormat.h"
#include "kalman_filter.h"
#include "median_filter.h"

#include <QListWidget>
#include <QtCharts/QLineSeries>
#include <QtTest>

#include <cmath>

class tst_TrackWorkflow : public QObject
{
    Q_OBJECT
    QTemporaryDir fDir;
    SimProcess fSim;
    QString fLog;

    std::unique_ptr<TVelmoraClient> signedIn(const QString &url)
    {
        auto c = std::make_unique<TVelmoraClient>(url, QString(), QStringLiteral("0.125"));
        c->SetLogCallback([this](const QString &f, const QVariantList &a, int n) { fLog += FormatLogText(f, a, n); });
        if (!c->Login(QStringLiteral("demo"), QStringLiteral("demo")) || c->GetObjects() <= 0)
            return nullptr;
        return c;
    }
    TLogCallback logger()
    {
        return [this](const QString &f, const QVariantList &a, int n) { fLog += FormatLogText(f, a, n); };
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        InitProgramState(fDir.path());
        QVERIFY(fSim.start());
    }
    void init() { fLog.clear(); }

    void requestedTrackEndToEnd()
    {
        auto c = signedIn(fSim.url());
        QVERIFY(c);
        TAddressCache cache(fDir.filePath(QStringLiteral("a.address")));
        TTrackWorkflow w(*c, &cache, logger());
        // A phone: it reports sensors with names.
        const TObjectInfo *phone = nullptr;
        for (const auto &o : c->ObjList())
            for (const auto &s : o->sensors)
                if (s->sign == QLatin1String("temp"))
                    phone = o.get();
        QVERIFY(phone);
        const TObjectInfo &obj = *phone;
        TTrackWorkflow::TRequest r;
        r.Dt2 = Now();
        r.Dt1 = r.Dt2 - 6.0 / 24;
        r.Sign = QStringLiteral("six_hours");
        r.Style = 2;
        r.Mode = 1;
        const auto res = w.RequestTrack(obj, r);
        QVERIFY2(res.Track, qPrintable(fLog));
        const TGeoTrack &t = *res.Track;
        // The points moved into the track: the client holds no second copy.
        QVERIFY(res.Count > 0);
        QVERIFY(c->TrackList().empty());
        QCOMPARE(t.Sign(), obj.name + QStringLiteral("-six_hours"));
        QCOMPARE(t.ObjId(), obj.id);
        QCOMPARE(t.Style().Sign, QStringLiteral("Green"));
        // Parking summary points come on top of what the service sent.
        QVERIFY(t.Info().PointsCount >= res.Count);
        QVERIFY(t.Info().Distance > 0);
        QVERIFY(t.Info().HasGeoRect());
        QVERIFY(t.Info().AddressCount > 0);
        QVERIFY(cache.Count() > 0); // addresses were looked up
        QVERIFY(fLog.contains(QStringLiteral("points: total=%1").arg(t.Info().PointsCount)));

        // What the windows show of it.
        TTrackInfoForm info(&cache, nullptr);
        info.Fill(t);
        QCOMPARE(info.Value(QStringLiteral("points")), QString::number(t.Points().size()));
        QCOMPARE(info.Value(QStringLiteral("distance")), QString::number(t.Info().Distance / 1000, 'f', 3));
        QCOMPARE(info.Value(QStringLiteral("addr_points")), QString::number(t.Info().AddressCount));
        QVERIFY(info.SbPath);
        TTrackDumpForm dump;
        dump.SetTrack(c.get(), res.Track.get(), false);
        dump.show();
        QCOMPARE(dump.Model()->rowCount(), int(t.Points().size()));
        QList<QListWidgetItem *> temp = dump.ValueList->findItems(QStringLiteral("temp | "), Qt::MatchStartsWith);
        QStringList entries;
        for (int i = 0; i < dump.ValueList->count(); ++i)
            entries << dump.ValueList->item(i)->text();
        QVERIFY2(temp.size() == 1, qPrintable(entries.join(u'/')));
        dump.ChooseValue(dump.ValueList->row(temp.first()));
        QVERIFY(dump.Series->count() > 0);

        // A filtered copy: its own statistics, same number of points as the source's.
        TKalmanFilter k(0.001, 0.2);
        const auto f = w.FilterTrack(t, k, 3);
        QCOMPARE(f->Sign(), t.Sign() + QStringLiteral("-kalman-0.0010-0.20"));
        QCOMPARE(f->Style().Sign, QStringLiteral("Purple"));
        QVERIFY(f->Info().PointsCount >= int(t.Points().size()));
        QVERIFY(f->Info().Distance > 0);
        QVERIFY(f->Info().Distance < t.Info().Distance * 1.01);
    }

    void failureIsNotNoData_data()
    {
        QTest::addColumn<QString>("faults");
        QTest::addColumn<bool>("past");
        QTest::addColumn<int>("count");
        QTest::addRow("empty answer") << "" << true << 0;
        QTest::addRow("server error") << "/api/v1/object/:500=1" << false << -1;
    }
    void failureIsNotNoData()
    {
        QFETCH(QString, faults);
        QFETCH(bool, past);
        QFETCH(int, count);
        SimProcess sim;
        QVERIFY(sim.start(faults.isEmpty() ? QStringList() : QStringList{QStringLiteral("--faults"), faults}));
        auto c = signedIn(sim.url());
        QVERIFY(c);
        TTrackWorkflow w(*c, nullptr, logger());
        TTrackWorkflow::TRequest r;
        r.Dt2 = past ? EncodeDateTime(2001, 1, 2) : Now();
        r.Dt1 = r.Dt2 - 1;
        const auto res = w.RequestTrack(*c->ObjList().front(), r);
        QCOMPARE(res.Count, count);
        QVERIFY(!res.Track);
        QCOMPARE(res.Failed(), count < 0);
        QCOMPARE(res.ErrorMessage.isEmpty(), count >= 0);
        const auto dump = w.RequestMessages(*c->ObjList().front(), 0, NowInZone(c->TimeZone()));
        QCOMPARE(dump.Failed(), count < 0);
    }

    void quickDumpHours()
    {
        auto c = signedIn(fSim.url());
        QVERIFY(c);
        TTrackWorkflow w(*c, nullptr, logger());
        const TObjectInfo &obj = *c->ObjList().front();
        const TDateTime now = NowInZone(c->TimeZone());
        const auto res = w.RequestMessages(obj, 3, now);
        QVERIFY2(res.Track, qPrintable(fLog));
        QCOMPARE(res.Track->Sign(), obj.name + QStringLiteral(" 3 hour"));
        QVERIFY(fLog.contains(QStringLiteral("for 3 hour(s)")));
        // The three hours before the given present, by the service's time.
        double newest = 0;
        for (const auto &p : res.Track->Points()) {
            QVERIFY(p->sys_dt >= now - 3.0 / 24 - 1e-6 && p->sys_dt <= now + 1e-6);
            newest = std::max(newest, p->sys_dt);
        }
        QVERIFY((now - newest) * 1440 < 2);
        // Less than an hour asks for one hour.
        fLog.clear();
        w.RequestMessages(obj, 0, now);
        QVERIFY(fLog.contains(QStringLiteral("for 1 hour(s)")));
    }

    void addressLookupsInBatches_data()
    {
        QTest::addColumn<int>("distinct");
        QTest::addColumn<QList<int>>("batches");
        QTest::addRow("120 ids") << 120 << QList<int>{50, 50, 20};
        QTest::addRow("3 ids") << 3 << QList<int>{3};
        QTest::addRow("50 ids") << 50 << QList<int>{50};
        QTest::addRow("51 ids") << 51 << QList<int>{50, 1};
    }
    void addressLookupsInBatches()
    {
        QFETCH(int, distinct);
        QFETCH(QList<int>, batches);
        RecordingServer srv;
        QVERIFY(srv.start());
        srv.answer(QStringLiteral("/api/v1/osm/lookup"), 200, "[]");
        TVelmoraClient c(srv.baseUrl(), QStringLiteral("T"), QStringLiteral("0"));
        TAddressCache cache(fDir.filePath(QStringLiteral("b.address")));
        TTrackWorkflow w(c, &cache, {});
        TTrackPointList pts;
        for (int i = 0; i < 120; ++i) {
            auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
            p->osm_id = QStringLiteral("N%1").arg(i % distinct);
            pts.push_back(std::move(p));
        }
        QCOMPARE(w.LookupAddresses(pts), int(batches.size()));
        const auto reqs = srv.requests();
        QCOMPARE(reqs.size(), batches.size());
        int first = 0;
        for (int b = 0; b < batches.size(); ++b) {
            const QStringList ids = QString::fromUtf8(reqs[b].body).mid(4).split(u',');
            QCOMPARE(ids.size(), batches[b]);
            QCOMPARE(ids.first(), QStringLiteral("N%1").arg(first));
            first += batches[b];
        }
    }

    // A point without a position is kept as it is, not replaced by the
    // previous filtered one.
    void filterKeepsPointsWithoutPosition()
    {
        TVelmoraClient c(QStringLiteral("http://127.0.0.1:1"), QString(), QString());
        TTrackWorkflow w(c, nullptr, {});
        TGeoTrack src;
        src.SetSign(QStringLiteral("s"));
        for (int i = 0; i < 5; ++i) {
            auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
            p->obj_dt = p->gps_dt = p->sys_dt = 45000 + i / 1440.0;
            if (i != 2) {
                p->lat = 57.99 + i * 0.001;
                p->lon = 56.27 + i * 0.001;
                p->speed = 30;
            }
            src.Points().push_back(std::move(p));
        }
        TMedianFilter m(3);
        const auto f = w.FilterTrack(src, m, 0);
        QCOMPARE(f->Points().size(), size_t(5));
        QCOMPARE(f->Points()[2]->uid, 3);
        QVERIFY(!f->Points()[2]->HasLatLon());
        QCOMPARE(f->Info().GoodPointsCount, 4);
        QCOMPARE(f->Info().PointsCount, 5);
    }
};

QTEST_MAIN(tst_TrackWorkflow)
#include "tst_TrackWorkflow.moc"
