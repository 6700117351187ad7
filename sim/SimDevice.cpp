#include "SimDevice.h"

#include "SimDeviceMedia.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

namespace {

const QString TextType = QStringLiteral("text/plain; charset=utf-8");

// Settings whose values travel percent-encoded in the "get config" answer.
bool isEncodedKey(const QString &key)
{
    return key.startsWith(QLatin1String("sms_"));
}

// The command texts escape only blanks and line breaks; a literal "%" stays.
QString unescapeBlanks(QString v)
{
    static const QRegularExpression re(QStringLiteral("%(20|0A|0D)"), QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    auto it = re.globalMatch(v);
    while (it.hasNext()) {
        const auto m = it.next();
        out += v.mid(last, m.capturedStart() - last);
        const QString code = m.captured(1).toUpper();
        out += code == QLatin1String("20") ? QStringLiteral(" ") : code == QLatin1String("0A") ? QStringLiteral("\n") : QStringLiteral("\r");
        last = m.capturedEnd();
    }
    out += v.mid(last);
    return out;
}

SimDevice::Answer text(const QString &s)
{
    return {TextType, s.toUtf8()};
}

// Splits "name0=value name1=value" into its pairs; the values carry no blanks.
QStringList pairsOf(const QString &rest)
{
    return rest.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

QString jsonString(const QString &s)
{
    const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

bool validFilter(const QJsonObject &f)
{
    if (!f.value(QStringLiteral("note")).isString() || !f.value(QStringLiteral("conditions")).isArray()
        || !f.value(QStringLiteral("actions")).isArray())
        return false;
    for (const QJsonValue &c : f.value(QStringLiteral("conditions")).toArray()) {
        const QJsonObject o = c.toObject();
        if (!o.value(QStringLiteral("type")).isDouble() || !o.value(QStringLiteral("arg")).isString())
            return false;
    }
    for (const QJsonValue &a : f.value(QStringLiteral("actions")).toArray()) {
        const QJsonObject o = a.toObject();
        if (!o.value(QStringLiteral("type")).isDouble() || !o.value(QStringLiteral("arg")).isDouble())
            return false;
    }
    return true;
}

} // namespace

SimDevice SimDevice::makeDefault(const QString &host, const QList<Wifi> &networks, const QStringList &homeSsids)
{
    SimDevice d;
    d.fConfig = {
        {QStringLiteral("service_enabled"), QStringLiteral("1")},
        {QStringLiteral("use_places"), QStringLiteral("1")},
        {QStringLiteral("continuously_tracking"), QStringLiteral("0")},
        {QStringLiteral("fast_on_charge"), QStringLiteral("1")},
        {QStringLiteral("block_incoming_calls"), QStringLiteral("0")},
        {QStringLiteral("tracking_server"), QStringLiteral("https://%1/osmand").arg(host)},
        {QStringLiteral("tracking_period"), QStringLiteral("300")},
        {QStringLiteral("tracking_fast_period"), QStringLiteral("60")},
        {QStringLiteral("is_sms_enabled"), QStringLiteral("1")},
        {QStringLiteral("sms_white_list"), QStringLiteral("+79120000001\r\n+79120000002")},
        {QStringLiteral("sms_quick_answers"), QStringLiteral("Yes\r\nNo\r\nCall you later")},
        {QStringLiteral("sms_quick_phrases"), QStringLiteral("I'm driving")},
        {QStringLiteral("app_version"), QStringLiteral("2.4.1")},
    };
    d.fWifi = networks;
    if (!homeSsids.isEmpty())
        d.fPlaces.append({QStringLiteral("Home"), homeSsids});
    for (const QString &s : homeSsids)
        d.markKnown(s, QString());
    d.fFilters.append(QJsonObject{
        {QStringLiteral("note"), QStringLiteral("Ads")},
        {QStringLiteral("conditions"), QJsonArray{QJsonObject{{QStringLiteral("type"), 0}, {QStringLiteral("arg"), QString()}}}},
        {QStringLiteral("actions"), QJsonArray{QJsonObject{{QStringLiteral("type"), 0}, {QStringLiteral("arg"), 0}}}},
    });
    return d;
}

QString SimDevice::configValue(const QString &key) const
{
    for (const auto &kv : fConfig)
        if (kv.first == key)
            return kv.second;
    return QString();
}

void SimDevice::setConfigValue(const QString &key, const QString &value)
{
    for (auto &kv : fConfig)
        if (kv.first == key) {
            kv.second = value;
            return;
        }
    fConfig.append({key, value});
}

void SimDevice::markKnown(const QString &ssid, const QString &bssid)
{
    bool found = false;
    for (Wifi &w : fWifi)
        if (w.ssid == ssid && (bssid.isEmpty() || w.bssid.compare(bssid, Qt::CaseInsensitive) == 0)) {
            w.known = true;
            found = true;
        }
    if (!found && !bssid.isEmpty())
        fWifi.append({ssid, bssid, 0, true});
}

SimDevice::Answer SimDevice::execute(const QString &command)
{
    const QString cmd = command.trimmed();
    const QStringList words = cmd.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    const QString head = words.mid(0, 2).join(QLatin1Char(' ')).toLower();
    const QString rest = words.mid(2).join(QLatin1Char(' '));
    if (head == QLatin1String("get config"))
        return getConfig();
    if (head == QLatin1String("set config"))
        return setConfig(pairsOf(rest));
    if (head == QLatin1String("get places"))
        return getPlaces();
    if (head == QLatin1String("set places"))
        return setPlaces(pairsOf(rest), false);
    if (head == QLatin1String("add places"))
        return setPlaces(pairsOf(rest), true);
    if (head == QLatin1String("get filters"))
        return getFilters();
    if (head == QLatin1String("set filters"))
        return setFilters(pairsOf(rest));
    if (auto media = simMediaAnswer(cmd))
        return *media;
    if (cmd.compare(QLatin1String("ping"), Qt::CaseInsensitive) == 0)
        return text(QStringLiteral("pong"));
    if (cmd.isEmpty())
        return text(QStringLiteral("ERROR: empty command"));
    return text(QStringLiteral("OK: %1").arg(cmd));
}

SimDevice::Answer SimDevice::getConfig() const
{
    QString out;
    for (const auto &kv : fConfig) {
        const QString v = isEncodedKey(kv.first) ? QString::fromUtf8(QUrl::toPercentEncoding(kv.second)) : kv.second;
        out += kv.first + QLatin1Char('=') + v + QLatin1Char('\n');
    }
    return text(out);
}

SimDevice::Answer SimDevice::setConfig(const QStringList &pairs)
{
    QStringList applied, refused;
    for (const QString &p : pairs) {
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        const QString key = eq > 0 ? p.left(eq) : QString();
        if (key.isEmpty() || configValue(key).isNull()) {
            refused.append(p);
            continue;
        }
        const QString value = unescapeBlanks(p.mid(eq + 1));
        if (key.endsWith(QLatin1String("period"))) {
            bool ok = false;
            const qint64 n = value.toLongLong(&ok);
            if (!ok || n < 0) {
                refused.append(p);
                continue;
            }
        }
        setConfigValue(key, value);
        applied.append(key);
    }
    QString out = QStringLiteral("config updated: %1").arg(applied.isEmpty() ? QStringLiteral("nothing") : applied.join(QLatin1Char(',')));
    if (!refused.isEmpty())
        out += QStringLiteral("\nrefused: ") + refused.join(QLatin1Char(' '));
    return text(out + QLatin1Char('\n'));
}

SimDevice::Answer SimDevice::getPlaces() const
{
    QString out;
    for (qsizetype i = 0; i < fPlaces.size(); ++i) {
        // The device lists a place's networks as bare names, and quotes a
        // name that a bare list could not hold.
        QStringList names;
        for (const QString &n : fPlaces[i].ssids) {
            static const QRegularExpression special(QStringLiteral("[,\"\\[\\]\\\\]|^\\s|\\s$"));
            names.append(n.contains(special) ? jsonString(n) : n);
        }
        out += QStringLiteral("place") + QString::number(i) + QStringLiteral("={\"name\":") + jsonString(fPlaces[i].name)
            + QStringLiteral(",\"ssid\":[") + names.join(QLatin1Char(',')) + QStringLiteral("]}\n");
    }
    int known = 0, seen = 0;
    for (const Wifi &w : fWifi) {
        // Concatenated, not formatted: names may hold "%" signs.
        out += (w.known ? QStringLiteral("wifi") : QStringLiteral("vifi")) + QString::number(w.known ? known++ : seen++)
            + QStringLiteral("={\"ssid\":") + jsonString(w.ssid) + QStringLiteral(",\"bssid\":") + jsonString(w.bssid)
            + QStringLiteral(",\"std\":") + QString::number(w.std) + QStringLiteral("}\n");
    }
    return text(out);
}

SimDevice::Answer SimDevice::setPlaces(const QStringList &pairs, bool add)
{
    QList<Place> places;
    for (const QString &p : pairs) {
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        if (eq <= 0 || !p.startsWith(QLatin1String("place")))
            return text(QStringLiteral("ERROR: bad place pair [%1]\n").arg(p));
        QJsonParseError pe;
        const QJsonObject o = QJsonDocument::fromJson(p.mid(eq + 1).toUtf8(), &pe).object();
        if (pe.error != QJsonParseError::NoError || !o.value(QStringLiteral("name")).isString())
            return text(QStringLiteral("ERROR: bad place JSON [%1]\n").arg(p.left(eq)));
        Place place;
        if (add) {
            // "add places" carries blanks as %20 and the access points by name.
            place.name = QString(o.value(QStringLiteral("name")).toString()).replace(QLatin1String("%20"), QLatin1String(" "));
            for (const QJsonValue &w : o.value(QStringLiteral("wifi")).toArray()) {
                const QString ssid = w.toObject().value(QStringLiteral("ssid")).toString().replace(QLatin1String("%20"), QLatin1String(" "));
                const QString bssid = w.toObject().value(QStringLiteral("bssid")).toString();
                if (ssid.isEmpty())
                    continue;
                if (!place.ssids.contains(ssid))
                    place.ssids.append(ssid);
                markKnown(ssid, bssid);
            }
        } else {
            // "set places" carries blanks as \s.
            place.name = o.value(QStringLiteral("name")).toString().replace(QLatin1String("\\s"), QLatin1String(" "));
            for (const QJsonValue &s : o.value(QStringLiteral("ssid")).toArray()) {
                const QString ssid = s.toString().replace(QLatin1String("\\s"), QLatin1String(" "));
                if (!ssid.isEmpty() && !place.ssids.contains(ssid))
                    place.ssids.append(ssid);
            }
            for (const QString &ssid : std::as_const(place.ssids))
                markKnown(ssid, QString());
        }
        if (place.ssids.isEmpty())
            return text(QStringLiteral("ERROR: place [%1] has no networks\n").arg(place.name));
        places.append(place);
    }
    if (add) {
        for (const Place &np : std::as_const(places)) {
            bool replaced = false;
            for (Place &op : fPlaces)
                if (op.name == np.name) {
                    op = np;
                    replaced = true;
                }
            if (!replaced)
                fPlaces.append(np);
        }
    } else {
        fPlaces = places;
    }
    return text(QStringLiteral("places updated: %1\n").arg(fPlaces.size()));
}

SimDevice::Answer SimDevice::getFilters() const
{
    QString out;
    for (qsizetype i = 0; i < fFilters.size(); ++i) {
        const QJsonObject f = fFilters[i].toObject();
        // Keys in the order of the filter format: note, conditions, actions; type before arg.
        QStringList conditions, actions;
        for (const QJsonValue &v : f.value(QStringLiteral("conditions")).toArray())
            conditions.append(QStringLiteral("{\"type\":%1,\"arg\":%2}")
                                  .arg(v.toObject().value(QStringLiteral("type")).toInt())
                                  .arg(jsonString(v.toObject().value(QStringLiteral("arg")).toString())));
        for (const QJsonValue &v : f.value(QStringLiteral("actions")).toArray())
            actions.append(QStringLiteral("{\"type\":%1,\"arg\":%2}")
                               .arg(v.toObject().value(QStringLiteral("type")).toInt())
                               .arg(v.toObject().value(QStringLiteral("arg")).toInt()));
        const QString s = QStringLiteral("{\"note\":%1,\"conditions\":[%2],\"actions\":[%3]}")
                              .arg(jsonString(f.value(QStringLiteral("note")).toString()), conditions.join(QLatin1Char(',')),
                                   actions.join(QLatin1Char(',')));
        out += QStringLiteral("filter%1=%2\n").arg(i).arg(s);
    }
    return text(out);
}

SimDevice::Answer SimDevice::setFilters(const QStringList &pairs)
{
    QJsonArray filters;
    for (const QString &p : pairs) {
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        if (eq <= 0 || !p.startsWith(QLatin1String("filter")))
            return text(QStringLiteral("ERROR: bad filter pair [%1]\n").arg(p));
        QJsonParseError pe;
        const QJsonObject o = QJsonDocument::fromJson(unescapeBlanks(p.mid(eq + 1)).toUtf8(), &pe).object();
        if (pe.error != QJsonParseError::NoError || !validFilter(o))
            return text(QStringLiteral("ERROR: bad filter JSON [%1], filters unchanged\n").arg(p.left(eq)));
        filters.append(o);
    }
    fFilters = filters;
    return text(QStringLiteral("filters updated: %1\n").arg(fFilters.size()));
}

QJsonObject SimDevice::toJson() const
{
    QJsonArray config, places, wifi;
    for (const auto &kv : fConfig)
        config.append(QJsonArray{kv.first, kv.second});
    for (const Place &p : fPlaces)
        places.append(QJsonObject{{QStringLiteral("name"), p.name}, {QStringLiteral("ssids"), QJsonArray::fromStringList(p.ssids)}});
    for (const Wifi &w : fWifi)
        wifi.append(QJsonObject{{QStringLiteral("ssid"), w.ssid}, {QStringLiteral("bssid"), w.bssid}, {QStringLiteral("std"), w.std}, {QStringLiteral("known"), w.known}});
    return {{QStringLiteral("config"), config}, {QStringLiteral("places"), places}, {QStringLiteral("wifi"), wifi}, {QStringLiteral("filters"), fFilters}};
}

SimDevice SimDevice::fromJson(const QJsonObject &o)
{
    SimDevice d;
    for (const QJsonValue &v : o.value(QStringLiteral("config")).toArray()) {
        const QJsonArray kv = v.toArray();
        if (kv.size() == 2 && !kv[0].toString().isEmpty())
            d.fConfig.append({kv[0].toString(), kv[1].toString()});
    }
    for (const QJsonValue &v : o.value(QStringLiteral("places")).toArray()) {
        Place p;
        p.name = v.toObject().value(QStringLiteral("name")).toString();
        for (const QJsonValue &s : v.toObject().value(QStringLiteral("ssids")).toArray())
            p.ssids.append(s.toString());
        d.fPlaces.append(p);
    }
    for (const QJsonValue &v : o.value(QStringLiteral("wifi")).toArray()) {
        const QJsonObject w = v.toObject();
        d.fWifi.append({w.value(QStringLiteral("ssid")).toString(), w.value(QStringLiteral("bssid")).toString(),
                        w.value(QStringLiteral("std")).toInt(), w.value(QStringLiteral("known")).toBool()});
    }
    for (const QJsonValue &v : o.value(QStringLiteral("filters")).toArray())
        if (validFilter(v.toObject()))
            d.fFilters.append(v);
    return d;
}
