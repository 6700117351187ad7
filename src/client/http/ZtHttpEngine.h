#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

// One blocking HTTP(S) exchange on a libcurl easy handle. The wrapper
// (TZtHttpClient) fills a TZtHttpEngineRequest, calls Perform() and reads the
// TZtHttpEngineResult; nothing survives from one exchange to the next.
struct TZtHttpEngineRequest
{
    QByteArray method = "GET";          // GET, POST, PUT or DELETE
    QString url;
    QByteArray body;                    // sent for POST and PUT
    QByteArray contentType;             // of the body
    QByteArray referer;
    QByteArray userAgent;
    QByteArray accept;                  // empty: the engine's default
    QList<QByteArray> headerLines;      // "Name: value", sent in order
    // Called before every hop, so that cookies set by a redirect answer are
    // sent with the request that follows it.
    std::function<QByteArray()> cookieText;
    // Called with the text of every Set-Cookie header received.
    std::function<void(const QByteArray &)> onSetCookie;

    QString proxyHost;
    int proxyPort = 0;
    QString proxyUser;
    QString proxyPass;

    // See TZtTransferSettings (ZtHttpTransfer.h) for what each one covers.
    int connectTimeoutMs = 10000;
    int answerTimeoutMs = 30000;
    int deadlineMs = 0;                 // the whole call; 0: none
    qint64 maxBodyBytes = 0;            // 0: no limit
    // Set by another thread to end the call at once (the program closing).
    const std::atomic<bool> *cancel = nullptr;

    bool tlsVerify = true;              // peer certificate and host name
    QString caFile;                     // extra trusted certificates (PEM)
    QString protocolLogFile;            // empty: no protocol log; appended to
    int maxRedirects = 10;
};

struct TZtHttpEngineResult
{
    int status = 0;                     // HTTP status; 404 on time-out, 0 without answer
    QString reason;                     // reason phrase, or the failure text
    QString error;                      // empty when the exchange completed
    QByteArray contentType;
    qint64 elapsedMs = 0;
    bool timedOut = false;              // the answer time-out or the deadline
    bool tooLarge = false;              // the body passed maxBodyBytes; none kept
    bool cancelled = false;
};

class TZtHttpEngine
{
public:
    // The text reported for a connection or stall time-out.
    static const QString TimeoutReason;

    // Runs the exchange, writing the answer body into body (cleared first).
    // Never throws.
    static TZtHttpEngineResult Perform(const TZtHttpEngineRequest &request, QByteArray &body);
};
