#pragma once

#include <httplib.h>

#include <QString>

#include <memory>
#include <thread>

// An HTTP server on 127.0.0.1 for a test: it takes a free port, serves on its
// own thread and stops when destroyed. Register handlers on server() before
// start(). Pass an SSLServer to serve HTTPS.
class TestHttpServer
{
public:
    TestHttpServer();
    explicit TestHttpServer(std::unique_ptr<httplib::Server> server);
    ~TestHttpServer();

    TestHttpServer(const TestHttpServer &) = delete;
    TestHttpServer &operator=(const TestHttpServer &) = delete;

    httplib::Server &server() { return *fServer; }

    // Binds a free loopback port and serves; false when nothing could be bound.
    bool start();
    void stop();

    int port() const { return fPort; }
    // "http://127.0.0.1:<port>" (or https for an SSL server), no trailing slash.
    QString baseUrl() const;

private:
    std::unique_ptr<httplib::Server> fServer;
    std::thread fThread;
    int fPort = -1;
    bool fTls = false;
};
