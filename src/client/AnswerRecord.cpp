#include "AnswerRecord.h"

#include "client.h"

const QJsonObject *AnswerRecord(const TVelmoraClient &Client)
{
    if (!Client.AnswerError().isEmpty())
        return nullptr; // the envelope has named it
    const QJsonObject *json = Client.ResultData();
    if (!json) {
        Client.LogText(QStringLiteral("\r  X: no data"));
        return nullptr;
    }
    // A bare list is held under the operation's name and so has no uid either.
    const int64_t uid = TVelmoraClient::JsonInt(json, QStringLiteral("uid"), 0);
    if (uid <= 0 || uid > INT32_MAX) {
        Client.LogText(QStringLiteral("\r  X: the answer holds no record"));
        return nullptr;
    }
    return json;
}
