// Sign-in and account operations.

#include "client.h"
#include "AccountClock.h"

#include "AnswerRecord.h"

#include "ZtUtils.h"

namespace {

// GetUser and UpdateUser both answer with the user record: read it on 200.
// An answer that holds no user record fails and leaves the one held.
bool ReadUserAnswer(TVelmoraClient &client, int code)
{
    if (code != 200)
        return false;
    const QJsonObject *json = AnswerRecord(client);
    if (!json)
        return false;
    client.ParseUser(json);
    return true;
}

} // namespace

void TVelmoraClient::ParseUser(const QJsonObject *json)
{
    if (!json)
        return;
    fUserInfo.Uid = int32_t(JsonInt(json, QStringLiteral("uid"), 0));
    fUserInfo.Login = JsonStr(json, QStringLiteral("login"));
    fUserInfo.Name = JsonStr(json, QStringLiteral("name"));
    fUserInfo.Email = JsonStr(json, QStringLiteral("email"));
    fUserInfo.TgChatId = JsonInt(json, QStringLiteral("t_chat_id"), 0);
    // Signed: zones west of UTC have negative offsets, which JsonInt refuses.
    fUserInfo.TimeZone = double(ToInt64Def(JsonStr(json, QStringLiteral("tz")), 0)) / 86400.0;
    SetAccountZone(TimeZone());
    fUserInfo.Lang = JsonStr(json, QStringLiteral("lang"));
    fUserInfo.ApiToken = fApiToken;
}

bool TVelmoraClient::Login(const QString &User, const QString &Pass)
{
    try {
        // Form values are encoded, so that "&", "=" or "%" in a password arrive intact.
        const QString data = QStringLiteral("uname=") + UrlEncode(User) + QStringLiteral("&upass=") + UrlEncode(Pass);
        if (DoPost(QStringLiteral("Login"), QStringLiteral("/user/login"), data) != 200)
            return false;
        ParseUser(ResultData());
        const QString token = JsonStr(ResultData(), QStringLiteral("apiToken"));
        if (!token.isEmpty())
            fApiToken = token;
        return true;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

bool TVelmoraClient::GetUser()
{
    try {
        return ReadUserAnswer(*this, DoGet(QStringLiteral("GetUser"), QStringLiteral("/user")));
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

bool TVelmoraClient::UpdateUser(const TFieldMap &fields)
{
    try {
        return ReadUserAnswer(*this, DoPut(QStringLiteral("UpdateUser"), QStringLiteral("/user"), FieldsToData(fields)));
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

bool TVelmoraClient::Reg(const QString &User)
{
    // Encoded like the sign-in values: a "+" or "&" in an e-mail login must arrive intact.
    return DoPost(QStringLiteral("Reg"), QStringLiteral("/user/reg"),
                  QStringLiteral("login=") + UrlEncode(User) + QStringLiteral("&client=2")) == 204;
}

bool TVelmoraClient::Recovery(const QString &User)
{
    return DoPost(QStringLiteral("Recovery"), QStringLiteral("/user/recovery"), QStringLiteral("login=") + UrlEncode(User)) == 204;
}
