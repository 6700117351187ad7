// The request envelope, the JSON readers, logging and the client's state.

#include "client.h"
#include "AccountClock.h"

#include "OSM.CommandInfo.h"
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackPointInfo.h"
#include "OSM.TrapInfo.h"
#include "OSM.TripInfo.h"
#include "OSM.ZoneInfo.h"

#include "AppPaths.h"
#include "JsonRules.h"
#include "SecretNames.h"
#include "ZtHttp.h"
#include "ZtStrings.h"
#include "ZtUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocale>
#include <QRandomGenerator>
#include <QTimeZone>
#include <QUrl>


namespace {

// A local refusal or error inside the envelope; logged as "\r  X: ".
class ERequestError : public std::runtime_error
{
public:
    explicit ERequestError(const QString &msg) : std::runtime_error(msg.toStdString()) {}
};

// The request data as the log shows it: pairs separated by spaces, and the
// value of every field named like a secret replaced by "***" (a user-data
// update may carry a new password).
QString DataForLog(const QString &Data)
{
    QStringList pairs = Data.split(QLatin1Char('&'));
    for (QString &pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq >= 0 && IsSecretName(pair.left(eq)))
            pair = pair.left(eq + 1) + QStringLiteral("***");
    }
    return pairs.join(QLatin1Char(' '));
}

} // namespace

// ---- lifecycle ----

TVelmoraClient::TVelmoraClient(const QString &aServer, const QString &aToken, const QString &aTimeZone,
                               const QString &aCaFile, bool aTlsVerify)
    : fApiClient(std::make_unique<TZtHttpsClient>())
    , fApiServer(aServer)
    , fApiToken(aToken)
{
    // The configured zone: a fraction of a day, or whole minutes (what the
    // settings dialog writes) when it is 1 or more: no zone is a day wide.
    const double tz = ToFloatDef(aTimeZone.trimmed(), 0);
    fTimeZone = std::abs(tz) >= 1 ? tz / 1440.0 : tz;
    if (fTimeZone == 0 || std::isnan(fTimeZone))
        fTimeZone = TimeZoneOffset;
    SetAccountZone(fTimeZone);

    // TLS: the system store plus the CA file, found beside the configuration.
    QString caFile = aCaFile.trimmed();
    if (!caFile.isEmpty() && QFileInfo(caFile).isRelative())
        caFile = AppPaths::configDir() + caFile;
    fApiClient->SetCaFile(caFile);
    fApiClient->SetTlsVerify(aTlsVerify);

    SetResponseDir(AppPaths::responsesDir());
}

TVelmoraClient::~TVelmoraClient()
{
    try {
        Clear();
    } catch (...) {
        // a failing log sink must not end the program at exit
    }
}

void TVelmoraClient::SetResponseDir(const QString &dir)
{
    fResponseDir = dir.isEmpty() || dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
    if (!fResponseDir.isEmpty())
        QDir().mkpath(fResponseDir);
}

void TVelmoraClient::Clear()
{
    LogText(QStringLiteral("\rVelmoraClient.Clear"));
    fApiToken.clear();
    fUserInfo.Uid = 0;
    fUserInfo.Login.clear();
    fUserInfo.Name.clear();
    fUserInfo.Email.clear();
    fUserInfo.TimeZone = 0;
    fResultData.reset();

    fObjList.clear();
    fObjListUpdated = 0;
    fTrackList.clear();
    fTrackListUpdated = 0;
    fZoneHistory.clear();
    fZoneList.clear();
    fTrapList.clear();
    fEventList.clear();
    fEventListDt1 = fEventListDt2 = fEventListUpdated = 0;
    fCommandLog.clear();

    const QDir dir(fResponseDir);
    if (fResponseDir.isEmpty() || !dir.exists())
        return;
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const bool ok = QFile::remove(fi.absoluteFilePath());
        LogFormat(QStringLiteral("\r del %s -> %s"),
                  {fi.absoluteFilePath(), ok ? QStringLiteral("ok") : QStringLiteral("error")});
    }
}

// ---- logging ----

void TVelmoraClient::LogText(const QString &Text) const
{
    if (!fLogCallback)
        return;
    QString text = Text;
    text.replace(QLatin1Char('%'), QLatin1Char('#'));
    fLogCallback(text, QVariantList(), -1);
}

