#include "SimZoneRoutes.h"

#include "SimRouter.h"

void SimZoneRoutes::install(SimRouter &r, SimWorld &w)
{
    r.get(R"(/api/v1/user/zones)", [&w](const httplib::Request &, int uid) { return w.zones(uid); });
    r.post(R"(/api/v1/zone)", [&w](const httplib::Request &req, int uid) { return w.createZone(uid, SimRouter::form(req)); });
    r.put(R"(/api/v1/zone/(\d+))", [&w](const httplib::Request &req, int uid) {
        return w.updateZone(uid, SimRouter::pathInt(req, 1), SimRouter::form(req));
    });
    r.del(R"(/api/v1/zone/(\d+))", [&w](const httplib::Request &req, int uid) { return w.deleteZone(uid, SimRouter::pathInt(req, 1)); });
    r.get(R"(/api/v1/zone/(\d+)/history)", [&w](const httplib::Request &req, int uid) {
        return w.zoneHistory(uid, SimRouter::pathInt(req, 1), SimRouter::timeParam(req, "from"), SimRouter::timeParam(req, "to"),
                             SimRouter::intParam(req, "mode", 0), SimRouter::intParam(req, "tmode", 0));
    });

    r.get(R"(/api/v1/user/traps)", [&w](const httplib::Request &, int uid) { return w.traps(uid); });
    r.post(R"(/api/v1/trap)", [&w](const httplib::Request &req, int uid) { return w.createTrap(uid, SimRouter::form(req)); });
    r.put(R"(/api/v1/trap/(\d+))", [&w](const httplib::Request &req, int uid) {
        return w.updateTrap(uid, SimRouter::pathInt(req, 1), SimRouter::form(req));
    });
    r.del(R"(/api/v1/trap/(\d+))", [&w](const httplib::Request &req, int uid) { return w.deleteTrap(uid, SimRouter::pathInt(req, 1)); });

    r.get(R"(/api/v1/user/events)", [&w](const httplib::Request &req, int uid) {
        return w.events(uid, SimRouter::timeParam(req, "from"), SimRouter::timeParam(req, "to"));
    });
    r.put(R"(/api/v1/event/(\d+)/accept)", [&w](const httplib::Request &req, int uid) {
        return w.acceptEvent(uid, SimRouter::pathInt(req, 1), SimRouter::form(req).value(QStringLiteral("msg")));
    });
}
