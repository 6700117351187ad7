// Device commands: sending, the command log and the device's stored answers.

#include "client.h"
#include "AccountClock.h"

#include "OSM.CommandInfo.h"

#include "ZtHttp.h"

#include <QDir>
#include <QSaveFile>

bool TVelmoraClient::SendCommand(int32_t Uid, const QString &Cmd)
{
    try {
        return DoPost(QStringLiteral("SendCommand"), QStringLiteral("/object/%1/sendcmd").arg(Uid), Cmd) == 200;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

int TVelmoraClient::GetCommandLog(int32_t ObjUid, int Count, const QString &Text)
{
    try {
        QString query = QStringLiteral("count=%1").arg(Count);
        if (!Text.isEmpty())
            query += QStringLiteral("&txt=") + UrlEncode(Text);
        const int code = DoGet(QStringLiteral("CommandLog"), QStringLiteral("/object/%1/cmdlog").arg(ObjUid), query);
        // Nothing sent (-1) is a failure too, not an empty log.
        if (code < 200 || code >= 210)
            return -1;
        TCommandList list;
        if (code != 204) {
            // A broken answer leaves the log held before.
            const auto arr = AnswerList(QStringLiteral("CommandLog"));
            if (!arr)
                return -1;
            for (const QJsonValue &v : *arr) {
                const QJsonObject o = v.toObject();
                const auto uid = uint32_t(JsonInt(&o, QStringLiteral("uid"), 0));
                if (uid == 0)
                    continue;
                auto c = std::make_unique<TCommandInfo>(uid);
                c->obj_uid = uint32_t(JsonInt(&o, QStringLiteral("obj_id"), 0));
                c->txt = JsonStr(&o, QStringLiteral("txt"));
                c->create_dt = JsonDate(&o, QStringLiteral("create_dt"));
                c->send_dt = JsonDate(&o, QStringLiteral("send_dt"));
                c->r_type = JsonStr(&o, QStringLiteral("r_type"));
                c->r_size = uint32_t(JsonInt(&o, QStringLiteral("r_size"), 0));
                c->r_dt = JsonDate(&o, QStringLiteral("resp_dt"));
                list.push_back(std::move(c));
            }
        }
        fCommandLog = std::move(list);
        fCommandLogUpdated = AccountNow();
        LogText(QStringLiteral(" [%1]").arg(fCommandLog.size()));
        return int(fCommandLog.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::GetCommandResponse(uint32_t Uid)
{
    try {
        if (DoGet(QStringLiteral("CommandResponse"), QStringLiteral("/cmdlog/%1/response").arg(Uid)) != 200)
            return false;
        if (!AnswerError().isEmpty())
            return false; // cut or too large: named by the envelope, nothing saved
        const TZtHttpsClient &http = *fApiClient;
        if (http.RcvdCount() <= 0) {
            LogText(QStringLiteral(" [no data]"));
            return false;
        }
        LogText(QStringLiteral(" [%1]").arg(http.RcvdCount()));
        const QString contentType = http.RcvdContentType();
        const QString file = fResponseDir + QString::number(Uid) + QLatin1Char('.') + ExtOfContentType(contentType);
        QByteArray body = http.RcvdData();
        if (contentType.contains(QLatin1String("text"))) {
            // Written as UTF-8 with one byte-order mark: an answer that brings
            // its own mark must not get a second one, which readers would take
            // for part of the first line.
            static const QByteArray bom("\xEF\xBB\xBF");
            if (body.startsWith(bom))
                body.remove(0, bom.size());
            body = bom + QString::fromUtf8(body).toUtf8();
        }
        QDir().mkpath(fResponseDir);
        QSaveFile f(file);
        qint64 written = -1;
        if (f.open(QIODevice::WriteOnly)) {
            written = f.write(body);
            if (written != body.size() || !f.commit())
                written = -1;
        }
        LogText(QStringLiteral("\rVelmoraClient.CommandResponse(%1): %2").arg(file).arg(written));
        if (written < 0)
            return false;
        fResultFile = file;
        return true;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}
