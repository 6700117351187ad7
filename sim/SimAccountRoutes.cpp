#include "SimAccountRoutes.h"

#include "SimRouter.h"

void SimAccountRoutes::install(SimRouter &r, SimWorld &w)
{
    r.post(R"(/api/v1/user/login)", [&w](const httplib::Request &req, int) {
        const SimFields f = SimRouter::form(req);
        if (f.value(QStringLiteral("uname")).trimmed().isEmpty())
            return SimReply::error(400, QStringLiteral("uname and upass are required"));
        return w.login(f.value(QStringLiteral("uname")), f.value(QStringLiteral("upass")));
    }, false);
    r.post(R"(/api/v1/user/reg)", [&w](const httplib::Request &req, int) {
        return w.reg(SimRouter::form(req).value(QStringLiteral("login")));
    }, false);
    r.post(R"(/api/v1/user/recovery)", [&w](const httplib::Request &req, int) {
        return w.recovery(SimRouter::form(req).value(QStringLiteral("login")));
    }, false);
    r.get(R"(/api/v1/user)", [&w](const httplib::Request &, int uid) { return w.getUser(uid); });
    r.put(R"(/api/v1/user)", [&w](const httplib::Request &req, int uid) { return w.updateUser(uid, SimRouter::form(req)); });
}
