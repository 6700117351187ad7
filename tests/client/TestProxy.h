#pragma once

// A real tinyproxy on a free loopback port, optionally with basic
// authentication; stopped when destroyed.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>

#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

inline int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof(a);
    int port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

inline bool PortAccepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)) == 0;
    ::close(fd);
    return ok;
}

// Answers one request with an empty 200 and keeps its raw bytes.
class RawCapture
{
public:
    ~RawCapture()
    {
        if (fThread.joinable())
            fThread.join();
        if (fListen >= 0)
            ::close(fListen);
    }
    bool start()
    {
        fListen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof(a);
        if (::bind(fListen, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || ::listen(fListen, 1) != 0
            || ::getsockname(fListen, reinterpret_cast<sockaddr *>(&a), &len) != 0)
            return false;
        fPort = ntohs(a.sin_port);
        fThread = std::thread([this] {
            timeval tv{5, 0};
            setsockopt(fListen, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
            const int c = ::accept(fListen, nullptr, nullptr);
            if (c < 0)
                return;
            setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
            char buf[4096];
            while (!fRequest.contains("\r\n\r\n")) {
                const ssize_t n = ::recv(c, buf, sizeof(buf), 0);
                if (n <= 0)
                    break;
                fRequest.append(buf, n);
            }
            const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            ::send(c, answer, sizeof(answer) - 1, 0);
            ::close(c);
        });
        return true;
    }
    int port() const { return fPort; }
    QByteArray request()
    {
        if (fThread.joinable())
            fThread.join();
        return fRequest;
    }

private:
    int fListen = -1;
    int fPort = -1;
    std::thread fThread;
    QByteArray fRequest;
};

class TestProxy
{
public:
    ~TestProxy()
    {
        if (fProcess.state() != QProcess::NotRunning) {
            fProcess.terminate();
            if (!fProcess.waitForFinished(3000))
                fProcess.kill();
            fProcess.waitForFinished(3000);
        }
    }

    // user empty: no authentication.
    bool start(const QString &dir, const QString &user = QString(), const QString &pass = QString())
    {
        fPort = FreeLoopbackPort();
        const QString conf = dir + QStringLiteral("/tinyproxy.conf");
        QFile f(conf);
        if (fPort <= 0 || !f.open(QIODevice::WriteOnly))
            return false;
        QString text = QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\nAllow 127.0.0.1\n"
                                      "LogLevel Critical\nLogFile \"%2/tinyproxy.log\"\n")
                           .arg(fPort)
                           .arg(dir);
        if (!user.isEmpty())
            text += QStringLiteral("BasicAuth %1 %2\n").arg(user, pass);
        f.write(text.toUtf8());
        f.close();
        fProcess.start(QStringLiteral("tinyproxy"), {QStringLiteral("-d"), QStringLiteral("-c"), conf});
        if (!fProcess.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            if (PortAccepts(fPort))
                return true;
            if (fProcess.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(20);
        }
        return false;
    }

    int port() const { return fPort; }

private:
    QProcess fProcess;
    int fPort = -1;
};