void TVelmoraClient::LogFormat(const QString &Fmt, const QVariantList &Args) const
{
    if (fLogCallback)
        fLogCallback(Fmt, Args, int(Args.size()));
}

void TVelmoraClient::LogOp(const QString &Name, const QString &Text) const
{
    LogText(QStringLiteral("\rVelmoraClient.") + Name + QStringLiteral(": ") + Text);
}

void TVelmoraClient::LogOpFmt(const QString &Name, const QString &Fmt, const QVariantList &Args) const
{
    LogFormat(QStringLiteral("\rVelmoraClient.") + Name + QStringLiteral(": ") + Fmt, Args);
}

void TVelmoraClient::LogError(const std::exception &e) const
{
    LogText(QStringLiteral("\r  X: ") + QString::fromUtf8(e.what()));
}

// ---- the request envelope ----

int TVelmoraClient::Request(const QString &Method, const QString &OpName, const QString &Path, const QString &Data,
                            const QString &UploadFile, bool RawAnswer)
{
    fErrorMessage.clear();
    fAnswerError.clear();
    int result = -1;
    bool sent = false;
    const int requestId = 1000 + int(QRandomGenerator::global()->bounded(10000));

    if (!fApiClient->TlsVerify())
        LogOp(OpName, QStringLiteral("warning: TLS certificate checking is off (tls_verify=0)"));
    LogFormat(QStringLiteral("\rVelmoraClient.%s(%d, %s %s"), {OpName, requestId, Method, Path});
    // The sign-in data (user and password) never reaches the log, nor does any other password.
    if (OpName != QLatin1String("Login") && !Data.isEmpty())
        LogText(QLatin1Char(' ') + DataForLog(Data));
    LogText(QStringLiteral("): "));

    try {
        fResultData.reset();
        if (fApiServer.isEmpty())
            throw ERequestError(QStringLiteral("no API server specified"));
        if (Path.isEmpty())
            throw ERequestError(QStringLiteral("no API method specified"));
        if (fApiToken.isEmpty() && OpName != QLatin1String("Login") && OpName != QLatin1String("Reg")
            && OpName != QLatin1String("Recovery"))
            throw ERequestError(QStringLiteral("no API token specified"));

        // Each kind of answer has its own size; a track has the longest time.
        const TAnswerLimits &limits = fApiClient->Limits();
        const bool track = OpName == QLatin1String("Track");
        fApiClient->SetDeadlineMs(track ? limits.trackDeadlineMs : limits.callDeadlineMs);
        fApiClient->SetMaxBodyBytes(OpName == QLatin1String("CommandResponse") ? limits.deviceAnswerBytes
                                    : OpName == QLatin1String("GetPhoto")      ? limits.photoBytes
                                                                               : limits.apiBytes);

        TZtHash &headers = fApiClient->Headers();
        headers.SetVal(QStringLiteral("X-Auth-Token"), fApiToken);
        headers.SetVal(QStringLiteral("X-Request-ID"), QString::number(requestId));
        headers.SetVal(QStringLiteral("X-Requested-With"), QStringLiteral("xmlhttprequest"));

        QString url = fApiServer;
        while (!url.isEmpty() && (url.endsWith(QLatin1Char(' ')) || url.endsWith(QLatin1Char('/'))))
            url.chop(1);
        url += QStringLiteral("/api/v1");
        if (!Path.startsWith(QLatin1Char('/')))
            url += QLatin1Char('/');
        url += Path;

        if (Method == QLatin1String("GET")) {
            if (!Data.isEmpty())
                url += QLatin1Char('?') + QString(Data).replace(QLatin1Char(' '), QStringLiteral("%20"));
            sent = true;
            fResultCode = fApiClient->Get(url);
        } else if (Method == QLatin1String("POST") && !UploadFile.isEmpty()) {
            const QString &path = UploadFile;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw ERequestError(QStringLiteral("error at read file [%1: %2]").arg(path).arg(int(file.error())));
            const qint64 size = file.size();
            const QByteArray bytes = file.readAll();
            if (bytes.size() < size)
                throw ERequestError(QStringLiteral("error at read file [%1: %2/%3]").arg(path).arg(size).arg(bytes.size()));
            fApiClient->SetContentType(ContentTypeOfExt(QFileInfo(path).suffix()));
            sent = true;
            fResultCode = fApiClient->Post(url, bytes);
        } else if (Method == QLatin1String("POST")) {
            sent = true;
            fResultCode = fApiClient->Post(url, Data);
        } else if (Method == QLatin1String("PUT")) {
            sent = true;
            fResultCode = fApiClient->Put(url, Data);
        } else if (Method == QLatin1String("DEL")) {
            sent = true;
            fResultCode = fApiClient->Delete(url);
        } else {
            throw ERequestError(QStringLiteral("unknow HttpMethod [%1]").arg(Method));
        }

        LogText(QString::number(fResultCode));
        result = fResultCode;
        fAnswerError = fApiClient->LastError();
        if (!fAnswerError.isEmpty())
            LogText(QStringLiteral("\r  X: ") + fAnswerError);

        if (!RawAnswer)
            ReadAnswerDocument(OpName);
    } catch (const std::exception &e) {
        LogError(e);
        if (!sent)
            fResultCode = -1;
        result = sent ? fResultCode : -1;
    }
    return result;
}

