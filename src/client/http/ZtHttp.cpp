#include "ZtHttp.h"

#include "ZtFiles.h"
#include "ZtTransferWait.h"

#include <utility>

TZtHttpClient::TZtHttpClient()
    : fUserAgent(QStringLiteral("ZTHTTP Client [ver=1.01]"))
    , fAccept(QStringLiteral("text/*, application/*, image/*, */*"))
{
}

TZtHttpClient::~TZtHttpClient() = default;

QString TZtHttpClient::HttpString() const
{
    const QByteArray data = RcvdData();
    const int zero = data.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? data : data.left(zero));
}

namespace {

void StoreCookie(TZtHash &cookies, const QByteArray &setCookie)
{
    // Only name=value before the first ";": no domain, path or expiry handling.
    const int semicolon = setCookie.indexOf(';');
    const QByteArray pair = semicolon < 0 ? setCookie : setCookie.left(semicolon);
    const int eq = pair.indexOf('=');
    if (eq < 0)
        return;
    cookies.SetVal(QString::fromUtf8(pair.left(eq)), QString::fromUtf8(pair.mid(eq + 1)));
}

// Everything one exchange touches while its transfer runs on the worker.
struct TExchangeCall
{
    TZtHttpEngineRequest request;
    TZtHttpEngineResult result;
    QByteArray body;
    TZtHash cookies;
};

} // namespace

void TZtHttpClient::PrepareRequest(TZtHttpEngineRequest &request) const
{
    request.userAgent = fUserAgent.toUtf8();
    request.accept = fAccept.toUtf8();
    for (int i = 0; i < fHeaders.Count(); ++i)
        request.headerLines.append((fHeaders.GetKey(i) + QStringLiteral(": ") + fHeaders.GetValByIndex(i)).toUtf8());
    if (!fProxy.isEmpty()) {
        request.proxyHost = fProxy;
        request.proxyPort = fProxyPort.toInt();
        request.proxyUser = fProxyUser;
        request.proxyPass = fProxyPass;
    }
    request.connectTimeoutMs = fConnectTimeoutMs;
    request.answerTimeoutMs = fStallTimeoutMs;
    request.deadlineMs = fDeadlineMs;
    request.maxBodyBytes = fMaxBodyBytes;
    // Closing the program during the wait ends the exchange.
    request.cancel = ZtTransferWait::CancelFlag();
    request.tlsVerify = fTlsVerify;
    request.caFile = fCaFile;
}

void TZtHttpClient::Record(const TZtHttpEngineResult &result, QByteArray body)
{
    fHttpStatus = result.status;
    fHttpReason = result.reason;
    fLastError = result.error;
    // Whatever arrived is recorded, also after a failure.
    fRcvdCount = int(body.size());
    body.append(2, '\0');
    fRcvdStream = std::move(body);
    fRcvdContentType = QString::fromUtf8(result.contentType);
}

int TZtHttpClient::Exchange(const char *method, const QString &aUrl, const QByteArray *body)
{
    const QByteArray m(method);
    const bool isGet = m == "GET";
    const QString url = aUrl.isEmpty() ? fUrl : aUrl;
    QString line = QString::fromLatin1(m) + QLatin1Char(' ') + url + QStringLiteral(" -> ");

    // The call's own copies: the client's members are neither read nor
    // written by the worker, and are only assigned after the wait.
    TExchangeCall call;
    PrepareRequest(call.request);
    call.request.method = m;
    call.request.url = url;
    if (body) {
        call.request.body = *body;
        call.request.contentType = fContentType.toUtf8();
    }
    if (!isGet)
        call.request.referer = fReferer.toUtf8();
    call.cookies = fCookie;
    call.request.cookieText = [&call] { return call.cookies.AsText(QStringLiteral("="), QStringLiteral("; ")).toUtf8(); };
    call.request.onSetCookie = [&call](const QByteArray &text) { StoreCookie(call.cookies, text); };

    // On the user-interface thread the windows keep painting meanwhile; the
    // worker has ended when Run returns.
    const bool ran = ZtTransferWait::Run([&call] { call.result = TZtHttpEngine::Perform(call.request, call.body); });
    fUrl = url;
    if (ran) {
        fCookie = call.cookies;
    } else {
        call.result = TZtHttpEngineResult();
        call.result.error = call.result.reason = QStringLiteral("another request is still running");
    }
    const TZtHttpEngineResult &result = call.result;
    Record(result, std::move(call.body));

    if (result.error.isEmpty())
        line += QString::number(result.status) + QLatin1Char(' ') + result.reason;
    else
        line += (isGet ? QStringLiteral(" [") : QStringLiteral("[")) + result.error + QLatin1Char(']');
    if (!fLogFile.isEmpty()) {
        QString text = QStringLiteral("\r\n") + line;
        if (!isGet)
            text += QStringLiteral(" [") + QString::number(result.elapsedMs) + QLatin1Char(']');
        AppendLogFile(fLogFile, text, QString());
    }
    return result.status;
}

int TZtHttpClient::Get(const QString &aUrl)
{
    return Exchange("GET", aUrl, nullptr);
}

int TZtHttpClient::Post(const QString &aUrl, const QByteArray &data)
{
    return Exchange("POST", aUrl, &data);
}

int TZtHttpClient::Put(const QString &aUrl, const QByteArray &data)
{
    return Exchange("PUT", aUrl, &data);
}

int TZtHttpClient::Delete(const QString &aUrl)
{
    const int result = Exchange("DELETE", aUrl, nullptr);
    fRcvdStream = QByteArray(2, '\0');
    fRcvdCount = 0;
    fRcvdContentType.clear();
    return result;
}

int TZtHttpClient::SendText(const char *method, const QString &aUrl, const QString &data)
{
    fContentType = QStringLiteral("application/x-www-form-urlencoded; charset=utf-8");
    const QByteArray bytes = data.toUtf8();
    if (bytes.size() > TextBufferSize - 1) {
        // Refused before any network traffic.
        fHttpStatus = 500;
        fHttpReason = QStringLiteral("Data too long [%1], max=%2").arg(data.size()).arg(TextBufferSize);
        fLastError = fHttpReason;
        // No answer either: the previous one must not pass for this one's.
        fRcvdStream = QByteArray(2, '\0');
        fRcvdCount = 0;
        fRcvdContentType.clear();
        return 500;
    }
    return Exchange(method, aUrl, &bytes);
}

int TZtHttpClient::Post(const QString &aUrl, const QString &data)
{
    return SendText("POST", aUrl, data);
}

int TZtHttpClient::Put(const QString &aUrl, const QString &data)
{
    return SendText("PUT", aUrl, data);
}

// ---- HTTPS variant ----

const QString TZtHttpsClient::HttpsUserAgent = QStringLiteral("ZT HTTPS Client Version 0.01");

QString TZtHttpsClient::ProtocolLogName(const QString &logFile)
{
    const int dot = logFile.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return logFile + QStringLiteral(".https.log");
    return logFile.left(dot + 1) + QStringLiteral("https.log");
}

void TZtHttpsClient::PrepareRequest(TZtHttpEngineRequest &request) const
{
    TZtHttpClient::PrepareRequest(request);
    request.userAgent = HttpsUserAgent.toUtf8();
    request.accept.clear();
    if (!LogFile().isEmpty())
        request.protocolLogFile = ProtocolLogName(LogFile());
}
