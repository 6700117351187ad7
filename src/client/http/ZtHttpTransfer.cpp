#include "ZtHttpTransfer.h"

#include <QDir>
#include <QFile>

#include <mutex>

void TZtHttpTransfer::GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

// The system's certificate folder, so that a CA file adds to it.
QString SystemCaPath()
{
    const curl_version_info_data *v = curl_version_info(CURLVERSION_NOW);
    if (v && v->age >= CURLVERSION_EIGHTH && v->capath)
        return QString::fromLocal8Bit(v->capath);
    return QDir(QStringLiteral("/etc/ssl/certs")).exists() ? QStringLiteral("/etc/ssl/certs") : QString();
}

} // namespace

TZtHttpTransfer::TZtHttpTransfer(CURL *curl, const TZtTransferSettings &settings)
    : fSettings(settings)
{
    fSinceCall.start();
    // libcurl copies every string option, so temporaries are enough here.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
#if LIBCURL_VERSION_NUM >= 0x075700
    // A transfer given up during the host name lookup (time-out, cancel,
    // closing the program) leaves the resolver thread to finish on its own
    // instead of waiting for the system's lookup, which can take seconds.
    curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
#endif

    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, settings.tlsVerify ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, settings.tlsVerify ? 2L : 0L);
    if (!settings.caFile.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, QFile::encodeName(settings.caFile).constData());
        const QString caPath = SystemCaPath();
        if (!caPath.isEmpty())
            curl_easy_setopt(curl, CURLOPT_CAPATH, QFile::encodeName(caPath).constData());
    }

    if (!settings.proxy.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_PROXY, settings.proxy.toUtf8().constData());
        if (settings.proxyPort > 0)
            curl_easy_setopt(curl, CURLOPT_PROXYPORT, long(settings.proxyPort));
        if (!settings.proxyUser.isEmpty()) {
            curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, settings.proxyUser.toUtf8().constData());
            curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, settings.proxyPass.toUtf8().constData());
        }
    } else if (settings.directWithoutProxy) {
        curl_easy_setopt(curl, CURLOPT_PROXY, ""); // ignores the proxy variables
    }

    if (!settings.userAgent.isEmpty())
        curl_easy_setopt(curl, CURLOPT_USERAGENT, settings.userAgent.constData());

    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(settings.connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &TZtHttpTransfer::OnConnectionReady);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TZtHttpTransfer::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
}

QString TZtHttpTransfer::TooLargeText(qint64 maxBodyBytes)
{
    return QStringLiteral("answer too large (over %1 bytes)").arg(maxBodyBytes);
}

QString TZtHttpTransfer::DeadlineText(int deadlineMs)
{
    return QStringLiteral("no whole answer within %1 s").arg(deadlineMs / 1000.0);
}

bool TZtHttpTransfer::BodyFits(qint64 total)
{
    if (fSettings.maxBodyBytes > 0 && total > fSettings.maxBodyBytes)
        fTooLarge = true;
    return !fTooLarge;
}

void TZtHttpTransfer::Start()
{
    fConnected = false;
    fTimedOut = false;
    fCancelled = false;
    fTooLarge = false;
    fDeadlinePassed = false;
    fLastMoved = -1;
    fSinceActivity.start();
}

int TZtHttpTransfer::OnConnectionReady(void *self, char *, char *, int, int)
{
    auto *t = static_cast<TZtHttpTransfer *>(self);
    t->fConnected = true;
    t->fLastMoved = -1; // the answer clock starts with the next progress report
    t->fSinceActivity.restart();
    return CURL_PREREQFUNC_OK;
}

// libcurl reports progress at least once a second, also while nothing moves.
int TZtHttpTransfer::OnProgress(void *self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    auto *t = static_cast<TZtHttpTransfer *>(self);
    if (t->fSettings.cancel && t->fSettings.cancel->load()) {
        t->fCancelled = true;
        return 1; // aborts the transfer
    }
    if (t->fSettings.deadlineMs > 0 && t->fSinceCall.elapsed() >= t->fSettings.deadlineMs) {
        t->fDeadlinePassed = true;
        return 1;
    }
    if (!t->fConnected)
        return 0; // the connect time-out governs until then
    const curl_off_t moved = dlnow + ulnow;
    if (moved != t->fLastMoved) {
        t->fLastMoved = moved;
        t->fSinceActivity.restart();
        return 0;
    }
    if (t->fSinceActivity.elapsed() >= t->fSettings.answerTimeoutMs) {
        t->fTimedOut = true;
        return 1;
    }
    return 0;
}