void TVelmoraClient::ReadAnswerDocument(const QString &OpName)
{
    if (fApiClient->RcvdCount() <= 0 || !fApiClient->RcvdContentType().contains(QLatin1String("json")))
        return;
    QJsonValue doc;
    QString parseError;
    if (!JsonRules::ParseJson(fApiClient->HttpData(), size_t(fApiClient->RcvdCount()), doc, parseError)
        && fAnswerError.isEmpty()) {
        // Named here, once; the operations only check fAnswerError.
        fAnswerError = QStringLiteral("malformed JSON answer (%1)").arg(parseError);
        LogText(QStringLiteral("\r  X: ") + fAnswerError);
    }
    QJsonObject obj;
    if (doc.isObject())
        obj = doc.toObject();
    else if (doc.isArray())
        obj.insert(OpName, doc.toArray()); // a bare array becomes the member OpName
    else if (!doc.isNull() && !doc.isUndefined())
        return; // a bare text, number or boolean carries no data of ours
    fResultData = obj;
}

std::optional<QJsonArray> TVelmoraClient::AnswerList(const QString &OpName)
{
    if (!fAnswerError.isEmpty())
        return std::nullopt; // the envelope has named it
    if (!ResultData()) {
        LogText(QStringLiteral("\r  X: no data"));
        return std::nullopt;
    }
    const QJsonValue v = JsonValue(ResultData(), OpName);
    if (v.isUndefined())
        return QJsonArray();
    if (!v.isArray()) {
        LogText(QStringLiteral("\r  X: member \"%1\" is not an array").arg(OpName));
        return std::nullopt;
    }
    return v.toArray();
}

int TVelmoraClient::DoGet(const QString &OpName, const QString &Path, const QString &Data)
{
    return Request(QStringLiteral("GET"), OpName, Path, Data);
}

int TVelmoraClient::DoPost(const QString &OpName, const QString &Path, const QString &Data)
{
    return Request(QStringLiteral("POST"), OpName, Path, Data);
}

int TVelmoraClient::DoPostFile(const QString &OpName, const QString &Path, const QString &FilePath)
{
    return Request(QStringLiteral("POST"), OpName, Path, QString(), FilePath);
}

int TVelmoraClient::DoPut(const QString &OpName, const QString &Path, const QString &Data)
{
    return Request(QStringLiteral("PUT"), OpName, Path, Data);
}

int TVelmoraClient::DoDel(const QString &OpName, const QString &Path)
{
    return Request(QStringLiteral("DEL"), OpName, Path, QString());
}

// ---- JSON readers ----

QJsonValue TVelmoraClient::JsonValue(const QJsonObject *obj, const QString &name)
{
    if (!obj)
        return QJsonValue(QJsonValue::Undefined);
    const QJsonValue v = obj->value(name);
    return v.isNull() ? QJsonValue(QJsonValue::Undefined) : v;
}

std::optional<QJsonArray> TVelmoraClient::JsonArray(const QJsonObject *obj, const QString &name)
{
    const QJsonValue v = JsonValue(obj, name);
    if (v.isUndefined())
        return std::nullopt;
    if (!v.isArray())
        throw EJsonConversion(QStringLiteral("member \"%1\" is not an array").arg(name));
    return v.toArray();
}

