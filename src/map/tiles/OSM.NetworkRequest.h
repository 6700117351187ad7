#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// Properties of one tile request. The queue keeps a template and hands each
// worker a copy (Clone).
class THttpRequestProps
{
public:
    QString Proxy;       // empty: direct connection; "http://SYSTEM": the system's proxy settings
    QString URL;
    QString HttpUserName;
    QString HttpPassword;
    std::optional<QStringList> HeaderLines; // "Name: value"
    void *Additional = nullptr;
    // The most bytes a tile may bring; a larger answer is cut off and fails
    // ("answer too large"), nothing of it kept. 0: no limit.
    qint64 MaxBytes = qint64(1) << 20;
    // Extra trusted certificates (PEM) besides the system's; empty: none.
    QString CaFile;
    // Set by the owner to abort a transfer in progress (shutdown); may be null.
    const std::atomic<bool> *Cancel = nullptr;

    std::unique_ptr<THttpRequestProps> Clone() const { return std::make_unique<THttpRequestProps>(*this); }
};

// A blocking GET: fills Response, answers success; on failure ErrMsg says why
// (it stays empty for a successful answer with an empty body).
using TBlockingNetworkRequestFunc =
    std::function<bool(const THttpRequestProps &RequestProps, QByteArray &Response, QString &ErrMsg)>;

// The tile request the program uses, over libcurl: 5 s to connect, then no
// pause of 5 s in the answer (see OSM.NetworkRequest.cpp), status >= 400
// reported as "HTTP error: <code> <text>". Redirects are followed, but never
// from https to http.
// Each calling thread keeps its own curl handle, and connections, DNS answers
// and TLS sessions are shared between the threads, so keep-alive and HTTP/2
// connections to the tile server are reused across tiles.
bool BlockingTileRequest(const THttpRequestProps &RequestProps, QByteArray &Response, QString &ErrMsg);

// The User-Agent sent to tile servers unless configured otherwise: the
// OpenStreetMap tile policy wants an honest application name with a contact.
QString DefaultTileUserAgent();
