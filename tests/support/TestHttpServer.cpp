#include "TestHttpServer.h"

#include <chrono>

TestHttpServer::TestHttpServer()
    : fServer(std::make_unique<httplib::Server>())
{
}

TestHttpServer::TestHttpServer(std::unique_ptr<httplib::Server> server)
    : fServer(std::move(server))
{
    fTls = dynamic_cast<httplib::SSLServer *>(fServer.get()) != nullptr;
}

TestHttpServer::~TestHttpServer()
{
    stop();
}

bool TestHttpServer::start()
{
    fPort = fServer->bind_to_any_port("127.0.0.1");
    if (fPort <= 0)
        return false;
    fThread = std::thread([this] { fServer->listen_after_bind(); });
    // listen_after_bind() flips is_running() once it accepts; wait for it, bounded.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!fServer->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return fServer->is_running();
}

void TestHttpServer::stop()
{
    if (fThread.joinable()) {
        fServer->stop();
        fThread.join();
    }
}

QString TestHttpServer::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(fTls ? QStringLiteral("https") : QStringLiteral("http")).arg(fPort);
}
