#include "../client/RecordingServer.h"
#include "AccountClock.h"
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
#include <QRegularExpression>
#include <QSet>
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
        r.Dt2 = AccountNow();
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
        // Every message of the answer once: parkings are no points.
        QCOMPARE(t.Info().PointsCount, res.Count);
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
        QCOMPARE(f->Info().PointsCount, int(t.Points().size()));
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
        r.Dt2 = past ? EncodeDateTime(2001, 1, 2) : AccountNow();
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
        // The three hours before the given present, by the service's time,
        // in the whole seconds the service reads.
        QVERIFY(res.Dt2 <= now && (now - res.Dt2) * 86400 < 1);
        QCOMPARE(qRound64((res.Dt2 - res.Dt1) * 86400), 3 * 3600);
        double newest = 0;
        for (const auto &p : res.Track->Points()) {
            QVERIFY2(p->sys_dt >= res.Dt1 - 1e-9 && p->sys_dt <= res.Dt2 + 1e-9,
                     qPrintable(FormatDateTimeDef(QString(), p->sys_dt)));
            newest = std::max(newest, p->sys_dt);
        }
        QVERIFY((now - newest) * 1440 < 2);
        // Less than an hour asks for one hour.
        fLog.clear();
        w.RequestMessages(obj, 0, now);
        QVERIFY(fLog.contains(QStringLiteral("for 1 hour(s)")));
    }

    // The service reads the period in whole seconds: the period the quick
    // dump reports is the one sent, and the answer's messages lie inside it
    // whatever the millisecond of the present.
    void quickDumpPeriodInWholeSeconds_data()
    {
        QTest::addColumn<TDateTime>("now");
        QTest::addColumn<QString>("from"); // as sent, UTC (the zone is 3 hours)
        QTest::addColumn<QString>("to");
        QTest::addRow("on the second") << EncodeDateTime(2025, 3, 1, 12, 0, 0, 0) << "2025-03-01T06:00:00Z"
                                       << "2025-03-01T09:00:00Z";
        QTest::addRow("1 ms after") << EncodeDateTime(2025, 3, 1, 12, 0, 0, 1) << "2025-03-01T06:00:00Z"
                                    << "2025-03-01T09:00:00Z";
        QTest::addRow("half a second") << EncodeDateTime(2025, 3, 1, 12, 0, 0, 500) << "2025-03-01T06:00:00Z"
                                       << "2025-03-01T09:00:00Z";
        QTest::addRow("1 ms before the next") << EncodeDateTime(2025, 3, 1, 12, 0, 0, 999) << "2025-03-01T06:00:00Z"
                                              << "2025-03-01T09:00:00Z";
        QTest::addRow("1 ms before") << EncodeDateTime(2025, 3, 1, 11, 59, 59, 999) << "2025-03-01T05:59:59Z"
                                     << "2025-03-01T08:59:59Z";
        QTest::addRow("past midnight") << EncodeDateTime(2025, 3, 1, 1, 0, 0, 700) << "2025-02-28T19:00:00Z"
                                       << "2025-02-28T22:00:00Z";
    }
    void quickDumpPeriodInWholeSeconds()
    {
        QFETCH(TDateTime, now);
        QFETCH(QString, from);
        QFETCH(QString, to);
        RecordingServer srv;
        QVERIFY(srv.start());
        // Messages on both ends of the period and just outside it.
        auto point = [](int uid, const QString &at) {
            return QStringLiteral("{\"uid\":%1,\"obj_id\":7,\"sys_dt\":\"%2\",\"lat\":55.0,\"lon\":37.0}").arg(uid).arg(at);
        };
        const QString answer = u'[' + point(1, from) + u',' + point(2, to) + u']';
        srv.answer(QStringLiteral("/api/v1/object/7/track"), 200, answer.toUtf8(), "application/json");
        TVelmoraClient c(srv.baseUrl(), QStringLiteral("T"), QStringLiteral("0.125"));
        TTrackWorkflow w(c, nullptr, logger());
        TObjectInfo obj(7, QStringLiteral("car"));
        const auto res = w.RequestMessages(obj, 3, now);
        QVERIFY2(res.Track, qPrintable(fLog));
        const QString target = srv.requests().value(0).target;
        QVERIFY2(target.contains(QStringLiteral("from=") + from) && target.contains(QStringLiteral("to=") + to),
                 qPrintable(target));
        QVERIFY(res.Dt2 <= now && (now - res.Dt2) * 86400 < 1);
        QCOMPARE(FormatDateTimeDef(QString(), res.Dt2), FormatDateTimeDef(QString(), ParseDateTime(to) + 0.125));
        QCOMPARE(FormatDateTimeDef(QString(), res.Dt1), FormatDateTimeDef(QString(), ParseDateTime(from) + 0.125));
        QCOMPARE(int(res.Track->Points().size()), 2);
        for (const auto &p : res.Track->Points())
            QVERIFY(p->sys_dt >= res.Dt1 - 1e-9 && p->sys_dt <= res.Dt2 + 1e-9);
    }

    // A parking is a record beside the points, never a message: each of
    // the service's messages is counted, filtered and exported once, with or
    // without parkings, and clearing the marks gives the answer back.
    void parkingsAreNoMessages_data()
    {
        // One letter a message, 150 s apart: m drives, s stands at one
        // place, t at another.
        QTest::addColumn<QString>("track");
        QTest::addColumn<int>("parkings");
        QTest::addRow("no parking") << "mmmmmm" << 0;
        QTest::addRow("one parking") << "mmssssmm" << 1;
        QTest::addRow("one parking ending at the last message") << "mmssss" << 1;
        QTest::addRow("two parkings, the second at the end") << "mssssmmtttt" << 2;
        QTest::addRow("two parkings in the middle") << "msssmtttm" << 2;
    }
    void parkingsAreNoMessages()
    {
        QFETCH(QString, track);
        QFETCH(int, parkings);
        const TDateTime t0 = EncodeDateTime(2025, 4, 1, 9, 0, 0);
        TGeoTrack t(QStringLiteral("car"));
        for (int k = 0; k < track.size(); ++k) {
            auto p = std::make_unique<TTrackPointInfo>(100 + k, 7);
            p->sys_dt = p->obj_dt = p->gps_dt = t0 + k * 150 / 86400.0;
            p->speed = track[k] == u'm' ? 50 : 0;
            p->lat = track[k] == u'm' ? 55.0 + 0.05 * k : track[k] == u's' ? 55.7 : 56.1;
            p->lon = track[k] == u'm' ? 37.0 + 0.05 * k : track[k] == u's' ? 37.6 : 38.0;
            p->acc = 10;
            t.Points().push_back(std::move(p));
        }
        const int answer = int(track.size());
        t.MarkParking();
        t.UpdateInfo();
        QCOMPARE(int(t.Parkings().size()), parkings);
        QCOMPARE(t.Info().PointsCount, answer);
        QCOMPARE(t.Info().ParkingCount, parkings);

        // CSV: a row a message, each id once.
        QString csv = fDir.filePath(QStringLiteral("parkings.csv"));
        QVERIFY(t.ExportTrack(csv, 1, 0) > 0);
        QFile cf(csv);
        QVERIFY(cf.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(cf.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1);
        QCOMPARE(rows.size(), answer);
        QSet<QString> ids;
        for (const QString &r : rows)
            ids.insert(r.section(u';', 0, 0));
        QCOMPARE(ids.size(), answer);

        // GPX: a track point a message, each time once; a waypoint a parking.
        QString gpx = fDir.filePath(QStringLiteral("parkings.gpx"));
        QVERIFY(t.ExportTrack(gpx, 2, 0) > 0);
        QFile gf(gpx);
        QVERIFY(gf.open(QIODevice::ReadOnly));
        const QString g = QString::fromUtf8(gf.readAll());
        QCOMPARE(int(g.count(QStringLiteral("<trkpt "))), answer);
        QCOMPARE(int(g.count(QStringLiteral("<wpt "))), parkings);
        QSet<QString> times;
        static const QRegularExpression trkptTime(QStringLiteral("<trkpt [^>]*>.*?<time>([^<]*)</time>"));
        for (auto m = trkptTime.globalMatch(g); m.hasNext();)
            times.insert(m.next().captured(1));
        QCOMPARE(times.size(), answer);
        if (parkings > 0) {
            // The first parking: where, when and how long.
            const TTrackParking &k = t.Parkings().front();
            QVERIFY(g.contains(QStringLiteral("<wpt lat=\"%1\" lon=\"%2\"><time>%3</time><name>Parking 1</name>")
                                   .arg(k.Center.Lat, 0, 'f', 6)
                                   .arg(k.Center.Long, 0, 'f', 6)
                                   .arg(DateTimeToIso(k.Start, 0))));
            QVERIFY(g.contains(QStringLiteral("<cmt>%1</cmt>").arg(DurationToStr(k.Duration, 2).trimmed())));
            QVERIFY(g.indexOf(QStringLiteral("<wpt ")) < g.indexOf(QStringLiteral("<trk>")));
        }

        // Filters return no more than they were given.
        TVelmoraClient nowhere(QStringLiteral("http://127.0.0.1:9"), QString(), QStringLiteral("0.125"));
        TTrackWorkflow w(nowhere, nullptr, {});
        TMedianFilter m(3);
        QCOMPARE(w.FilterTrack(t, m, 0)->Info().PointsCount, answer);
        TKalmanFilter kf(0.001, 0.2);
        QCOMPARE(w.FilterTrack(t, kf, 0)->Info().PointsCount, answer);

        // Marks cleared: the answer as it came.
        t.ClearParking();
        t.UpdateInfo();
        QCOMPARE(t.Info().PointsCount, answer);
        QCOMPARE(t.Info().ParkPointsCount, 0);
        QVERIFY(t.Parkings().empty());
        for (int k = 0; k < answer; ++k)
            QCOMPARE(t.Points()[size_t(k)]->uid, 100 + k);
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
