#include "ZtHttp.h"

#include "ZtFiles.h"
#include "ZtTransferWait.h"

#include <QElapsedTimer>

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

void TZtHttpClient::StoreCookie(const QByteArray &setCookie)
{
    // Only name=value before the first ";": no domain, path or expiry handling.
    const QByteArray pair = setCookie.left(setCookie.indexOf(';') < 0 ? setCookie.size() : setCookie.indexOf(';'));
    const int eq = pair.indexOf('=');
    if (eq < 0)
        return;
    fCookie.SetVal(QString::fromUtf8(pair.left(eq)), QString::fromUtf8(pair.mid(eq + 1)));
}

void TZtHttpClient::CreateEngine()
{
    fHttpStatus = 0;
    fHttpReason.clear();
    fLastError.clear();
    fEngineRequest = TZtHttpEngineRequest();
    fEngineResult = TZtHttpEngineResult();
    fEngineRequest.userAgent = fUserAgent.toUtf8();
    fEngineRequest.accept = fAccept.toUtf8();
    fEngineRequest.cookieText = [this] { return fCookie.AsText(QStringLiteral("="), QStringLiteral("; ")).toUtf8(); };
    for (int i = 0; i < fHeaders.Count(); ++i)
        fEngineRequest.headerLines.append((fHeaders.GetKey(i) + QStringLiteral(": ") + fHeaders.GetValByIndex(i)).toUtf8());
    fEngineRequest.onSetCookie = [this](const QByteArray &c) { StoreCookie(c); };
    if (!fProxy.isEmpty()) {
        fEngineRequest.proxyHost = fProxy;
        fEngineRequest.proxyPort = fProxyPort.toInt();
        fEngineRequest.proxyUser = fProxyUser;
        fEngineRequest.proxyPass = fProxyPass;
    }
    fEngineRequest.connectTimeoutMs = fConnectTimeoutMs;
    fEngineRequest.answerTimeoutMs = fStallTimeoutMs;
    fEngineRequest.deadlineMs = fDeadlineMs;
    fEngineRequest.maxBodyBytes = fMaxBodyBytes;
    // Closing the program during the wait ends the exchange.
    fEngineRequest.cancel = ZtTransferWait::CancelFlag();
    fEngineRequest.tlsVerify = fTlsVerify;
    fEngineRequest.caFile = fCaFile;
}

void TZtHttpClient::ReleaseEngine()
{
    fHttpStatus = fEngineResult.status;
    fHttpReason = fEngineResult.reason;
    fLastError = fEngineResult.error;
    fEngineRequest = TZtHttpEngineRequest();
}

int TZtHttpClient::Exchange(const char *method, const QString &aUrl, const QByteArray *body)
{
    CreateEngine();
    if (!aUrl.isEmpty())
        fUrl = aUrl;
    const QByteArray m(method);
    const bool isGet = m == "GET";
    QString line = QString::fromLatin1(m) + QLatin1Char(' ') + fUrl + QStringLiteral(" -> ");

    fEngineRequest.method = m;
    fEngineRequest.url = fUrl;
    if (body) {
        fEngineRequest.body = *body;
        fEngineRequest.contentType = fContentType.toUtf8();
    }
    if (!isGet)
        fEngineRequest.referer = fReferer.toUtf8();

    fRcvdStream.clear();
    // On the user-interface thread the windows keep painting meanwhile.
    const bool ran = ZtTransferWait::Run([this] { fEngineResult = TZtHttpEngine::Perform(fEngineRequest, fRcvdStream); });
    if (!ran) {
        fEngineResult = TZtHttpEngineResult();
        fEngineResult.error = fEngineResult.reason = QStringLiteral("another request is still running");
    }

    // Whatever arrived is recorded, also after a failure.
    fRcvdCount = int(fRcvdStream.size());
    fRcvdStream.append(2, '\0');
    fRcvdContentType = QString::fromUtf8(fEngineResult.contentType);
    if (fEngineResult.error.isEmpty())
        line += QString::number(fEngineResult.status) + QLatin1Char(' ') + fEngineResult.reason;
    else
        line += (isGet ? QStringLiteral(" [") : QStringLiteral("[")) + fEngineResult.error + QLatin1Char(']');
    const int result = fEngineResult.status;

    if (!fLogFile.isEmpty()) {
        QString text = QStringLiteral("\r\n") + line;
        if (!isGet)
            text += QStringLiteral(" [") + QString::number(fEngineResult.elapsedMs) + QLatin1Char(']');
        AppendLogFile(fLogFile, text, QString());
    }
    ReleaseEngine();
    return result;
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

void TZtHttpsClient::CreateEngine()
{
    TZtHttpClient::CreateEngine();
    fEngineRequest.userAgent = HttpsUserAgent.toUtf8();
    fEngineRequest.accept.clear();
    if (!LogFile().isEmpty())
        fEngineRequest.protocolLogFile = ProtocolLogName(LogFile());
}

void TZtHttpsClient::ReleaseEngine()
{
    // The engine closes its TLS context and protocol log with the exchange.
    TZtHttpClient::ReleaseEngine();
}
