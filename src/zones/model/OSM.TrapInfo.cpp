#include "OSM.TrapInfo.h"

#include "OSM.ObjectInfo.h"

#include <QUrl>

static QString enc(const QString &s)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(s));
}

static QString boolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

QString TTrapInfo::ToUrlString() const
{
    QString s;
    if (uid > 0)
        s = QStringLiteral("uid=%1&").arg(uid);
    s += QStringLiteral("obj_id=%1&target_type_id=%2&target_id=%3&condition_id=%4&")
             .arg(obj_id)
             .arg(target_type_id)
             .arg(target_id)
             .arg(condition_id);
    s += QStringLiteral("val=") + enc(val) + QStringLiteral("&is_alarm=") + boolText(is_alarm)
        + QStringLiteral("&accept_type_id=") + QString::number(accept_type_id)
        + QStringLiteral("&msg=") + enc(msg) + QStringLiteral("&subj=") + enc(subj)
        + QStringLiteral("&email=") + boolText(email) + QStringLiteral("&telegram=")
        + boolText(telegram) + QLatin1Char('&');
    return s;
}

QString TTrapInfo::TargetType() const
{
    switch (target_type_id) {
    case 1:
        return QStringLiteral("Zone");
    case 2:
        return QStringLiteral("Sensor");
    case 3:
        return QStringLiteral("Timeout");
    case 4:
        return QStringLiteral("Battery");
    case 5:
        return QStringLiteral("Speed");
    default:
        return QString::number(target_type_id);
    }
}

template <typename T> static const T &deref(const T &v) { return v; }
template <typename T> static const T &deref(const T *v) { return *v; }
template <typename T> static const T &deref(const std::unique_ptr<T> &v) { return *v; }

QString TTrapInfo::TargetName() const
{
    switch (target_type_id) {
    case 1:
        if (fZoneList)
            for (const auto &z : *fZoneList)
                if (z->uid == target_id)
                    return z->name;
        return QString();
    case 2:
        if (fObjInfo)
            for (const auto &s : fObjInfo->sensors)
                if (int64_t(deref(s).uid) == target_id)
                    return deref(s).name;
        return QString();
    case 3:
    case 4:
    case 5:
        return QString();
    default:
        return QString::number(target_id);
    }
}

QString TTrapInfo::TrapName() const
{
    return TargetType() + QLatin1Char(':') + TargetName();
}

QString TTrapInfo::Condition() const
{
    if (target_type_id == 1)
        return condition_id == 1 ? QStringLiteral("→]") : QStringLiteral("[→");
    if (target_type_id < 2 || target_type_id > 5)
        return QString::number(condition_id);
    QString pre, post;
    switch (condition_id) {
    case 1:
        pre = QStringLiteral(">");
        break;
    case 2:
        pre = QStringLiteral("<");
        break;
    case 3:
        pre = QStringLiteral("==");
        break;
    case 4:
        pre = QStringLiteral("<>");
        break;
    case 5:
        post = QStringLiteral("..");
        break;
    case 6:
        pre = QStringLiteral("..");
        break;
    case 7:
        pre = post = QStringLiteral("..");
        break;
    default:
        return QString::number(condition_id);
    }
    return pre + val + post;
}
