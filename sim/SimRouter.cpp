#include "SimRouter.h"

#include <QUrl>

#include <chrono>
#include <memory>
#include <thread>

SimRouter::SimRouter(httplib::Server &server, SimWorld &world, SimFaults &faults)
    : fServer(server)
    , fWorld(world)
    , fFaults(faults)
{
}

void SimRouter::add(const char *method, const char *pattern, Handler h, bool auth)
{
    auto wrapped = [this, h = std::move(h), auth](const httplib::Request &req, httplib::Response &res) { run(req, res, h, auth); };
    const std::string m(method);
    if (m == "GET")
        fServer.Get(pattern, wrapped);
    else if (m == "POST")
        fServer.Post(pattern, wrapped);
    else if (m == "PUT")
        fServer.Put(pattern, wrapped);
    else
        fServer.Delete(pattern, wrapped);
}

void SimRouter::sleepMs(int ms) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::min(ms, SimFaults::MaxWaitMs));
    while (!fStopping && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void SimRouter::run(const httplib::Request &req, httplib::Response &res, const Handler &h, bool auth)
{
    const SimFaults::Decision fault = fFaults.decide(QString::fromStdString(req.path));
    if (fault.delayMs > 0)
        sleepMs(fault.delayMs);
    if (fault.fault == SimFaults::Kind::Status500) {
        write(res, SimReply::error(500, QStringLiteral("Internal server error (injected)")));
        return;
    }
    if (fault.fault == SimFaults::Kind::Status401) {
        write(res, SimReply::error(401, QStringLiteral("Not signed in: token refused (injected)")));
        return;
    }
    if (fault.fault == SimFaults::Kind::Status503) {
        write(res, SimReply::error(503, QStringLiteral("Service unavailable (injected)")));
        return;
    }

    SimReply reply;
    try {
        int uid = 0;
        if (auth) {
            uid = fWorld.accountOfToken(QString::fromStdString(req.get_header_value("X-Auth-Token")));
            if (uid == 0) {
                write(res, SimReply::error(401, QStringLiteral("Not signed in: missing or unknown X-Auth-Token")));
                return;
            }
        }
        reply = h(req, uid);
    } catch (const std::exception &e) {
        reply = SimReply::error(500, QStringLiteral("Internal error: %1").arg(QString::fromUtf8(e.what())));
    } catch (...) {
        reply = SimReply::error(500, QStringLiteral("Internal error"));
    }

    switch (fault.fault) {
    case SimFaults::Kind::Malformed:
        reply.body = "{\"text\": <malformed> ,]";
        reply.contentType = "application/json; charset=utf-8";
        break;
    case SimFaults::Kind::Truncated:
        reply.body = reply.body.left(reply.body.size() / 2);
        break;
    case SimFaults::Kind::Stall:
    case SimFaults::Kind::Drop: {
        // The headers promise the whole body; only part of it (or nothing)
        // arrives before the connection is closed.
        const bool stall = fault.fault == SimFaults::Kind::Stall;
        const int waitMs = fault.faultMs;
        auto body = std::make_shared<std::string>(reply.body.isEmpty() ? std::string("{}") : reply.body.toStdString());
        res.status = reply.status == 204 ? 200 : reply.status;
        res.set_content_provider(body->size(), reply.contentType.isEmpty() ? "application/json" : reply.contentType.toStdString(),
                                 [this, body, stall, waitMs](size_t offset, size_t, httplib::DataSink &sink) {
                                     if (!stall || offset > 0) {
                                         if (stall)
                                             sleepMs(waitMs);
                                         return false;
                                     }
                                     sink.write(body->data(), body->size() / 2);
                                     return true;
                                 });
        return;
    }
    default:
        break;
    }
    write(res, reply);
}

void SimRouter::write(httplib::Response &res, const SimReply &reply)
{
    res.status = reply.status;
    for (const auto &h : reply.headers)
        res.set_header(h.first.toStdString(), h.second.toStdString());
    if (reply.status == 204 || reply.status == 304 || reply.body.isEmpty()) {
        res.body.clear();
        return;
    }
    res.set_content(reply.body.constData(), size_t(reply.body.size()), reply.contentType.constData());
}

QString SimRouter::query(const httplib::Request &req, const char *name)
{
    return QString::fromStdString(req.get_param_value(name));
}

bool SimRouter::hasQuery(const httplib::Request &req, const char *name)
{
    return req.has_param(name);
}

SimFields SimRouter::form(const httplib::Request &req)
{
    SimFields out;
    const QByteArray body = QByteArray::fromStdString(req.body);
    for (const QByteArray &pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        QByteArray key = eq < 0 ? pair : pair.left(eq);
        QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        key.replace('+', ' ');
        value.replace('+', ' ');
        const QString k = QString::fromUtf8(QByteArray::fromPercentEncoding(key)).trimmed();
        if (!k.isEmpty())
            out.insert(k, QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return out;
}

int SimRouter::pathInt(const httplib::Request &req, int index, bool *ok)
{
    bool good = false;
    int v = 0;
    if (index < int(req.matches.size()))
        v = QString::fromStdString(req.matches[index].str()).toInt(&good);
    if (ok)
        *ok = good;
    return good ? v : 0;
}

qint64 SimRouter::timeParam(const httplib::Request &req, const char *name)
{
    if (!req.has_param(name))
        return -1;
    return SimClock::parse(query(req, name));
}

int SimRouter::intParam(const httplib::Request &req, const char *name, int def)
{
    bool ok = false;
    const int v = query(req, name).trimmed().toInt(&ok);
    return ok ? v : def;
}
