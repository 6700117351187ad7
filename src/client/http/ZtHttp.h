#pragma once

#include "AnswerLimits.h"
#include "ZtHash.h"
#include "ZtHttpEngine.h"

#include <QByteArray>
#include <QString>

#include <utility>

#include <memory>

// A small blocking HTTP client: fixed request headers, a cookie store, the
// received body and an optional request log. Each exchange gets a fresh
// engine request; no connection survives from one exchange to the next.
// An exchange works on its own request, cookies and buffer while it runs and
// becomes the client's state only when it has ended, so a call refused during
// another one's wait (ZtTransferWait) leaves the running call's answer whole.
class TZtHttpClient
{
public:
    TZtHttpClient();
    virtual ~TZtHttpClient();

    TZtHttpClient(const TZtHttpClient &) = delete;
    TZtHttpClient &operator=(const TZtHttpClient &) = delete;

    // Each returns the HTTP status; an empty aUrl repeats the previous URL.
    int Get(const QString &aUrl);
    int Post(const QString &aUrl, const QByteArray &data);       // bytes, with ContentType
    int Post(const QString &aUrl, const QString &data);          // text as a UTF-8 form
    int Post(const QString &aUrl, const char *data) { return Post(aUrl, QString::fromUtf8(data)); }
    int Put(const QString &aUrl, const QByteArray &data);
    int Put(const QString &aUrl, const QString &data);
    int Put(const QString &aUrl, const char *data) { return Put(aUrl, QString::fromUtf8(data)); }
    int Delete(const QString &aUrl);

    // Text bodies must fit the 8192-byte encode buffer (8191 bytes of UTF-8).
    static constexpr int TextBufferSize = 8192;

    TZtHash &Cookie() { return fCookie; }
    TZtHash &Headers() { return fHeaders; }
    const QString &LogFile() const { return fLogFile; }
    void SetLogFile(const QString &v) { fLogFile = v; }
    const QString &Url() const { return fUrl; }
    const QString &ContentType() const { return fContentType; }
    void SetContentType(const QString &v) { fContentType = v; }
    const QString &Referer() const { return fReferer; }
    void SetReferer(const QString &v) { fReferer = v; }
    const QString &UserAgent() const { return fUserAgent; }
    void SetUserAgent(const QString &v) { fUserAgent = v; }
    const QString &Accept() const { return fAccept; }
    void SetAccept(const QString &v) { fAccept = v; }
    const QString &HttpReason() const { return fHttpReason; }
    // Why the last exchange got no complete answer (connection, TLS,
    // time-out, refused redirect, body too long); empty when it got one.
    const QString &LastError() const { return fLastError; }
    int HttpStatus() const { return fHttpStatus; }
    const QString &Proxy() const { return fProxy; }
    void SetProxy(const QString &v) { fProxy = v; }
    const QString &ProxyPort() const { return fProxyPort; }
    void SetProxyPort(const QString &v) { fProxyPort = v; }
    const QString &ProxyUser() const { return fProxyUser; }
    void SetProxyUser(const QString &v) { fProxyUser = v; }
    const QString &ProxyPass() const { return fProxyPass; }
    void SetProxyPass(const QString &v) { fProxyPass = v; }

    // The answer of the last exchange. HttpData is followed by two zero bytes
    // that RcvdCount does not count.
    const QByteArray &RcvdStream() const { return fRcvdStream; }
    int RcvdCount() const { return fRcvdCount; }
    const QString &RcvdContentType() const { return fRcvdContentType; }
    const char *HttpData() const { return fRcvdStream.constData(); }
    int HttpDataSize() const { return fRcvdCount; }
    QByteArray RcvdData() const { return fRcvdStream.left(fRcvdCount); }
    // Hands the answer (with its two zero bytes) over and keeps none, so that
    // a large answer is freed as soon as its reader is done with it rather
    // than at the next exchange.
    QByteArray TakeRcvdStream()
    {
        fRcvdCount = 0;
        return std::exchange(fRcvdStream, QByteArray(2, '\0'));
    }
    // The body as UTF-8 up to its first zero byte.
    QString HttpString() const;

    // Engine settings. Time-outs: connection set-up, and how long an answer
    // may stop arriving before it is aborted (404 "Request aborted on timeout").
    int ConnectTimeoutMs() const { return fConnectTimeoutMs; }
    void SetConnectTimeoutMs(int v) { fConnectTimeoutMs = v; }
    int StallTimeoutMs() const { return fStallTimeoutMs; }
    void SetStallTimeoutMs(int v) { fStallTimeoutMs = v; }
    // Limits of the next exchanges (0: none): the whole exchange's duration,
    // and the answer body's size; past either the exchange fails ("no whole
    // answer within", "answer too large", and no body is kept for the latter).
    int DeadlineMs() const { return fDeadlineMs; }
    void SetDeadlineMs(int v) { fDeadlineMs = v; }
    qint64 MaxBodyBytes() const { return fMaxBodyBytes; }
    void SetMaxBodyBytes(qint64 v) { fMaxBodyBytes = v; }
    // TLS: peers are checked against the system store, plus the PEM
    // certificates of CaFile; TlsVerify false switches checking off.
    bool TlsVerify() const { return fTlsVerify; }
    void SetTlsVerify(bool v) { fTlsVerify = v; }
    const QString &CaFile() const { return fCaFile; }
    void SetCaFile(const QString &v) { fCaFile = v; }

protected:
    // Fills the settings every exchange shares (agent, headers, proxy,
    // time-outs, TLS) into one exchange's request.
    virtual void PrepareRequest(TZtHttpEngineRequest &request) const;

private:
    int Exchange(const char *method, const QString &aUrl, const QByteArray *body);
    int SendText(const char *method, const QString &aUrl, const QString &data);
    // Takes the outcome of one exchange as the client's last answer.
    void Record(const TZtHttpEngineResult &result, QByteArray body);

    TZtHash fCookie;
    TZtHash fHeaders;
    QString fLogFile;
    QString fUrl;
    QString fContentType;
    QString fReferer;
    QString fUserAgent;
    QString fAccept;
    QString fHttpReason;
    QString fLastError;
    int fHttpStatus = 0;
    QByteArray fRcvdStream;
    int fRcvdCount = 0;
    QString fRcvdContentType;
    QString fProxy;
    QString fProxyPort;
    QString fProxyUser;
    QString fProxyPass;
    int fConnectTimeoutMs = 10000;
    int fStallTimeoutMs = 30000;
    int fDeadlineMs = 0;
    qint64 fMaxBodyBytes = 0;
    bool fTlsVerify = true;
    QString fCaFile;
};

// The same client as used for the service: its own user agent, the engine's
// default accept text, and an optional protocol log beside the request log.
class TZtHttpsClient : public TZtHttpClient
{
public:
    static const QString HttpsUserAgent;

    // The size and time limits of each kind of service call (AnswerLimits.h);
    // the service's client sets them on each exchange by its kind.
    const TAnswerLimits &Limits() const { return fLimits; }
    void SetLimits(const TAnswerLimits &v) { fLimits = v; }

    // The protocol log's name: LogFile with everything after its last "."
    // replaced by "https.log".
    static QString ProtocolLogName(const QString &logFile);

protected:
    void PrepareRequest(TZtHttpEngineRequest &request) const override;

private:
    TAnswerLimits fLimits;
};
