#include "SimObjectRoutes.h"

#include "SimRouter.h"

void SimObjectRoutes::install(SimRouter &r, SimWorld &w)
{
    r.get(R"(/api/v1/user/objects)", [&w](const httplib::Request &req, int uid) {
        qint64 since = -1;
        if (!SimRouter::query(req, "dt").trimmed().isEmpty()) {
            since = SimRouter::timeParam(req, "dt");
            if (since < 0)
                return SimReply::error(400, QStringLiteral("dt must be a time such as 2025-01-31T10:00:00Z"));
        }
        return w.objects(uid, since);
    });
    r.post(R"(/api/v1/object)", [&w](const httplib::Request &req, int uid) { return w.createObject(uid, SimRouter::form(req)); });
    r.get(R"(/api/v1/object/(\d+))", [&w](const httplib::Request &req, int uid) { return w.object(uid, SimRouter::pathInt(req, 1)); });
    r.put(R"(/api/v1/object/(\d+))", [&w](const httplib::Request &req, int uid) {
        return w.updateObject(uid, SimRouter::pathInt(req, 1), SimRouter::form(req));
    });
    r.del(R"(/api/v1/object/(\d+))", [&w](const httplib::Request &req, int uid) { return w.deleteObject(uid, SimRouter::pathInt(req, 1)); });
    r.get(R"(/api/v1/object/(\d+)/track)", [&w](const httplib::Request &req, int uid) {
        return w.track(uid, SimRouter::pathInt(req, 1), SimRouter::timeParam(req, "from"), SimRouter::timeParam(req, "to"),
                       SimRouter::intParam(req, "mode", 0), SimRouter::intParam(req, "tmode", 0));
    });
    r.get(R"(/api/v1/object/(\d+)/img)", [&w](const httplib::Request &req, int uid) { return w.getPhoto(uid, SimRouter::pathInt(req, 1)); });
    r.post(R"(/api/v1/object/(\d+)/img)", [&w](const httplib::Request &req, int uid) {
        return w.postPhoto(uid, SimRouter::pathInt(req, 1), QByteArray::fromStdString(req.body),
                           QString::fromStdString(req.get_header_value("Content-Type")));
    });
    r.del(R"(/api/v1/object/(\d+)/img)", [&w](const httplib::Request &req, int uid) { return w.deletePhoto(uid, SimRouter::pathInt(req, 1)); });
}
