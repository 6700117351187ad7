#include "SimWorld.h"

#include "SimJson.h"

#include <QRandomGenerator>
#include <QRegularExpression>

namespace {
QString newToken()
{
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), 4);
    return QString::fromLatin1(bytes.toHex());
}
}

SimReply SimWorld::login(const QString &login, const QString &password)
{
    std::lock_guard lock(fMutex);
    for (SimAccount &a : fAccounts) {
        if (a.login.compare(login.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        if (a.password != password)
            break;
        const QString token = newToken();
        a.tokens.append(token);
        while (a.tokens.size() > 20)
            a.tokens.removeFirst();
        QJsonObject o = SimJson::user(a);
        o.insert(QStringLiteral("apiToken"), token);
        changedLocked();
        return SimReply::json(200, o);
    }
    return SimReply::error(406, QStringLiteral("Wrong login or password"));
}

int SimWorld::accountOfToken(const QString &token)
{
    if (token.isEmpty())
        return 0;
    std::lock_guard lock(fMutex);
    for (const SimAccount &a : std::as_const(fAccounts))
        if (a.tokens.contains(token))
            return a.uid;
    return 0;
}

SimReply SimWorld::getUser(int uid)
{
    std::lock_guard lock(fMutex);
    const SimAccount *a = account(uid);
    return a ? SimReply::json(200, SimJson::user(*a)) : SimReply::error(401, QStringLiteral("Unknown user"));
}

SimReply SimWorld::updateUser(int uid, const SimFields &fields)
{
    std::lock_guard lock(fMutex);
    SimAccount *a = account(uid);
    if (!a)
        return SimReply::error(401, QStringLiteral("Unknown user"));
    if (fields.isEmpty())
        return SimReply::error(400, QStringLiteral("Nothing to update"));
    SimAccount next = *a;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        const QString v = it.value().trimmed();
        bool ok = true;
        if (it.key() == QLatin1String("name"))
            next.name = v;
        else if (it.key() == QLatin1String("email")) {
            static const QRegularExpression mail(QStringLiteral("^$|^[^@\\s]+@[^@\\s]+$"));
            if (!mail.match(v).hasMatch())
                return SimReply::error(400, QStringLiteral("Invalid e-mail address"));
            next.email = v;
        } else if (it.key() == QLatin1String("tz")) {
            next.tz = v.toInt(&ok);
            if (!ok || next.tz < -14 * 3600 || next.tz > 14 * 3600)
                return SimReply::error(400, QStringLiteral("tz must be seconds east of UTC"));
        } else if (it.key() == QLatin1String("lang"))
            next.lang = v;
        else if (it.key() == QLatin1String("t_chat_id")) {
            next.tgChatId = v.isEmpty() ? 0 : v.toLongLong(&ok);
            if (!ok)
                return SimReply::error(400, QStringLiteral("t_chat_id must be a number"));
        } else if (it.key() == QLatin1String("password") || it.key() == QLatin1String("upass")) {
            if (it.value().isEmpty())
                return SimReply::error(400, QStringLiteral("Empty password"));
            next.password = it.value();
        }
    }
    *a = next;
    changedLocked();
    return SimReply::json(200, SimJson::user(*a));
}

SimReply SimWorld::reg(const QString &login)
{
    std::lock_guard lock(fMutex);
    const QString l = login.trimmed();
    static const QRegularExpression valid(QStringLiteral("^[^\\s&=]{1,64}$"));
    if (!valid.match(l).hasMatch())
        return SimReply::error(400, QStringLiteral("Invalid login"));
    for (const SimAccount &a : std::as_const(fAccounts))
        if (a.login.compare(l, Qt::CaseInsensitive) == 0)
            return SimReply::error(409, QStringLiteral("This login is already registered"));
    SimAccount a;
    a.uid = fNextAccount++;
    a.login = l;
    // There is no mail here: the new password is the login itself.
    a.password = l;
    a.email = l.contains(QLatin1Char('@')) ? l : QString();
    a.lang = QStringLiteral("en");
    fAccounts.append(a);
    changedLocked();
    return SimReply::noContent();
}

SimReply SimWorld::recovery(const QString &login)
{
    std::lock_guard lock(fMutex);
    for (const SimAccount &a : std::as_const(fAccounts))
        if (a.login.compare(login.trimmed(), Qt::CaseInsensitive) == 0)
            return SimReply::noContent();
    return SimReply::error(406, QStringLiteral("Unknown login"));
}
