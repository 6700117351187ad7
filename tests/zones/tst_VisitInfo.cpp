#include "OSM.VisitInfo.h"
#include "ZtDates.h"

#include <QTest>

#include <cmath>

// Points given as "object@hh:nn" (device time), "object@shh:nn" (service
// time only) or "object@-" (no time), in any order.
static TTrackPointList points(const QStringList &specs)
{
    TTrackPointList list;
    int uid = 1;
    for (const QString &s : specs) {
        const int obj = s.section('@', 0, 0).toInt();
        QString when = s.section('@', 1, 1);
        const bool serviceOnly = when.startsWith('s');
        if (serviceOnly)
            when.remove(0, 1);
        const QTime t = QTime::fromString(when, QStringLiteral("hh:mm"));
        auto p = std::make_unique<TTrackPointInfo>(uid++, obj);
        const double dt = t.isValid() ? EncodeDateTime(2025, 3, 1, t.hour(), t.minute()) : 0;
        p->obj_dt = serviceOnly ? 0 : dt;
        p->sys_dt = serviceOnly ? dt : 0;
        list.push_back(std::move(p));
    }
    return list;
}

class TstVisitInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void grouping_data()
    {
        QTest::addColumn<QStringList>("pts");
        QTest::addColumn<QStringList>("visits"); // "object:start-end:count"
        QTest::addRow("50 minutes apart: one stay") << QStringList{"1@10:00", "1@10:50"}
                                                    << QStringList{"1:10:00-10:50:2"};
        QTest::addRow("exactly an hour apart: one stay") << QStringList{"1@09:00", "1@10:00"}
                                                         << QStringList{"1:09:00-10:00:2"};
        QTest::addRow("61 minutes apart: two stays") << QStringList{"1@10:00", "1@11:01"}
                                                     << QStringList{"1:10:00-10:00:1", "1:11:01-11:01:1"};
        QTest::addRow("two objects interleaved")
            << QStringList{"2@10:10", "1@10:00", "2@10:30", "1@10:20"}
            << QStringList{"1:10:00-10:20:2", "2:10:10-10:30:2"};
        QTest::addRow("unsorted points of one stay") << QStringList{"1@10:40", "1@10:00", "1@10:20"}
                                                     << QStringList{"1:10:00-10:40:3"};
        QTest::addRow("no device time: the service time ends the stay")
            << QStringList{"1@10:00", "1@s10:40"} << QStringList{"1:10:00-10:40:2"};
        QTest::addRow("no device time: 61 minutes by service time")
            << QStringList{"1@s11:01", "1@10:00"} << QStringList{"1:10:00-10:00:1", "1:11:01-11:01:1"};
        QTest::addRow("no time at all: in no stay") << QStringList{"1@10:00", "1@-", "1@10:10"}
                                                    << QStringList{"1:10:00-10:10:2"};
    }
    void grouping()
    {
        QFETCH(QStringList, pts);
        QFETCH(QStringList, visits);
        TTrackPointList history = points(pts);
        QList<int32_t> asked;
        const TVisitList v = GroupVisits(history, [&](int32_t uid) {
            asked << uid;
            return nullptr;
        });
        QStringList got;
        for (const auto &x : v)
            got << QStringLiteral("%1:%2-%3:%4")
                       .arg(x->obj_id)
                       .arg(DateTimeToQDateTime(x->start_dt).toString("hh:mm"),
                            DateTimeToQDateTime(x->end_dt).toString("hh:mm"))
                       .arg(x->points.size());
        QCOMPARE(got, visits);
        QCOMPARE(asked.size(), visits.size());
        // Every point with a time is in exactly one visit, and the history is
        // now sorted by object and time.
        qsizetype n = 0, timed = 0;
        for (const auto &x : v)
            n += x->points.size();
        for (const auto &p : history)
            timed += std::isnan(VisitTime(*p)) ? 0 : 1;
        QCOMPARE(n, timed);
        for (size_t i = 1; i < history.size(); ++i) {
            const auto &a = *history[i - 1], &b = *history[i];
            QVERIFY(a.obj_id < b.obj_id || (a.obj_id == b.obj_id && !(VisitTime(a) > VisitTime(b))));
        }
    }

    void duration()
    {
        TTrackPointList history = points({"1@09:00", "1@09:30", "1@10:00"});
        const TVisitList v = GroupVisits(history);
        QCOMPARE(v.size(), size_t(1));
        QCOMPARE(v[0]->GetDuration(), int64_t(3600));
    }
};

QTEST_GUILESS_MAIN(TstVisitInfo)
#include "tst_VisitInfo.moc"
