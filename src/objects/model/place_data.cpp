#include "place_data.h"

#include "device_answer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The device writes a blank in a name as "\s".
QString Unescape(QString s)
{
    return s.replace(QLatin1String("\\s"), QLatin1String(" "));
}

// The device's JSON escapes: '"', '\' and '/' with a backslash, control
// characters by their letters; everything else as it is.
QString JsonText(const QString &s)
{
    QString out = QStringLiteral("\"");
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
        default:
            // Other control characters cannot travel in a one-line command.
            if (c.unicode() >= 0x20)
                out += c;
        }
    }
    return out + u'"';
}

// The items of a network list as the device writes it: JSON strings, or
// bare names separated by commas.
bool ReadSsidList(const QString &Inner, QStringList &Out)
{
    qsizetype i = 0;
    const qsizetype n = Inner.size();
    while (i < n) {
        while (i < n && Inner[i].isSpace())
            ++i;
        if (i >= n)
            break;
        QString item;
        if (Inner[i] == u'"') {
            // A quoted name: up to the closing quote that is not escaped.
            qsizetype j = i + 1;
            while (j < n && Inner[j] != u'"')
                j += Inner[j] == u'\\' ? 2 : 1;
            if (j >= n)
                return false;
            const QJsonDocument d = QJsonDocument::fromJson(("[" + Inner.mid(i, j - i + 1) + "]").toUtf8());
            if (!d.isArray())
                return false;
            item = d.array().at(0).toString();
            i = j + 1;
            while (i < n && Inner[i].isSpace())
                ++i;
            if (i < n && Inner[i] != u',')
                return false;
        } else {
            const qsizetype comma = Inner.indexOf(u',', i);
            const qsizetype end = comma < 0 ? n : comma;
            item = Inner.mid(i, end - i).trimmed();
            i = end;
        }
        ++i; // the comma
        item = Unescape(item);
        if (!item.isEmpty())
            Out << item;
    }
    return true;
}

bool ReadPlace(const QString &Value, TPlaceData &Out, QString &Why)
{
    QJsonParseError pe;
    QJsonDocument doc = QJsonDocument::fromJson(Value.toUtf8(), &pe);
    QStringList ssids;
    if (pe.error != QJsonParseError::NoError) {
        // Bare names are not JSON: the list is read by hand and the rest is.
        const qsizetype at = Value.indexOf(QLatin1String("\"ssid\""));
        const qsizetype open = at < 0 ? -1 : Value.indexOf(u'[', at);
        const qsizetype close = Value.lastIndexOf(u']');
        if (open < 0 || close < open || !ReadSsidList(Value.mid(open + 1, close - open - 1), ssids)) {
            Why = pe.errorString();
            return false;
        }
        doc = QJsonDocument::fromJson((Value.left(open) + QStringLiteral("[]") + Value.mid(close + 1)).toUtf8(), &pe);
        if (pe.error != QJsonParseError::NoError) {
            Why = pe.errorString();
            return false;
        }
    } else {
        const QJsonValue list = doc.object().value(QStringLiteral("ssid"));
        if (list.isArray()) {
            for (const QJsonValue &v : list.toArray()) {
                if (!v.isString()) {
                    Why = QStringLiteral("a network name that is not text");
                    return false;
                }
                if (const QString s = Unescape(v.toString()); !s.isEmpty())
                    ssids << s;
            }
        } else if (list.isString()) {
            ssids << Unescape(list.toString());
        }
    }
    const QJsonValue name = doc.object().value(QStringLiteral("name"));
    if (!doc.isObject() || !name.isString()) {
        Why = QStringLiteral("no name");
        return false;
    }
    Out.Sign = Unescape(name.toString());
    Out.Ssids = ssids;
    return true;
}

} // namespace

bool TPlaceData::ParseAnswer(const QByteArray &Text, QList<TPlaceData> &Places, TWifiList &Wifi, QString &Error)
{
    for (const TZtHashItem &e : ReadDeviceAnswer(Text)) {
        const QString key = ZtHashFoldKey(e.key);
        // Read whole: a place with many networks is longer than any fixed limit.
        if (key.startsWith(QLatin1String("place"))) {
            TPlaceData p;
            QString why;
            if (!ReadPlace(e.value, p, why)) {
                Error = QStringLiteral("%1: %2").arg(e.key, why);
                return false;
            }
            Places << p;
        } else if (key.startsWith(QLatin1String("wifi")) || key.startsWith(QLatin1String("vifi"))) {
            const QJsonObject o = QJsonDocument::fromJson(e.value.toUtf8()).object();
            TWifiData w;
            w.ssid = Unescape(o.value(QStringLiteral("ssid")).toString());
            w.bssid = o.value(QStringLiteral("bssid")).toString();
            w.std = o.value(QStringLiteral("std")).toInt();
            w.known = key.startsWith(u'w');
            // An access point without a name is of no use for a place.
            if (!w.ssid.isEmpty())
                Wifi << w;
        }
    }
    return true;
}

QString TPlaceData::SetCommand(const QList<TPlaceData> &Places)
{
    QString out = QStringLiteral("set places");
    int n = 0;
    for (const TPlaceData &p : Places) {
        QStringList items;
        for (const QString &s : p.Ssids)
            if (!s.trimmed().isEmpty())
                items << JsonText(QString(s).replace(u' ', QLatin1String("\\s")));
        if (items.isEmpty())
            continue;
        QString json = QStringLiteral("{\"name\":") + JsonText(QString(p.Sign).replace(u' ', QLatin1String("\\s")))
            + QStringLiteral(",\"ssid\":[") + items.join(u',') + QStringLiteral("]}");
        json.remove(u'\r').remove(u'\n').remove(u' ');
        out += QStringLiteral(" place%1=").arg(n++) + json;
    }
    return out;
}

QString TPlaceData::AddCommand(const QList<TPlaceData> &Places, const TWifiList &Wifi)
{
    QString out = QStringLiteral("add places");
    int n = 0;
    for (const TPlaceData &p : Places) {
        QStringList aps;
        for (const QString &s : p.Ssids)
            for (const TWifiData &w : Wifi)
                if (w.ssid == s && !w.bssid.isEmpty())
                    aps << QStringLiteral("{\"ssid\":") + JsonText(QString(s).replace(u' ', QLatin1String("%20")))
                            + QStringLiteral(",\"bssid\":") + JsonText(w.bssid) + u'}';
        if (p.Ssids.isEmpty())
            continue;
        QString json = QStringLiteral("{\"name\":") + JsonText(QString(p.Sign).replace(u' ', QLatin1String("%20")))
            + QStringLiteral(",\"wifi\":[") + aps.join(u',') + QStringLiteral("]}");
        json.remove(u'\r').remove(u'\n').remove(u' ');
        out += QStringLiteral(" place%1=").arg(n++) + json;
    }
    return out;
}
