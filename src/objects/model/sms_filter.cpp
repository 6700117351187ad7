#include "sms_filter.h"

#include "device_answer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace {

QString JsonText(const QString &s)
{
    QString out;
    out.reserve(s.size() + 2);
    out += u'"';
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '/': out += QLatin1String("\\/"); break;
        case '\b': out += QLatin1String("\\b"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\f': out += QLatin1String("\\f"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '%': out += QLatin1String("\\u0025"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

bool IsInt(const QJsonValue &v)
{
    return v.isDouble() && v.toDouble() == double(v.toInteger());
}

} // namespace

bool TSmsFilter::TCondition::FromJson(const QJsonObject &o, TCondition &out)
{
    if (!IsInt(o.value(QStringLiteral("type"))) || !o.value(QStringLiteral("arg")).isString())
        return false;
    out = TCondition(int(o.value(QStringLiteral("type")).toInteger()), o.value(QStringLiteral("arg")).toString());
    return true;
}

QJsonObject TSmsFilter::TCondition::ToJson() const
{
    return QJsonObject{{QStringLiteral("type"), fTyp}, {QStringLiteral("arg"), fArg}};
}

QString TSmsFilter::TCondition::Hash() const
{
    switch (fTyp) {
    case 0: return QStringLiteral("ShortNumber");
    case 1: return QStringLiteral("Age>=") + fArg;
    case 2: return QStringLiteral("Template=") + fArg + QChar(0x2026);
    default: return QStringLiteral("Unknown");
    }
}

bool TSmsFilter::TAction::FromJson(const QJsonObject &o, TAction &out)
{
    if (!IsInt(o.value(QStringLiteral("type"))) || !IsInt(o.value(QStringLiteral("arg"))))
        return false;
    out = TAction(int(o.value(QStringLiteral("type")).toInteger()), int(o.value(QStringLiteral("arg")).toInteger()));
    return true;
}

QJsonObject TSmsFilter::TAction::ToJson() const
{
    return QJsonObject{{QStringLiteral("type"), fTyp}, {QStringLiteral("arg"), fArg}};
}

QString TSmsFilter::TAction::TypStr() const
{
    return fTyp == 0 ? QStringLiteral("Delete") : fTyp == 1 ? QStringLiteral("Forward") : QString();
}

QString TSmsFilter::TAction::ArgStr() const
{
    if (fTyp == 0)
        return fArg == 0 ? QStringLiteral("Message") : fArg == 1 ? QStringLiteral("Chat") : QString();
    if (fTyp == 1)
        return fArg == 0 ? QStringLiteral("Email") : fArg == 1 ? QStringLiteral("Telegram") : QString();
    return QString();
}

QString TSmsFilter::TAction::Hash() const
{
    const QString a = ArgStr();
    return a.isEmpty() ? TypStr() : TypStr() + u':' + a;
}

bool TSmsFilter::FromJson(const QJsonObject &o, TSmsFilter &out, QString &Error)
{
    const QJsonValue note = o.value(QStringLiteral("note"));
    const QJsonValue conds = o.value(QStringLiteral("conditions"));
    const QJsonValue acts = o.value(QStringLiteral("actions"));
    if (!note.isString() || !conds.isArray() || !acts.isArray()) {
        Error = QStringLiteral("note, conditions or actions missing");
        return false;
    }
    TSmsFilter f;
    f.Note = note.toString();
    for (const QJsonValue &v : conds.toArray()) {
        TCondition c;
        if (!v.isObject() || !TCondition::FromJson(v.toObject(), c)) {
            Error = QStringLiteral("a condition without an integer type and a text arg");
            return false;
        }
        f.Conditions.push_back(c);
    }
    for (const QJsonValue &v : acts.toArray()) {
        TAction a;
        if (!v.isObject() || !TAction::FromJson(v.toObject(), a)) {
            Error = QStringLiteral("an action without an integer type and arg");
            return false;
        }
        f.Actions.push_back(a);
    }
    out = std::move(f);
    return true;
}

QJsonObject TSmsFilter::ToJson() const
{
    QJsonArray c, a;
    for (const TCondition &x : Conditions)
        c.append(x.ToJson());
    for (const TAction &x : Actions)
        a.append(x.ToJson());
    return QJsonObject{{QStringLiteral("note"), Note}, {QStringLiteral("conditions"), c}, {QStringLiteral("actions"), a}};
}

QString TSmsFilter::ToJsonStr() const
{
    // Written by hand: the keys in the device's order and its escapes.
    QStringList c, a;
    for (const TCondition &x : Conditions)
        c << QStringLiteral("{\"type\":%1,\"arg\":%2}").arg(x.TypInt()).arg(JsonText(x.Arg()));
    for (const TAction &x : Actions)
        a << QStringLiteral("{\"type\":%1,\"arg\":%2}").arg(x.TypInt()).arg(x.Arg());
    return QStringLiteral("{\"note\":") + JsonText(Note) + QStringLiteral(",\"conditions\":[") + c.join(u',')
        + QStringLiteral("],\"actions\":[") + a.join(u',') + QStringLiteral("]}");
}

QString TSmsFilter::Hash() const
{
    QStringList c, a;
    for (const TCondition &x : Conditions)
        c << x.Hash();
    for (const TAction &x : Actions)
        a << x.Hash();
    return u'[' + c.join(u',') + QStringLiteral("][") + a.join(u',') + u']';
}

QString TSmsFilter::Display() const
{
    return Note.isEmpty() ? Hash() : Note;
}

bool TSmsFilter::ParseAnswer(const QByteArray &Text, std::vector<TSmsFilter> &Out, QString &Error)
{
    for (const TZtHashItem &e : ReadDeviceAnswer(Text)) {
        // Read whole: a filter longer than any fixed limit is still a filter.
        if (!ZtHashFoldKey(e.key).startsWith(QLatin1String("filter")) || !e.value.startsWith(u'{'))
            continue;
        QJsonParseError pe;
        const QJsonDocument doc = QJsonDocument::fromJson(e.value.toUtf8(), &pe);
        TSmsFilter f;
        QString why = pe.error != QJsonParseError::NoError ? pe.errorString() : QString();
        if (why.isEmpty() && !doc.isObject())
            why = QStringLiteral("not an object");
        if (why.isEmpty())
            FromJson(doc.object(), f, why);
        if (!why.isEmpty()) {
            Error = QStringLiteral("%1: %2").arg(e.key, why);
            return false;
        }
        Out.push_back(std::move(f));
    }
    return true;
}

QString TSmsFilter::SetCommand(const std::vector<TSmsFilter> &Filters)
{
    QStringList pairs;
    for (size_t i = 0; i < Filters.size(); ++i) {
        QString json = Filters[i].ToJsonStr();
        json.replace(u' ', QStringLiteral("%20")).replace(u'\n', QStringLiteral("%0A")).replace(u'\r', QStringLiteral("%0D"));
        pairs << QStringLiteral("filter%1=").arg(i) + json;
    }
    // No pairs is the empty list: the device then keeps no filters.
    return (QStringLiteral("set filters ") + pairs.join(u' ')).trimmed();
}
