#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <curl/curl.h>

#include <atomic>

// What the program's two libcurl users share: the API engine (ZtHttpEngine)
// and the tile workers (OSM.NetworkRequest) differ only in what they send and
// how they read the answer.
struct TZtTransferSettings
{
    bool tlsVerify = true;          // peer certificate and host name
    QString caFile;                 // extra trusted certificates (PEM), added to the system's

    // A proxy host (or URL) with optional port and credentials. Without one,
    // directWithoutProxy chooses between a direct connection whatever the
    // environment says and libcurl's default (the *_proxy variables).
    QString proxy;
    int proxyPort = 0;
    QString proxyUser;
    QString proxyPass;
    bool directWithoutProxy = false;

    QByteArray userAgent;           // empty: none sent

    // Connecting: name resolution, TCP, the proxy's tunnel and the TLS
    // handshake together.
    int connectTimeoutMs = 10000;
    // The answer: from the moment the connection is ready (or a kept-alive
    // one is taken up) until the transfer ends, no stretch of this length may
    // pass without a byte moving either way. A slow answer that keeps
    // flowing is not cut; a server that accepts the request and then stays
    // silent, or stops in the middle of a body, is.
    int answerTimeoutMs = 30000;

    // The whole call, redirects included, counted from the making of the
    // TZtHttpTransfer: once it has passed, the transfer is aborted however
    // steadily bytes arrive (a server trickling a byte every few seconds
    // never trips the answer time-out). 0: none.
    int deadlineMs = 0;
    // The most bytes an answer body may bring, counted as the caller receives
    // them (decoded): the write callbacks ask BodyFits. Not libcurl's size
    // option, which judges the length on the wire (a small compressed answer
    // is larger there than decoded). 0: no limit.
    qint64 maxBodyBytes = 0;

    // Set by another thread to abort the transfer (shutdown); may be null.
    const std::atomic<bool> *cancel = nullptr;
};

// One transfer on a libcurl easy handle: applies the common set-up (no
// signals, http and https only, HTTP/2 over TLS where offered, TLS checks and
// CA file, proxy, user agent, connect time-out) and then watches the transfer
// through libcurl's progress callbacks for the answer time-out and the
// cancel flag. The caller owns the handle and sets what is its own (URL,
// method, headers, body, redirects, write and header callbacks).
class TZtHttpTransfer
{
public:
    TZtHttpTransfer(CURL *curl, const TZtTransferSettings &settings);

    // libcurl's global set-up, once per process and safe from any thread;
    // call it before the first curl_easy_init or curl_share_init.
    static void GlobalInit();

    TZtHttpTransfer(const TZtHttpTransfer &) = delete;
    TZtHttpTransfer &operator=(const TZtHttpTransfer &) = delete;

    // Call before each curl_easy_perform (each redirect hop).
    void Start();

    // The caller's write callback asks before taking each piece: false (and
    // the transfer is to be aborted, the callback returning 0) when an
    // answer body of total bytes would pass maxBodyBytes.
    bool BodyFits(qint64 total);

    // Why the last perform was aborted by this watch, if it was.
    bool AnswerTimedOut() const { return fTimedOut; }
    bool Cancelled() const { return fCancelled; }
    bool DeadlinePassed() const { return fDeadlinePassed; }
    // The body passed maxBodyBytes (the transfer then ends with rc).
    bool TooLarge(CURLcode) const { return fTooLarge; }

    // The failure texts of the limits, shared by both users.
    static QString TooLargeText(qint64 maxBodyBytes);
    static QString DeadlineText(int deadlineMs);

private:
    static int OnProgress(void *self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow);
    static int OnConnectionReady(void *self, char *, char *, int, int);

    TZtTransferSettings fSettings;
    QElapsedTimer fSinceActivity;
    QElapsedTimer fSinceCall;
    bool fDeadlinePassed = false;
    bool fTooLarge = false;
    curl_off_t fLastMoved = -1;
    bool fConnected = false;
    bool fTimedOut = false;
    bool fCancelled = false;
};
