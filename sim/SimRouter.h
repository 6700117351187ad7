#pragma once

#include "SimFaults.h"
#include "SimReply.h"
#include "SimWorld.h"

#include <httplib.h>

#include <atomic>
#include <functional>

// Registers the service's routes on the HTTP server and wraps each handler:
// authentication by X-Auth-Token, fault injection, exceptions turned into
// JSON errors, and the answer written with its content type.
class SimRouter
{
public:
    // uid is the signed-in account (0 for routes without authentication).
    using Handler = std::function<SimReply(const httplib::Request &, int uid)>;

    SimRouter(httplib::Server &server, SimWorld &world, SimFaults &faults);

    void get(const char *pattern, Handler h, bool auth = true) { add("GET", pattern, std::move(h), auth); }
    void post(const char *pattern, Handler h, bool auth = true) { add("POST", pattern, std::move(h), auth); }
    void put(const char *pattern, Handler h, bool auth = true) { add("PUT", pattern, std::move(h), auth); }
    void del(const char *pattern, Handler h, bool auth = true) { add("DELETE", pattern, std::move(h), auth); }

    // Signals long waits (delays, stalls) to give up at shutdown.
    void stop() { fStopping = true; }

    // Request helpers.
    static QString query(const httplib::Request &req, const char *name);
    static bool hasQuery(const httplib::Request &req, const char *name);
    // The form-encoded body ("+" and percent escapes decoded).
    static SimFields form(const httplib::Request &req);
    // A number of the path; 0, and ok false, when it does not fit an int.
    static int pathInt(const httplib::Request &req, int index, bool *ok = nullptr);
    // A time parameter: -1 when missing or unreadable.
    static qint64 timeParam(const httplib::Request &req, const char *name);
    static int intParam(const httplib::Request &req, const char *name, int def);

    static void write(httplib::Response &res, const SimReply &reply);

private:
    void add(const char *method, const char *pattern, Handler h, bool auth);
    void run(const httplib::Request &req, httplib::Response &res, const Handler &h, bool auth);
    void sleepMs(int ms) const;

    httplib::Server &fServer;
    SimWorld &fWorld;
    SimFaults &fFaults;
    std::atomic<bool> fStopping{false};
};
