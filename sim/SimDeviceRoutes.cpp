#include "SimDeviceRoutes.h"

#include "SimRouter.h"

#include <cmath>

void SimDeviceRoutes::install(SimRouter &r, SimWorld &w)
{
    // The body is the command text itself, not a form.
    r.post(R"(/api/v1/object/(\d+)/sendcmd)", [&w](const httplib::Request &req, int uid) {
        return w.sendCommand(uid, SimRouter::pathInt(req, 1), QString::fromUtf8(QByteArray::fromStdString(req.body)));
    });
    r.get(R"(/api/v1/object/(\d+)/cmdlog)", [&w](const httplib::Request &req, int uid) {
        int count = 10;
        if (SimRouter::hasQuery(req, "count")) {
            bool ok = false;
            count = SimRouter::query(req, "count").trimmed().toInt(&ok);
            if (!ok || count < 0)
                return SimReply::error(400, QStringLiteral("count must be a whole number, 0 or more"));
        }
        return w.commandLog(uid, SimRouter::pathInt(req, 1), count, SimRouter::query(req, "txt"));
    });
    r.get(R"(/api/v1/cmdlog/(\d+)/response)", [&w](const httplib::Request &req, int uid) {
        return w.commandResponse(uid, SimRouter::pathInt(req, 1));
    });
    r.get(R"(/api/v1/wifi_aps)", [&w](const httplib::Request &req, int) {
        auto num = [&req](const char *name) {
            bool ok = false;
            const double v = SimRouter::query(req, name).trimmed().toDouble(&ok);
            return ok ? v : std::nan("");
        };
        return w.wifiAps(num("minlat"), num("minlon"), num("maxlat"), num("maxlon"));
    });
    r.put(R"(/api/v1/object/(\d+)/starttrip)", [&w](const httplib::Request &req, int uid) {
        return w.startTrip(uid, SimRouter::pathInt(req, 1), SimRouter::form(req).value(QStringLiteral("name")));
    });
    r.put(R"(/api/v1/object/(\d+)/stoptrip)", [&w](const httplib::Request &req, int uid) { return w.stopTrip(uid, SimRouter::pathInt(req, 1)); });
    r.get(R"(/api/v1/user/trips)", [&w](const httplib::Request &req, int uid) {
        return w.trips(uid, SimRouter::timeParam(req, "from"), SimRouter::timeParam(req, "to"));
    });
    r.post(R"(/api/v1/osm/lookup)", [&w](const httplib::Request &req, int) {
        const QString ids = SimRouter::form(req).value(QStringLiteral("ids"));
        return w.osmLookup(ids.split(QLatin1Char(','), Qt::SkipEmptyParts));
    });
}
