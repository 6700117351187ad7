#pragma once

#include "SimClock.h"
#include "SimFaults.h"
#include "SimOptions.h"
#include "SimRouter.h"
#include "SimTileRenderer.h"
#include "SimWorld.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <mutex>
#include <thread>

// velmora-sim as a whole: the world, the HTTP(S) server on its thread pool,
// the routes, the tile renderer, the request log and fault injection.
class SimServer
{
public:
    explicit SimServer(const SimOptions &options);
    ~SimServer();

    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // Builds the world, binds and serves on a thread of its own.
    bool start(QString *error);
    void stop();

    int port() const { return fPort; }
    // "http://127.0.0.1:PORT" or https, without a trailing slash.
    QString baseUrl() const;
    // The generated CA certificate, when --tls made one.
    QString caFile() const { return fCaFile; }
    SimWorld *world() const { return fWorld.get(); }

private:
    void installRoutes();
    void logRequest(const httplib::Request &req, const httplib::Response &res);

    SimOptions fOptions;
    SimClock fClock;
    SimFaults fFaults;
    std::unique_ptr<SimWorld> fWorld;
    std::unique_ptr<SimTileRenderer> fTiles;
    std::unique_ptr<httplib::Server> fHttp;
    std::unique_ptr<SimRouter> fRouter;
    std::unique_ptr<QTemporaryDir> fTlsDir;
    QString fCaFile;
    std::thread fThread;
    int fPort = -1;
    socket_t fListenSocket = INVALID_SOCKET;
    std::mutex fLogMutex;
    QFile fLogFile;
};
