// The demo account's traps, alarms and trips as the trap, alarm and trip
// windows need them from the first minute.

#include "SimWorld.h"

void SimWorld::addDemoExtrasLocked(qint64 /*nowMs*/)
{
    // Messages use the fields the service fills in, as the trap editor offers them.
    for (SimTrap &t : fTraps) {
        switch (t.targetTypeId) {
        case 1:
            t.msg = QStringLiteral("{{.object}} entered {{.target}} at {{.time}}");
            break;
        case 4:
            t.subj = QStringLiteral("Low battery: {{.object}}");
            t.msg = QStringLiteral("{{.object}}: battery {{.sval}}% (below {{.tval}}%) at {{.lat}},{{.lon}}");
            break;
        case 5:
            t.msg = QStringLiteral("{{.object}} drives at {{.sval}} km/h (over {{.tval}})");
            break;
        default:
            break;
        }
    }

    // An alarm that waits for a person, unless the history left one already.
    const SimTrap *manual = nullptr;
    for (const SimTrap &t : std::as_const(fTraps))
        if (t.isAlarm && t.acceptTypeId == 1 && t.objId == 0)
            manual = &t;
    bool open = false;
    for (const SimEvent &e : std::as_const(fEvents))
        open = open || (e.manualAccept && e.isOpenAlarm());
    if (manual && !open && !fObjects.empty()) {
        ObjectSim &os = *fObjects.begin()->second;
        if (!os.points.isEmpty()) {
            SimEvent e;
            e.uid = fNextEvent++;
            e.objId = os.obj.uid;
            e.trapId = manual->uid;
            e.trapVid = manual->vid;
            e.isAlarm = true;
            e.manualAccept = true;
            e.h = os.points.last();
            e.completed = true; // the battery was low for a moment; the alarm still waits
            e.c = os.points.last();
            fEvents.append(e);
            touch(os.obj, e.h.sysMs); // as if raised by that report: no change after it
        }
    }

    // One finished trip is published.
    for (SimTrip &t : fTrips)
        if (t.status == 2) {
            t.isPublic = true;
            t.token = QStringLiteral("demo-trip-%1").arg(t.uid);
            break;
        }
}
