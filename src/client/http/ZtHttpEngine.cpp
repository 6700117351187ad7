#include "ZtHttpEngine.h"

#include "ZtHttpTransfer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>

const QString TZtHttpEngine::TimeoutReason = QStringLiteral("Request aborted on timeout");

namespace {

// State the libcurl callbacks share during one exchange.
struct Transfer
{
    CURL *curl = nullptr;
    const TZtHttpEngineRequest *request = nullptr;
    QByteArray *body = nullptr;
    TZtHttpTransfer *transfer = nullptr;
    QByteArray reason;
    // The current hop left the service's origin: what it sets is not ours.
    bool foreign = false;
    QFile *protocolLog = nullptr;
};

// The most a received body is reserved ahead of its bytes.
constexpr curl_off_t MaxReserve = curl_off_t(256) << 20;

size_t WriteBody(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    if (!t->transfer->BodyFits(t->body->size() + qint64(size * count)))
        return 0; // aborts: the answer is larger than allowed
    if (t->body->isEmpty()) {
        // A large answer is received into one block sized by its announced
        // length rather than grown (and copied) step by step. The length is
        // only a hint: a compressed answer grows past it.
        curl_off_t length = -1;
        if (curl_easy_getinfo(t->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0) {
            curl_off_t most = MaxReserve;
            if (t->request->maxBodyBytes > 0)
                most = std::min<curl_off_t>(most, t->request->maxBodyBytes);
            t->body->reserve(qsizetype(std::min<curl_off_t>(length, most)));
        }
    }
    t->body->append(data, qsizetype(size * count));
    return size * count;
}

size_t ReadHeader(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    if (line.startsWith("HTTP/")) {
        // Status line of a new answer (an interim 100 or a redirect hop included).
        const int sp1 = line.indexOf(' ');
        const int sp2 = sp1 < 0 ? -1 : line.indexOf(' ', sp1 + 1);
        t->reason = sp2 < 0 ? QByteArray() : line.mid(sp2 + 1);
    } else if (line.size() > 11 && line.left(11).compare("set-cookie:", Qt::CaseInsensitive) == 0) {
        if (t->request->onSetCookie && !t->foreign)
            t->request->onSetCookie(line.mid(11).trimmed());
    }
    return size * count;
}

// The protocol log is a debugging aid; the token and cookies stay out of it.
QByteArray MaskSecrets(const QByteArray &headers)
{
    QList<QByteArray> lines = headers.split('\n');
    for (QByteArray &line : lines) {
        const QByteArray lower = line.toLower();
        if (lower.startsWith("x-auth-token:") || lower.startsWith("cookie:") || lower.startsWith("proxy-authorization:")) {
            const int colon = line.indexOf(':');
            const bool cr = line.endsWith('\r');
            line = line.left(colon + 1) + " ***" + (cr ? "\r" : "");
        }
    }
    return lines.join('\n');
}

int Debug(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    if (!t->protocolLog)
        return 0;
    QByteArray text;
    switch (type) {
    case CURLINFO_TEXT: text = "* " + QByteArray(data, qsizetype(size)); break;
    case CURLINFO_HEADER_IN: text = "< " + QByteArray(data, qsizetype(size)); break;
    case CURLINFO_HEADER_OUT: text = "> " + MaskSecrets(QByteArray(data, qsizetype(size))).replace("\r\n", "\r\n> "); break;
    case CURLINFO_DATA_IN: text = "< [" + QByteArray::number(qulonglong(size)) + " bytes]\n"; break;
    case CURLINFO_DATA_OUT: text = "> [" + QByteArray::number(qulonglong(size)) + " bytes]\n"; break;
    default: return 0;
    }
    if (!text.endsWith('\n'))
        text += '\n';
    t->protocolLog->write(text); // failures of the log are ignored
    return 0;
}

bool IsRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// curl drops a header given as "Name:"; "Name;" sends it with an empty value.
QByteArray HeaderLineForCurl(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (t.endsWith(':'))
        return t.left(t.size() - 1) + ';';
    return line;
}

// Scheme, host and port: a redirect to another of them leaves the service.
QString Origin(const QString &url)
{
    const QUrl u(url);
    const QString scheme = u.scheme().toLower();
    const int port = u.port(scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1);
    return scheme + QStringLiteral("://") + u.host().toLower() + QLatin1Char(':') + QString::number(port);
}

// Headers that carry the user's credentials; they go to the service's origin only.
bool IsCredential(const QByteArray &line)
{
    const QByteArray name = line.left(line.indexOf(':') < 0 ? line.indexOf(';') : line.indexOf(':')).trimmed().toLower();
    return name == "x-auth-token" || name == "authorization" || name == "cookie";
}

} // namespace

TZtHttpEngineResult TZtHttpEngine::Perform(const TZtHttpEngineRequest &request, QByteArray &body)
{
    TZtHttpEngineResult result;
    body.clear();
    QElapsedTimer clock;
    clock.start();

    TZtHttpTransfer::GlobalInit();
    CURL *curl = curl_easy_init();
    if (!curl) {
        result.error = result.reason = QStringLiteral("cannot create an HTTP engine handle");
        return result;
    }

    Transfer t;
    t.curl = curl;
    t.request = &request;
    t.body = &body;

    QFile protocolLog(request.protocolLogFile);
    if (!request.protocolLogFile.isEmpty() && protocolLog.open(QIODevice::WriteOnly | QIODevice::Append))
        t.protocolLog = &protocolLog;

    char errbuf[CURL_ERROR_SIZE] = {0};
    const QByteArray referer = request.referer;

    TZtTransferSettings settings;
    settings.tlsVerify = request.tlsVerify;
    settings.caFile = request.caFile;
    settings.proxy = request.proxyHost;
    settings.proxyPort = request.proxyPort;
    settings.proxyUser = request.proxyUser;
    settings.proxyPass = request.proxyPass;
    settings.userAgent = request.userAgent;
    settings.connectTimeoutMs = request.connectTimeoutMs;
    settings.answerTimeoutMs = request.answerTimeoutMs;
    settings.deadlineMs = request.deadlineMs;
    settings.maxBodyBytes = request.maxBodyBytes;
    settings.cancel = request.cancel;
    TZtHttpTransfer transfer(curl, settings);
    t.transfer = &transfer;

    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, ReadHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
    // Large answers (tracks, events) arrive in fewer, larger pieces.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 256L * 1024);
    // Every encoding this libcurl was built with (gzip, deflate, br, zstd).
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    // Redirects are followed below, hop by hop, so that each hop can be checked.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    if (!referer.isEmpty())
        curl_easy_setopt(curl, CURLOPT_REFERER, referer.constData());
    if (t.protocolLog) {
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, Debug);
        curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &t);
    }

    QByteArray method = request.method.toUpper();
    bool sendBody = method == "POST" || method == "PUT";
    QString url = request.url;
    const QString origin = Origin(url);
    long status = 0;
    CURLcode rc = CURLE_OK;

    for (int hop = 0;; ++hop) {
        const QByteArray urlBytes = url.toUtf8();
        curl_easy_setopt(curl, CURLOPT_URL, urlBytes.constData());

        // The token and the cookies never follow a redirect to another server.
        t.foreign = Origin(url) != origin;
        curl_slist *headers = nullptr;
        if (!request.accept.isEmpty())
            headers = curl_slist_append(headers, ("Accept: " + request.accept).constData());
        for (const QByteArray &line : request.headerLines)
            if (!t.foreign || !IsCredential(line))
                headers = curl_slist_append(headers, HeaderLineForCurl(line).constData());
        // No "Expect: 100-continue" round trip before a body.
        headers = curl_slist_append(headers, "Expect:");
        if (sendBody && !request.contentType.isEmpty())
            headers = curl_slist_append(headers, ("Content-Type: " + request.contentType).constData());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

        const QByteArray cookie = request.cookieText && !t.foreign ? request.cookieText() : QByteArray();
        curl_easy_setopt(curl, CURLOPT_COOKIE, cookie.isEmpty() ? nullptr : cookie.constData());

        if (sendBody) {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.constData());
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method == "POST" ? nullptr : method.constData());
        } else {
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method == "GET" ? nullptr : method.constData());
        }

        body.clear();
        t.reason.clear();
        transfer.Start();
        errbuf[0] = 0;
        rc = curl_easy_perform(curl);
        curl_slist_free_all(headers);
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (rc != CURLE_OK || !IsRedirect(status))
            break;

        char *location = nullptr;
        curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
        if (!location)
            break; // a 3xx without a usable Location is the answer itself
        const QString next = QString::fromUtf8(location);
        const QString fromScheme = QUrl(url).scheme().toLower();
        const QString toScheme = QUrl(next).scheme().toLower();
        if (fromScheme == QLatin1String("https") && toScheme != QLatin1String("https")) {
            result.error = QStringLiteral("redirect from https to %1 refused").arg(toScheme);
            break;
        }
        if (toScheme != QLatin1String("http") && toScheme != QLatin1String("https")) {
            result.error = QStringLiteral("redirect to %1 refused").arg(toScheme);
            break;
        }
        if (hop >= request.maxRedirects) {
            result.error = QStringLiteral("too many redirects");
            break;
        }
        // As browsers do: 303 always, and 301/302 after a POST, continue with a GET.
        if (status == 303 || ((status == 301 || status == 302) && method == "POST")) {
            method = "GET";
            sendBody = false;
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);
        }
        url = next;
    }

    char *contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    result.contentType = contentType ? QByteArray(contentType) : QByteArray();
    result.status = int(status);
    result.reason = QString::fromUtf8(t.reason);

    if (transfer.Cancelled()) {
        // No answer: a status that came before the cut is not the call's.
        result.cancelled = true;
        result.status = 0;
        result.reason = result.error = QStringLiteral("cancelled");
        body.clear();
    } else if (transfer.TooLarge(rc)) {
        // Nothing of it is kept: a caller must not save or read a part.
        result.tooLarge = true;
        result.reason = result.error = TZtHttpTransfer::TooLargeText(request.maxBodyBytes);
        body.clear();
        body.squeeze();
    } else if (transfer.DeadlinePassed()) {
        result.timedOut = true;
        result.status = 404;
        result.reason = result.error = TZtHttpTransfer::DeadlineText(request.deadlineMs);
    } else if (transfer.AnswerTimedOut() || rc == CURLE_OPERATION_TIMEDOUT) {
        result.timedOut = true;
        result.status = 404;
        result.reason = result.error = TimeoutReason;
    } else if (rc != CURLE_OK) {
        result.error = QString::fromUtf8(errbuf[0] ? errbuf : curl_easy_strerror(rc)).trimmed();
        if (result.status == 0)
            result.reason = result.error;
    } else if (!result.error.isEmpty()) {
        result.reason = result.error;
    }

    curl_easy_cleanup(curl);
    result.elapsedMs = clock.elapsed();
    return result;
}
