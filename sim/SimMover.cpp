#include "SimMover.h"

#include "SimGeo.h"

#include <cmath>

namespace {
constexpr qint64 Minute = 60 * 1000;
}

SimMover::SimMover(int objUid, int uidBase, const SimRoute &route, bool driving, quint64 seed, qint64 startMs)
    : fObjUid(objUid)
    , fUidBase(uidBase)
    , fRoute(route)
    , fDriving(driving)
    , fRng(seed)
{
    // Reports fall on whole seconds, which keeps the incremental object list exact.
    startMs -= startMs % 1000;
    std::uniform_int_distribution<qint64> stop(1 * Minute, 20 * Minute);
    fStopUntil = startMs + stop(fRng);
    fBat = 40 + double(fRng() % 60);
    fLastMs = startMs;
    fNextReport = startMs + 1000 * qint64(10 + fRng() % 51);
}

void SimMover::wearBattery(qint64 t, double percent)
{
    fWorn = true;
    fBat = percent;
    fCharging = false;
    fReverse = false;
    if (fStopped)
        fStopUntil = std::min(fStopUntil, t);
}

void SimMover::move(qint64 t)
{
    std::uniform_real_distribution<double> u(0, 1);
    const double hours = double(t - fLastMs) / 3600000.0;
    // The step counter starts afresh every day.
    if (t / 86400000 != fLastMs / 86400000)
        fSteps = 0;
    if (fStopped) {
        if (t >= fStopUntil) {
            fStopped = false;
            fAtPlace = false;
            fPendingEvent = QStringLiteral("start");
            if (fCharging && !fDriving)
                fCharging = false;
        }
    } else {
        fDist += (fReverse ? -1 : 1) * fSpeed * 1000.0 * hours;
        if (!fDriving)
            fSteps += int(fSpeed * 1000.0 * hours / 0.7);
        const bool atEnd = fDist >= fRoute.length() || fDist <= 0;
        if (atEnd || u(fRng) < 0.012) {
            fDist = std::clamp(fDist, 0.0, fRoute.length());
            fStopped = true;
            fAtPlace = atEnd;
            std::uniform_int_distribution<qint64> stop(5 * Minute, 20 * Minute);
            fStopUntil = t + stop(fRng);
            fPendingEvent = QStringLiteral("stop");
            if (atEnd)
                fReverse = !fReverse;
        }
    }
    // Walking and driving speeds vary from report to report.
    if (!fStopped)
        fSpeed = fDriving ? 20 + u(fRng) * 55 : 3.5 + u(fRng) * 2.5;
    else
        fSpeed = 0;

    // Battery: trackers charge from the car while driving, phones at home
    // (the route's start) or whenever they run low while stopped.
    const bool wasCharging = fCharging;
    if (fWorn)
        fCharging = fStopped && fAtPlace && !fReverse;
    else if (fDriving)
        fCharging = !fStopped;
    else if (fStopped && fAtPlace && (fBat < 50 || !fReverse))
        fCharging = true;
    else if (fStopped && fBat < 15)
        fCharging = true;
    if (fCharging)
        fBat = std::min(100.0, fBat + 40 * hours);
    else
        fBat = std::max(1.0, fBat - (fWorn ? 120.0 : fStopped ? 2.0 : 6.0) * hours);
    if (fCharging && !wasCharging)
        fPendingEvent = QStringLiteral("charger_connected");
    else if (!fCharging && fBat < 15 && fPendingEvent.isEmpty() && u(fRng) < 0.1)
        fPendingEvent = QStringLiteral("low_battery");
    fLastMs = t;
}

SimPoint SimMover::report(qint64 t)
{
    std::uniform_real_distribution<double> u(0, 1);
    SimPoint p;
    p.uid = fUidBase + (++fSeq);
    p.objId = fObjUid;
    p.sysMs = t;
    p.objMs = t - 1000 * qint64(fRng() % 3);
    double bearing = 0;
    const SimRoute::Node pos = fRoute.positionAt(fDist, &bearing, fReverse);
    p.lat = pos.lat;
    p.lon = pos.lon;
    p.angle = std::round(bearing);
    p.speed = std::round(fSpeed * 10) / 10;
    p.alt = std::round(150 + 20 * std::sin(pos.lat * 900) + u(fRng) * 3);
    p.bat = int(fBat);
    p.charging = fCharging;

    // Position source and its accuracy: places and Wi-Fi where the device
    // knows the networks, satellites on the move, cell towers now and then.
    const double r = u(fRng);
    if (fStopped && fAtPlace) {
        p.src = r < 0.6 ? 3 : 2;
        p.acc = p.src == 3 ? 15 : 25 + std::round(u(fRng) * 20);
    } else if (r < 0.08) {
        p.src = 1;
        p.acc = 300 + std::round(u(fRng) * 1200);
    } else if (!fDriving && r < 0.25) {
        p.src = 2;
        p.acc = 20 + std::round(u(fRng) * 30);
    } else {
        p.src = 0;
        p.acc = 3 + std::round(u(fRng) * 9);
        p.gpsMs = p.objMs - 1000 * qint64(fRng() % 3);
    }
    if (p.src != 0 && p.src != 3) {
        // The reported position lies somewhere within the accuracy radius.
        SimGeo::destination(p.lat, p.lon, p.acc * u(fRng) * 0.7, u(fRng) * 360, p.lat, p.lon);
    }
    p.lat = std::round(p.lat * 1e6) / 1e6;
    p.lon = std::round(p.lon * 1e6) / 1e6;
    p.temp = std::round((fDriving ? 28 + 10 * u(fRng) : 31 + 4 * u(fRng)) * 10) / 10;
    p.steps = fSteps;
    p.heart = fDriving ? 0 : int(fStopped ? 62 + fRng() % 15 : 88 + fRng() % 30);
    p.event = fPendingEvent;
    fPendingEvent.clear();
    return p;
}

void SimMover::advance(qint64 untilMs, QList<SimPoint> &out)
{
    std::uniform_int_distribution<qint64> gap(10, 60);
    while (fNextReport <= untilMs) {
        const qint64 t = fNextReport;
        move(t);
        out.append(report(t));
        // Devices at rest report less often.
        fNextReport = t + 1000 * (fStopped ? std::max<qint64>(gap(fRng), 45) : gap(fRng));
    }
}
