// Routes and the devices that move along them.

#include "SimGeo.h"
#include "SimMover.h"

#include <QTest>

class TestSimMover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void routeFollowsTheStreetGrid()
    {
        std::mt19937_64 a(5), b(5);
        const SimRoute r = SimRoute::gridWalk(a, 0, 0, 20);
        QCOMPARE(SimRoute::gridWalk(b, 0, 0, 20).nodes().size(), r.nodes().size()); // seeded
        // 20 blocks long, every corner on the grid, turns only by a right angle.
        QVERIFY(std::abs(r.length() - 20 * SimRoute::BlockMetres) < 1.0);
        for (qsizetype k = 1; k + 1 < r.nodes().size(); ++k) {
            const auto &p = r.nodes()[k - 1], &q = r.nodes()[k], &s = r.nodes()[k + 1];
            const double turn = std::fmod(std::abs(SimGeo::bearing(p.lat, p.lon, q.lat, q.lon) - SimGeo::bearing(q.lat, q.lon, s.lat, s.lon)), 180.0);
            QVERIFY2(std::abs(turn - 90) < 0.5, qPrintable(QString::number(turn)));
        }
        const SimRoute::Node start = r.positionAt(-5), end = r.positionAt(1e9);
        QCOMPARE(start.lat, r.nodes().first().lat);
        QCOMPARE(end.lon, r.nodes().last().lon);
        const SimRoute::Node mid = r.positionAt(SimRoute::BlockMetres / 2);
        QVERIFY(std::abs(SimGeo::distance(start.lat, start.lon, mid.lat, mid.lon) - SimRoute::BlockMetres / 2) < 0.5);
    }

    void reports_data()
    {
        QTest::addColumn<bool>("driving");
        QTest::addRow("walking phone") << false;
        QTest::addRow("driving tracker") << true;
    }

    // Two days of reports: regular, plausible, with stops of 5 to 20 minutes.
    void reports()
    {
        QFETCH(bool, driving);
        std::mt19937_64 rng(11);
        const SimRoute route = SimRoute::gridWalk(rng, 0, 0, driving ? 40 : 8);
        const qint64 start = 1'700'000'000'000;
        SimMover m(1001, 1000000, route, driving, 42, start);
        QList<SimPoint> pts;
        m.advance(start + 2 * 86400000LL, pts);
        QVERIFY(pts.size() > 2000);

        qint64 stopStart = 0;
        int stops = 0;
        double maxSpeed = 0;
        QSet<int> sources;
        for (qsizetype i = 0; i < pts.size(); ++i) {
            const SimPoint &p = pts[i];
            QCOMPARE(p.sysMs % 1000, 0);
            QVERIFY(p.objMs <= p.sysMs);
            QVERIFY(p.bat >= 1 && p.bat <= 100);
            QCOMPARE(p.uid, 1000000 + int(i) + 1);
            maxSpeed = std::max(maxSpeed, p.speed);
            sources.insert(p.src);
            if (i > 0) {
                const qint64 gap = p.sysMs - pts[i - 1].sysMs;
                QVERIFY2(gap >= 10000 && gap <= 60000, qPrintable(QString::number(gap)));
            }
            if (p.speed == 0 && stopStart == 0)
                stopStart = p.sysMs;
            if (p.speed > 0 && stopStart != 0) {
                const qint64 length = pts[i - 1].sysMs - stopStart;
                // The first stop at start may be shorter; every other one lasts 5 to 20 minutes.
                if (stopStart > pts.first().sysMs) {
                    QVERIFY2(length >= 5 * 60000 - 60000 && length <= 20 * 60000, qPrintable(QString::number(length)));
                    ++stops;
                }
                stopStart = 0;
            }
        }
        QVERIFY(stops >= 10);
        QVERIFY(driving ? maxSpeed > 40 && maxSpeed <= 75 : maxSpeed >= 3.5 && maxSpeed <= 6);
        QVERIFY(sources.contains(0) && sources.contains(1) && sources.contains(3));

        // The battery both drains and charges.
        bool drained = false, charged = false;
        for (qsizetype i = 1; i < pts.size(); ++i) {
            drained = drained || pts[i].bat < pts[i - 1].bat;
            charged = charged || pts[i].bat > pts[i - 1].bat;
        }
        QVERIFY(drained && charged);
    }
};

QTEST_GUILESS_MAIN(TestSimMover)
#include "tst_SimMover.moc"
