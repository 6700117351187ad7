// The same answer through GetTrack's streaming reader and through the common
// point reader over a parsed document: every point must come out alike.

#include "OSM.TrackPointInfo.h"
#include "FuzzSupport.h"
#include "JsonRules.h"
#include "RecordMembers.h"
#include "client.h"

#include <rapidjson/document.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cmath>
#include <cstdio>
#include <optional>
#include <type_traits>
#include <variant>

namespace {

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

[[noreturn]] void differ(const char *what, const TTrackPointInfo &p)
{
    std::fprintf(stderr, "readers differ in %s of point uid %d\n", what, p.uid);
    __builtin_trap();
}

// A member of the readers' table, alike in both points.
bool sameMember(const RecordMembers::Member<TTrackPointInfo> &m, const TTrackPointInfo &a, const TTrackPointInfo &b)
{
    return std::visit(
        [&](auto member) {
            if constexpr (std::is_same_v<std::decay_t<decltype(a.*member)>, double>)
                return same(a.*member, b.*member);
            else
                return a.*member == b.*member;
        },
        m.member);
}

void compare(const TTrackPointInfo &a, const TTrackPointInfo &b)
{
    if (a.uid != b.uid)
        differ("uid", a);
    for (const auto &m : RecordMembers::PointMembers())
        if (!sameMember(m, a, b))
            differ(m.name.data(), a); // the names are literals, ended by a zero
    if (a.HasEvent != b.HasEvent || a.sensors.size() != b.sensors.size())
        differ("sensors", a);
    for (size_t i = 0; i < a.sensors.size(); ++i)
        if (a.sensors[i]->uid != b.sensors[i]->uid || a.sensors[i]->sign != b.sensors[i]->sign || a.sensors[i]->val != b.sensors[i]->val)
            differ("a sensor", a);
    if (a.events.size() != b.events.size() || a.zones.size() != b.zones.size())
        differ("events or zones", a);
    for (size_t i = 0; i < a.events.size(); ++i)
        if (a.events[i]->uid != b.events[i]->uid)
            differ("an event", a);
    for (size_t i = 0; i < a.zones.size(); ++i)
        if (a.zones[i]->uid != b.zones[i]->uid || a.zones[i]->name != b.zones[i]->name)
            differ("a zone", a);
}

// Whether an object anywhere repeats a member name. A parsed document keeps
// the last of them, a streaming reader sees each: JSON leaves this open.
bool repeatsNames(const rapidjson::Value &v)
{
    if (v.IsArray()) {
        for (const auto &e : v.GetArray())
            if (repeatsNames(e))
                return true;
    } else if (v.IsObject()) {
        QSet<QByteArray> names;
        for (const auto &m : v.GetObject()) {
            const QByteArray name(m.name.GetString(), qsizetype(m.name.GetStringLength()));
            if (names.contains(name) || repeatsNames(m.value))
                return true;
            names.insert(name);
        }
    }
    return false;
}

// The points as the common reader sees them; nullopt when it refuses.
std::optional<TTrackPointList> common(const TVelmoraClient &client, const QJsonValue &doc)
{
    TTrackPointList out;
    try {
        QJsonArray arr;
        if (doc.isArray()) {
            arr = doc.toArray();
        } else {
            const QJsonObject root = doc.toObject();
            const auto a = TVelmoraClient::JsonArray(&root, QStringLiteral("Track"));
            if (!a)
                return out;
            arr = *a;
        }
        for (const QJsonValue &v : std::as_const(arr)) {
            if (!v.isObject())
                continue;
            const QJsonObject o = v.toObject();
            auto p = client.ParseTrackPoint(&o);
            if (p->uid != 0)
                out.push_back(std::move(p));
        }
    } catch (const std::exception &) {
        return std::nullopt;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size) || fuzz::tooDeep(data, size))
        return 0;
    static TVelmoraClient client(QStringLiteral("http://127.0.0.1:9"), QString(), QStringLiteral("0.125"));
    const QByteArray answer(reinterpret_cast<const char *>(data), qsizetype(size));
    // Only JSON is compared. Qt's parser lets some text that is not JSON
    // pass (raw control characters in strings, numbers such as ".5") where
    // rapidjson refuses it, so an answer must satisfy both parsers; text that
    // is not JSON is refused by each reader in its own words. Objects that
    // repeat a member name are left out too (see repeatsNames).
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(answer, &pe);
    if (pe.error != QJsonParseError::NoError)
        return 0;
    rapidjson::Document strict;
    if (strict.Parse(answer.constData(), size_t(answer.size())).HasParseError() || repeatsNames(strict))
        return 0;
    // The common reader gets the document as the program's request code
    // parses answers (it tells 50 from 5e1, which Qt's parser does not).
    QJsonValue parsed;
    QString error;
    if (!JsonRules::ParseJson(answer.constData(), size_t(answer.size()), parsed, error))
        return 0;
    TTrackPointList streamed;
    const int n = client.ParseTrackAnswer(answer, QStringLiteral("Track"), streamed, error);
    const auto expected = common(client, parsed);
    if ((n < 0) != !expected.has_value()) {
        std::fprintf(stderr, "one reader refused the answer: streaming %d (%s)\n", n, qPrintable(error));
        __builtin_trap();
    }
    if (n < 0)
        return 0;
    if (streamed.size() != expected->size()) {
        std::fprintf(stderr, "point counts differ: %zu and %zu\n", streamed.size(), expected->size());
        __builtin_trap();
    }
    for (size_t i = 0; i < streamed.size(); ++i)
        compare(*streamed[i], *(*expected)[i]);
    return 0;
}