QString TVelmoraClient::JsonStr(const QJsonObject *obj, const QString &name)
{
    const QJsonValue v = JsonValue(obj, name);
    switch (v.type()) {
    case QJsonValue::String:
        return v.toString();
    case QJsonValue::Bool:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
        // Integers keep their digits (64-bit ids included); others their shortest form.
        const QVariant var = v.toVariant();
        if (var.typeId() == QMetaType::LongLong)
            return QString::number(var.toLongLong());
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    }
    default:
        return QString();
    }
}

bool TVelmoraClient::JsonBool(const QJsonObject *obj, const QString &name)
{
    return JsonStr(obj, name) == QLatin1String("true");
}

int64_t TVelmoraClient::JsonInt(const QJsonObject *obj, const QString &name, int64_t def)
{
    // A number written with a fraction or an exponent (1.0, 1e2) is no
    // integer, even when its value is whole: the answer's reader keeps those
    // as their text, which the digits-only rule refuses.
    const QJsonValue v = JsonValue(obj, name);
    if (v.isDouble() && v.toVariant().typeId() != QMetaType::LongLong)
        return def;
    return JsonRules::TextToInt(JsonStr(obj, name), def);
}

double TVelmoraClient::JsonFloat(const QJsonObject *obj, const QString &name)
{
    return JsonRules::TextToFloat(JsonStr(obj, name));
}

double TVelmoraClient::JsonDate(const QJsonObject *obj, const QString &name) const
{
    return JsonRules::TextToDate(JsonStr(obj, name), TimeZone());
}

const QJsonObject *TVelmoraClient::AsObject(const QJsonValue &v, QJsonObject &holder)
{
    if (!v.isObject())
        return nullptr;
    holder = v.toObject();
    return &holder;
}

// ---- state ----

QString TVelmoraClient::ErrorMessage() const
{
    QString text = fErrorMessage;
    if (text.isEmpty() && fResultCode == 204) {
        // A key missing from the translation is fatal there; not worth it here.
        text = Translation.HasString(QStringLiteral("no_data")) ? Translation.GetString(QStringLiteral("no_data"))
                                                                 : QStringLiteral("no data");
    }
    text += QStringLiteral(" [") + QString::number(fResultCode) + QLatin1Char(']');
    return text.trimmed();
}

// The account's zone: SetAccountZone publishes it to the windows whenever it
// changes (here, and when the user's data is read).
double TVelmoraClient::TimeZone() const
{
    return fUserInfo.TimeZone != 0 ? fUserInfo.TimeZone : fTimeZone;
}

QString TVelmoraClient::UserName() const
{
    QString result = fUserInfo.Name.isEmpty() ? fUserInfo.Login : fUserInfo.Name;
    if (!result.isEmpty() && !fUserInfo.Email.isEmpty() && fUserInfo.Email != result)
        result += QStringLiteral(" <") + fUserInfo.Email + QLatin1Char('>');
    return result;
}

QString TVelmoraClient::UrlEncode(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString TVelmoraClient::FieldsToData(const TFieldMap &fields)
{
    QString data;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        data += it.key() + QLatin1Char('=') + UrlEncode(it.value()) + QLatin1Char('&');
    return data;
}

QString TVelmoraClient::ContentTypeOfExt(const QString &Ext)
{
    QString ext = Ext.startsWith(QLatin1Char('.')) ? Ext.mid(1) : Ext;
    ext = ext.toLower();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return QStringLiteral("image/jpeg");
    if (ext == QLatin1String("png"))
        return QStringLiteral("image/png");
    if (ext == QLatin1String("zip"))
        return QStringLiteral("application/zip");
    return QStringLiteral("application/octet-stream");
}

QString TVelmoraClient::ExtOfContentType(const QString &ContentType)
{
    static const char *const table[][2] = {
        {"text", "txt"}, {"zip", "zip"}, {"html", "html"}, {"jpg", "jpg"}, {"jpeg", "jpg"}, {"png", "png"},
    };
    for (const auto &row : table)
        if (ContentType.contains(QLatin1String(row[0])))
            return QString::fromLatin1(row[1]);
    return QStringLiteral("dat");
}
