#pragma once

// A loopback server for the client tests that records every request it
// receives and answers from a per-path table (default: 200 "{}").

#include "TestHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <mutex>

struct RecordedRequest
{
    QString method;
    QString path;
    QString target; // path and raw query
    QByteArray body;
    QMap<QString, QString> headers; // names in lower case

    QString header(const QString &name) const { return headers.value(name.toLower()); }
    bool hasHeader(const QString &name) const { return headers.contains(name.toLower()); }
};

struct CannedAnswer
{
    int status = 200;
    QByteArray body = "{}";
    QByteArray contentType = "application/json";
    qsizetype cutAt = -1; // when set: the whole length is announced, this much sent, then the connection drops
};

class RecordingServer
{
public:
    explicit RecordingServer(std::unique_ptr<httplib::Server> server = std::make_unique<httplib::Server>())
        : fHttp(std::move(server))
    {
    }

    // Routes registered on server() before start() take precedence over the
    // recording catch-all.
    bool start()
    {
        auto handler = [this](const httplib::Request &req, httplib::Response &res) {
            RecordedRequest r;
            r.method = QString::fromStdString(req.method);
            r.path = QString::fromStdString(req.path);
            r.target = QString::fromStdString(req.target);
            r.body = QByteArray::fromStdString(req.body);
            for (const auto &h : req.headers)
                r.headers.insert(QString::fromStdString(h.first).toLower(), QString::fromStdString(h.second));
            CannedAnswer a;
            {
                std::lock_guard<std::mutex> lock(fMutex);
                fRequests.append(r);
                a = fAnswers.value(r.method + QLatin1Char(' ') + r.path, fAnswers.value(r.path, fDefault));
            }
            res.status = a.status;
            if (a.cutAt >= 0) {
                const std::string body = a.body.toStdString();
                const size_t cut = qMin(size_t(a.cutAt), body.size());
                res.set_content_provider(body.size(), a.contentType.toStdString(),
                                         [body, cut](size_t offset, size_t, httplib::DataSink &sink) {
                                             if (offset >= cut)
                                                 return false; // drops the connection
                                             return sink.write(body.data() + offset, cut - offset);
                                         });
            } else if (!a.body.isEmpty() || !a.contentType.isEmpty())
                res.set_content(a.body.toStdString(), a.contentType.toStdString());
        };
        const char *pattern = ".*";
        fHttp.server().Get(pattern, handler);
        fHttp.server().Post(pattern, handler);
        fHttp.server().Put(pattern, handler);
        fHttp.server().Delete(pattern, handler);
        return fHttp.start();
    }

    QString baseUrl() const { return fHttp.baseUrl(); }
    int port() const { return fHttp.port(); }
    httplib::Server &server() { return fHttp.server(); }

    // key: "/path" or "METHOD /path"
    void answer(const QString &key, int status, const QByteArray &body = QByteArray(),
                const QByteArray &contentType = "application/json")
    {
        std::lock_guard<std::mutex> lock(fMutex);
        fAnswers.insert(key, CannedAnswer{status, body, body.isEmpty() ? QByteArray() : contentType});
    }
    // Announces the whole body but sends only its first sentBytes.
    void answerCut(const QString &key, int status, const QByteArray &body, qsizetype sentBytes,
                   const QByteArray &contentType = "application/json")
    {
        std::lock_guard<std::mutex> lock(fMutex);
        fAnswers.insert(key, CannedAnswer{status, body, contentType, sentBytes});
    }
    QList<RecordedRequest> requests() const
    {
        std::lock_guard<std::mutex> lock(fMutex);
        return fRequests;
    }
    RecordedRequest last() const
    {
        std::lock_guard<std::mutex> lock(fMutex);
        return fRequests.isEmpty() ? RecordedRequest() : fRequests.last();
    }
    int count() const
    {
        std::lock_guard<std::mutex> lock(fMutex);
        return int(fRequests.size());
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(fMutex);
        fRequests.clear();
    }

private:
    TestHttpServer fHttp;
    mutable std::mutex fMutex;
    QList<RecordedRequest> fRequests;
    QMap<QString, CannedAnswer> fAnswers;
    CannedAnswer fDefault;
};
