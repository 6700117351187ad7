#pragma once

#include "SimRecords.h"
#include "SimRoute.h"

#include <random>

// Moves one simulated device back and forth along its route and produces the
// positions it reports: stops of 5 to 20 minutes at the route's ends and now
// and then on the way, a report every 10 to 60 s, a battery that drains and
// charges, and a position source that follows what the device would see.
class SimMover
{
public:
    SimMover(int objUid, int uidBase, const SimRoute &route, bool driving, quint64 seed, qint64 startMs);

    // From `t` on the battery is worn: it holds `percent`, loses 2 % a minute
    // and charges only while the device rests at home. The device sets out
    // away from home at once, so it runs low within minutes.
    void wearBattery(qint64 t, double percent);

    // Runs the device up to `untilMs` and appends every report made on the way.
    void advance(qint64 untilMs, QList<SimPoint> &out);

    const SimRoute &route() const { return fRoute; }
    bool driving() const { return fDriving; }
    bool stopped() const { return fStopped; }
    qint64 lastMs() const { return fLastMs; }
    int battery() const { return int(fBat); }

private:
    SimPoint report(qint64 t);
    void move(qint64 t);

    int fObjUid;
    int fUidBase;
    int fSeq = 0;
    SimRoute fRoute;
    bool fDriving;
    std::mt19937_64 fRng;
    double fDist = 0;
    bool fReverse = false;
    bool fStopped = true;
    bool fAtPlace = true; // stopped at a route end, where the device knows the Wi-Fi
    qint64 fStopUntil;
    double fSpeed = 0;
    double fBat = 80;
    bool fCharging = false;
    bool fWorn = false;
    qint64 fLastMs;
    qint64 fNextReport;
    int fSteps = 0;
    QString fPendingEvent;
};
