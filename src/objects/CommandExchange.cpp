#include "CommandExchange.h"

#include "OSM.CommandInfo.h"
#include "OSM.ObjectInfo.h"
#include "ZtDates.h"
#include "ZtHttp.h"
#include "client.h"
#include "translate.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include <algorithm>
#include <cmath>

TCommandExchange::TCommandExchange(const QString &LogPrefix, QWidget *Parent)
    : QDialog(Parent), OpenUrl([](const QUrl &u) { QDesktopServices::openUrl(u); }), fLogPrefix(LogPrefix)
{
}

void TCommandExchange::Bind(TObjectInfo *ObjInfo, TVelmoraClient *Client)
{
    fObjInfo = ObjInfo;
    fClient = Client;
}

void TCommandExchange::Log(const QString &Text) const
{
    if (fLogCallback)
        fLogCallback(QString(Text).replace(QLatin1Char('\r'), fLogPrefix), {}, -1);
}

QString TCommandExchange::DateText(double Dt)
{
    return std::isnan(Dt) ? QString() : FormatDateTimeDef(QString(), Dt);
}

uint32_t TCommandExchange::UidOfItem(const QString &Item)
{
    bool ok = false;
    const qint64 v = Item.section(QLatin1Char('|'), 0, 0).trimmed().toLongLong(&ok);
    return ok && v > 0 && v <= qint64(UINT32_MAX) ? uint32_t(v) : 0;
}

std::vector<TCommandInfo *> TCommandExchange::SortedLog() const
{
    std::vector<TCommandInfo *> out;
    if (!fClient || !fLogRead)
        return out;
    for (const auto &c : fClient->CommandLog())
        out.push_back(c.get());
    // Unanswered first (by creation, newest first), then by answer, newest first.
    std::stable_sort(out.begin(), out.end(), [](const TCommandInfo *a, const TCommandInfo *b) {
        const bool ra = !std::isnan(a->r_dt), rb = !std::isnan(b->r_dt);
        if (ra != rb)
            return !ra;
        if (!ra) {
            const double ca = std::isnan(a->create_dt) ? 0 : a->create_dt;
            const double cb = std::isnan(b->create_dt) ? 0 : b->create_dt;
            return ca > cb;
        }
        return a->r_dt > b->r_dt;
    });
    return out;
}

int TCommandExchange::ReadLog(int Count, const QString &Text)
{
    const int n = fClient->GetCommandLog(fObjInfo->uid, Count, Text);
    fLogRead = n >= 0;
    if (n < 0) {
        Log(QStringLiteral("\r  X: ") + fClient->ErrorMessage());
        ShowClientError();
    } else {
        Log(QStringLiteral("\r  -> ") + QString::number(n));
    }
    return n;
}

void TCommandExchange::ShowClientError()
{
    QMessageBox::warning(this, TranslatedCaption(),
                         Translation.GetString(QStringLiteral("error"), {fClient->ErrorMessage()}));
}

bool TCommandExchange::SendDeviceCommand(const QString &Cmd)
{
    // The client posts the text as it is: a command that looks like a file
    // name ("file://...") is sent as text, never read from disk.
    if (fClient->SendCommand(fObjInfo->uid, Cmd))
        return true;
    // The transport's reason (a command over the size limit never leaves),
    // else the service's own text, else the status.
    QString error = fClient->ApiClient().LastError();
    if (error.isEmpty())
        error = TVelmoraClient::JsonStr(fClient->ResultData(), QStringLiteral("text"));
    if (error.isEmpty())
        error = fClient->ErrorMessage();
    QMessageBox::warning(this, TranslatedCaption(), error);
    return false;
}

bool TCommandExchange::OpenAnswer(uint32_t Uid)
{
    if (!fClient->GetCommandResponse(Uid))
        return false;
    const QFileInfo fi(fClient->resultFile());
    const QString ext = fi.suffix().toLower();
    // Only kinds that open into a viewer; anything else could be a program
    // or a document with active content, so only its folder is shown.
    if (ext == QLatin1String("txt") || ext == QLatin1String("png") || ext == QLatin1String("jpg"))
        OpenUrl(QUrl::fromLocalFile(fi.absoluteFilePath()));
    else
        OpenUrl(QUrl::fromLocalFile(fi.absolutePath()));
    return true;
}

QString TCommandExchange::TranslatedCaption() const
{
    return Translation.GetString(objectName(), QStringLiteral("Caption"),
                                 windowTitle().isEmpty() ? QStringLiteral(" ") : windowTitle());
}

bool TCommandExchange::StartExchange(QComboBox *Requests, const QString &Query, const QString &NoRequestsKey,
                                     const QString &NoAnswersKey)
{
    Requests->clear();
    const int n = ReadLog(6, Query);
    if (n < 0)
        return false;
    if (n == 0) {
        const auto answer = QMessageBox::question(this, TranslatedCaption(), Translation.GetString(NoRequestsKey),
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Yes)
            fClient->SendCommand(fObjInfo->uid, Query);
        return false;
    }
    for (const TCommandInfo *c : SortedLog())
        if (c->r_size >= 1)
            Requests->addItem(QStringLiteral("%1 | %2").arg(c->uid).arg(DateText(c->r_dt)));
    if (Requests->count() == 0) {
        QMessageBox::warning(this, TranslatedCaption(), Translation.GetString(NoAnswersKey));
        return false;
    }
    Requests->setCurrentIndex(0);
    // An answer that could not be fetched leaves the dialog empty and, with
    // nothing of the device's read, the dialog sends no list that would
    // replace the device's.
    LoadItem(Requests->itemText(0));
    return true;
}

bool TCommandExchange::LoadItem(const QString &Item)
{
    const uint32_t uid = UidOfItem(Item);
    if (uid == 0)
        return false;
    if (!fClient->GetCommandResponse(uid)) {
        Log(QStringLiteral("\r  X: ") + fClient->ErrorMessage());
        ShowClientError();
        return false;
    }
    return LoadAnswerFile(fClient->resultFile());
}
