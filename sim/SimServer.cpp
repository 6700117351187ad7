#include "SimServer.h"

#include "SimAccountRoutes.h"
#include "SimDeviceRoutes.h"
#include "SimObjectRoutes.h"
#include "SimTaskQueue.h"
#include "SimTls.h"
#include "SimZoneRoutes.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {
// Workers for connections at most, idle keep-alive connections included.
constexpr size_t MaxWorkers = 256;
thread_local std::chrono::steady_clock::time_point tRequestStart;
}

SimServer::SimServer(const SimOptions &options)
    : fOptions(options)
    , fClock(options.speed)
{
}

SimServer::~SimServer()
{
    stop();
}

QString SimServer::baseUrl() const
{
    QString host = fOptions.host;
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("%1://%2:%3").arg(fOptions.tls ? QStringLiteral("https") : QStringLiteral("http"), host).arg(fPort);
}

bool SimServer::start(QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!fFaults.parse(fOptions.faults, error))
        return false;
    fFaults.setSeed(fOptions.seed);
    if (!fOptions.log.isEmpty()) {
        fLogFile.setFileName(fOptions.log);
        if (!fLogFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return fail(QStringLiteral("cannot open the log %1: %2").arg(fOptions.log, fLogFile.errorString()));
    }

    SimWorld::Options wo;
    wo.seed = fOptions.seed;
    wo.objects = fOptions.objects;
    wo.historyDays = fOptions.historyDays;
    wo.sharedObject = fOptions.sharedObject;
    wo.host = fOptions.host;
    fWorld = std::make_unique<SimWorld>(wo, &fClock);
    if (!fOptions.state.isEmpty()) {
        QString why;
        if (!fWorld->attachStateFile(fOptions.state, &why))
            return fail(QStringLiteral("state file: %1").arg(why));
    }
    fTiles = std::make_unique<SimTileRenderer>(fWorld->routes(), fOptions.seed);

    if (fOptions.tls) {
        QString cert = fOptions.cert, key = fOptions.key;
        if (cert.isEmpty()) {
            fTlsDir = std::make_unique<QTemporaryDir>();
            SimTls::Files files;
            QString why;
            if (!fTlsDir->isValid() || !SimTls::generate(fTlsDir->path(), fOptions.host, files, &why))
                return fail(QStringLiteral("TLS: %1").arg(why));
            cert = files.serverCert;
            key = files.serverKey;
            fCaFile = files.caCert;
        }
        auto ssl = std::make_unique<httplib::SSLServer>(QFile::encodeName(cert).constData(), QFile::encodeName(key).constData());
        if (!ssl->is_valid())
            return fail(QStringLiteral("TLS: cannot use the certificate %1 with the key %2").arg(cert, key));
        fHttp = std::move(ssl);
    } else {
        fHttp = std::make_unique<httplib::Server>();
    }
    // --threads workers wait for connections; an idle keep-alive connection
    // holds its worker, so more are started when all are busy.
    const size_t threads = size_t(fOptions.threads);
    fHttp->new_task_queue = [threads] { return new SimTaskQueue(threads, std::max<size_t>(threads, MaxWorkers)); };
    // Small answers leave at once, as from production servers; with Nagle's
    // algorithm each one on a reused connection waited about 40 ms for the
    // client's delayed acknowledgement.
    fHttp->set_tcp_nodelay(true);
    // The listening socket, to give it a longer backlog after the bind.
    fHttp->set_socket_options([this](socket_t sock) {
        httplib::default_socket_options(sock);
        if (fListenSocket == INVALID_SOCKET)
            fListenSocket = sock;
    });
    // Network waits are bounded on the server's side too.
    fHttp->set_read_timeout(10, 0);
    fHttp->set_write_timeout(10, 0);
    fHttp->set_keep_alive_timeout(5);
    fHttp->set_payload_max_length(8 * 1024 * 1024);
    fHttp->set_pre_routing_handler([](const httplib::Request &, httplib::Response &) {
        tRequestStart = std::chrono::steady_clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    fHttp->set_logger([this](const httplib::Request &req, const httplib::Response &res) { logRequest(req, res); });
    fHttp->set_error_handler([](const httplib::Request &, httplib::Response &res) {
        if (res.body.empty() && !res.content_provider_ && res.status != 304)
            SimRouter::write(res, SimReply::error(res.status, res.status == 404 ? QStringLiteral("No such path") : QStringLiteral("Request refused")));
    });
    fHttp->set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
        SimRouter::write(res, SimReply::error(500, QStringLiteral("Internal error")));
    });
    fRouter = std::make_unique<SimRouter>(*fHttp, *fWorld, fFaults);
    installRoutes();

    const std::string host = fOptions.host.toStdString();
    if (fOptions.port == 0) {
        fPort = fHttp->bind_to_any_port(host);
    } else {
        fPort = fHttp->bind_to_port(host, fOptions.port) ? fOptions.port : -1;
    }
    if (fPort <= 0)
        return fail(QStringLiteral("cannot bind %1 port %2").arg(fOptions.host).arg(fOptions.port));
    // cpp-httplib listens with a backlog of 5: a burst of new connections
    // overflowed it, and each dropped one was retried by its client a second
    // later. Listening again on the bound socket only changes the backlog.
    if (fListenSocket != INVALID_SOCKET)
        ::listen(fListenSocket, SOMAXCONN);
    fThread = std::thread([this] { fHttp->listen_after_bind(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!fHttp->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!fHttp->is_running())
        return fail(QStringLiteral("the server did not start"));
    return true;
}

void SimServer::stop()
{
    if (fRouter)
        fRouter->stop();
    if (fThread.joinable()) {
        fHttp->stop();
        fThread.join();
    }
    if (fWorld) {
        QString why;
        if (!fWorld->saveNow(&why))
            std::fprintf(stderr, "velmora-sim: state not saved: %s\n", qPrintable(why));
    }
}

void SimServer::installRoutes()
{
    SimAccountRoutes::install(*fRouter, *fWorld);
    SimObjectRoutes::install(*fRouter, *fWorld);
    SimZoneRoutes::install(*fRouter, *fWorld);
    SimDeviceRoutes::install(*fRouter, *fWorld);

    SimTileRenderer *tiles = fTiles.get();
    fRouter->get(R"(/tiles/(\d+)/(\d+)/(\d+)\.png)", [tiles](const httplib::Request &req, int) {
        // A number too large for an int is no tile, not tile 0.
        bool okZ = false, okX = false, okY = false;
        const int z = SimRouter::pathInt(req, 1, &okZ), x = SimRouter::pathInt(req, 2, &okX), y = SimRouter::pathInt(req, 3, &okY);
        if (!okZ || !okX || !okY || !SimTileRenderer::validTile(z, x, y))
            return SimReply::error(404, QStringLiteral("No such tile"));
        const QByteArray etag = tiles->etag(z, x, y);
        SimReply r;
        r.headers = {{"ETag", etag}, {"Cache-Control", "public, max-age=604800"}};
        if (QByteArray::fromStdString(req.get_header_value("If-None-Match")) == etag) {
            r.status = 304;
            return r;
        }
        r.body = tiles->png(z, x, y);
        r.contentType = "image/png";
        return r;
    }, false);
    if (fOptions.faultsControl) {
        SimFaults *faults = &fFaults;
        fRouter->put(R"(/sim/faults)", [faults](const httplib::Request &req, int) {
            QString why;
            if (!faults->parse(QString::fromStdString(req.body), &why))
                return SimReply::error(400, why);
            SimReply r;
            r.status = 204;
            return r;
        }, false);
    }
    fRouter->get(R"(/)", [](const httplib::Request &, int) {
        return SimReply::json(200, QJsonObject{{QStringLiteral("service"), QStringLiteral("velmora-sim")},
                                               {QStringLiteral("api"), QStringLiteral("/api/v1")},
                                               {QStringLiteral("tiles"), QStringLiteral("/tiles/{z}/{x}/{y}.png")}});
    }, false);
}

namespace {

// A parameter named like a secret (a password, a token, a key) is logged as
// "***" whichever request carries it: a new password in a user update, a
// token in a query.
bool isSecretName(const std::string &name)
{
    QString n = QString::fromStdString(name).toLower();
    for (const char *word : {"pass", "token", "key", "secret"})
        if (n.contains(QLatin1String(word)))
            return true;
    return false;
}

} // namespace

void SimServer::logRequest(const httplib::Request &req, const httplib::Response &res)
{
    const qint64 ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - tRequestStart).count();
    QString target = QString::fromStdString(req.path);
    if (!req.params.empty()) {
        QStringList q;
        for (const auto &[k, v] : req.params)
            q.append(QString::fromStdString(k) + QLatin1Char('=')
                     + (isSecretName(k) ? QStringLiteral("***") : QString::fromStdString(v)));
        target += QLatin1Char('?') + q.join(QLatin1Char('&'));
    }
    // The sign-in data stays out of the log whole, and decoded control
    // characters cannot forge log lines.
    if (req.path.find("/user/login") != std::string::npos)
        target = QString::fromStdString(req.path);
    for (QChar &ch : target)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            ch = QLatin1Char('?');
    const QByteArray line = QStringLiteral("%1 %2 %3 %4 %5ms\n")
                                .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs), QString::fromStdString(req.method),
                                     target)
                                .arg(res.status)
                                .arg(ms)
                                .toUtf8();
    std::lock_guard lock(fLogMutex);
    if (fLogFile.isOpen()) {
        fLogFile.write(line);
        fLogFile.flush();
    } else {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
}
