#include "OSM.NetworkRequest.h"

#include "ZtHttpTransfer.h"

#include <curl/curl.h>

#include <QUrl>

#include <array>
#include <chrono>
#include <mutex>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0"
#endif

QString DefaultTileUserAgent()
{
    return QStringLiteral("VelmoraMonitor/" VELMORA_VERSION " (desktop client; contact: support@velmora-monitor.org)");
}

namespace {

// 5 s to connect (name resolution, TCP and TLS together); then 5 s for the
// answer, meaning that from the moment the connection is ready no 5 s may pass
// without a byte of the answer arriving. A tile that keeps arriving slowly is
// kept, a server that goes silent is left after 5 s, and shutting the queue
// down aborts at once. The cap on the whole download only bounds a server
// that trickles a byte now and then, which would hold a worker for ever.
constexpr int ConnectTimeoutMs = 5000;
constexpr int AnswerTimeoutMs = 5000;
constexpr long OverallTimeoutMs = 60000;

// Connections, DNS and TLS sessions shared by every worker's handle.
class CurlShare
{
public:
    CurlShare()
    {
        TZtHttpTransfer::GlobalInit();
        fShare = curl_share_init();
        curl_share_setopt(fShare, CURLSHOPT_LOCKFUNC, &CurlShare::Lock);
        curl_share_setopt(fShare, CURLSHOPT_UNLOCKFUNC, &CurlShare::Unlock);
        curl_share_setopt(fShare, CURLSHOPT_USERDATA, this);
        curl_share_setopt(fShare, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(fShare, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        curl_share_setopt(fShare, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    }
    // Left alive until exit: handles of threads that end late still name it.
    CURLSH *get() const { return fShare; }

    static CurlShare &instance()
    {
        static CurlShare *share = new CurlShare; // intentionally never destroyed
        return *share;
    }

private:
    static void Lock(CURL *, curl_lock_data data, curl_lock_access, void *self)
    {
        static_cast<CurlShare *>(self)->fLocks[size_t(data) % LockCount].lock();
    }
    static void Unlock(CURL *, curl_lock_data data, void *self)
    {
        static_cast<CurlShare *>(self)->fLocks[size_t(data) % LockCount].unlock();
    }

    static constexpr size_t LockCount = CURL_LOCK_DATA_LAST;
    CURLSH *fShare = nullptr;
    std::array<std::mutex, LockCount> fLocks;
};

// The calling thread's handle; cleaned up when the thread ends.
struct ThreadHandle
{
    CURL *curl = nullptr;
    ~ThreadHandle()
    {
        if (curl)
            curl_easy_cleanup(curl);
    }
};

struct Transfer
{
    QByteArray *body = nullptr;
    TZtHttpTransfer *transfer = nullptr;
    QByteArray statusText;
};

size_t WriteBody(char *ptr, size_t size, size_t nmemb, void *userdata)
{
    auto *t = static_cast<Transfer *>(userdata);
    if (!t->transfer->BodyFits(t->body->size() + qint64(size * nmemb)))
        return 0; // aborts: larger than a tile may be
    t->body->append(ptr, qsizetype(size * nmemb));
    return size * nmemb;
}

// Keeps the reason phrase of the last status line (redirects come first).
size_t ReadHeader(char *ptr, size_t size, size_t nitems, void *userdata)
{
    auto *t = static_cast<Transfer *>(userdata);
    const QByteArray line = QByteArray(ptr, qsizetype(size * nitems)).trimmed();
    if (line.startsWith("HTTP/")) {
        const QList<QByteArray> parts = line.split(' ');
        t->statusText = parts.size() > 2 ? line.mid(line.indexOf(' ', line.indexOf(' ') + 1) + 1) : QByteArray();
    }
    return size * nitems;
}

// Reason phrases for servers that send none (HTTP/2).
QByteArray StandardReason(long code)
{
    switch (code) {
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 410: return "Gone";
    case 418: return "I'm a teapot";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return QByteArray();
    }
}

} // namespace

bool BlockingTileRequest(const THttpRequestProps &RequestProps, QByteArray &Response, QString &ErrMsg)
{
    ErrMsg.clear();
    CURLSH *share = CurlShare::instance().get();
    thread_local ThreadHandle handle;
    if (!handle.curl)
        handle.curl = curl_easy_init();
    CURL *curl = handle.curl;
    if (!curl) {
        ErrMsg = QStringLiteral("cannot create an HTTP handle");
        return false;
    }
    curl_easy_reset(curl);

    TZtTransferSettings settings;
    settings.connectTimeoutMs = ConnectTimeoutMs;
    settings.answerTimeoutMs = AnswerTimeoutMs;
    settings.cancel = RequestProps.Cancel;
    settings.maxBodyBytes = RequestProps.MaxBytes;
    settings.caFile = RequestProps.CaFile;
    // No proxy: a direct connection; "http://SYSTEM": the environment's proxy variables.
    if (RequestProps.Proxy.isEmpty())
        settings.directWithoutProxy = true;
    else if (RequestProps.Proxy != QLatin1String("http://SYSTEM"))
        settings.proxy = RequestProps.Proxy;

    curl_slist *headers = nullptr;
    if (RequestProps.HeaderLines) {
        for (const QString &line : *RequestProps.HeaderLines) {
            const int colon = int(line.indexOf(QLatin1Char(':')));
            if (colon <= 0)
                continue;
            const QString name = line.left(colon).trimmed();
            QString value = line.mid(colon + 1);
            while (!value.isEmpty() && (value.front() == QLatin1Char(' ') || value.front() == QLatin1Char('\t')))
                value.remove(0, 1);
            if (name.compare(QLatin1String("User-Agent"), Qt::CaseInsensitive) == 0)
                settings.userAgent = value.toUtf8();
            else
                headers = curl_slist_append(headers, (name + QLatin1String(": ") + value).toUtf8().constData());
        }
    }
    TZtHttpTransfer transfer(curl, settings);

    Transfer t;
    t.body = &Response;
    t.transfer = &transfer;
    const QByteArray url = RequestProps.URL.toUtf8();
    curl_easy_setopt(curl, CURLOPT_SHARE, share);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, OverallTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    // A tile asked over https is never fetched over http, as for the service.
    const bool secure = QUrl(RequestProps.URL).scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &ReadHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);

    // Credentials of the URL win; libcurl takes them from the URL itself.
    const QUrl qurl(RequestProps.URL);
    QByteArray user, pass;
    if (qurl.userName().isEmpty() && qurl.password().isEmpty()) {
        user = RequestProps.HttpUserName.toUtf8();
        pass = RequestProps.HttpPassword.toUtf8();
        if (!user.isEmpty() && !pass.isEmpty()) {
            curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
            curl_easy_setopt(curl, CURLOPT_PASSWORD, pass.constData());
            curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_ANY));
        }
    }

    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    transfer.Start();
    const CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);

    if (transfer.TooLarge(rc)) {
        ErrMsg = TZtHttpTransfer::TooLargeText(RequestProps.MaxBytes);
        Response.clear();
        return false;
    }
    if (secure && rc == CURLE_UNSUPPORTED_PROTOCOL) {
        ErrMsg = QStringLiteral("redirect from https to http refused");
        Response.clear();
        return false;
    }
    if (transfer.AnswerTimedOut()) {
        ErrMsg = QStringLiteral("No answer within %1 ms").arg(AnswerTimeoutMs);
        Response.clear();
        return false;
    }
    if (rc != CURLE_OK) {
        ErrMsg = QString::fromUtf8(curl_easy_strerror(rc));
        Response.clear();
        return false;
    }
    if (status >= 400) {
        QByteArray reason = t.statusText.isEmpty() ? StandardReason(status) : t.statusText;
        ErrMsg = QStringLiteral("HTTP error: %1 %2").arg(status).arg(QString::fromLatin1(reason)).trimmed();
        Response.clear();
        return false;
    }
    return !Response.isEmpty();
}
