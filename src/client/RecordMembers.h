#pragma once

#include "Bearing.h"
#include "JsonRules.h"
#include "ZtUtils.h"
#include "client.h"

#include <QJsonObject>
#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

class TEventInfo;
class TObjectInfo;
class TTrackPointInfo;

// The scalar members of the records that list answers carry (objects, track
// points, events), one row each: the member's name in the answer, how its
// text reads, and where it goes. The document reader (ParseObject,
// ParseTrackPoint, ParseEvent) and the streaming readers of the list answers
// both read through the rows, so a new member is one row. The lists nested
// in a record (sensors, events, zones, alarms) and a point's uid, which
// decides whether it is a point at all, are read by hand.
namespace RecordMembers {

enum class Kind {
    Int,   // int32_t; def when absent, null or unreadable
    UInt,  // uint32_t; def likewise
    Float, // NaN when absent or null
    Bearing, // as Float, then reduced into [0, 360) (NormalBearing)
    Date,  // NaN when absent or null; moved into the account's zone
    Text,
    Bool,  // only true reads true
    Color  // "#RRGGBB"; def otherwise
};

template <class R>
struct Member
{
    using Target = std::variant<int32_t R::*, uint32_t R::*, double R::*, QString R::*, bool R::*>;
    std::string_view name;
    Kind kind;
    Target member;
    int64_t def = 0;
};

// A track point's members: also the members of an object's last position.
std::span<const Member<TTrackPointInfo>> PointMembers();
// An object's own members (its position's are PointMembers).
std::span<const Member<TObjectInfo>> ObjectMembers();
std::span<const Member<TEventInfo>> EventMembers();

// A member's value from a token of the streaming reader.
template <class R>
void Assign(const Member<R> &m, R &r, std::string_view t, JsonRules::Token kind, double zone)
{
    using JsonRules::Token;
    switch (m.kind) {
    case Kind::Int: r.*std::get<int32_t R::*>(m.member) = int32_t(JsonRules::TokenToInt(t, kind, m.def)); break;
    case Kind::UInt: r.*std::get<uint32_t R::*>(m.member) = uint32_t(JsonRules::TokenToInt(t, kind, m.def)); break;
    case Kind::Float: r.*std::get<double R::*>(m.member) = JsonRules::TokenToFloat(t, kind); break;
    case Kind::Bearing: r.*std::get<double R::*>(m.member) = NormalBearing(JsonRules::TokenToFloat(t, kind)); break;
    case Kind::Date: r.*std::get<double R::*>(m.member) = JsonRules::TokenToDate(t, kind, zone); break;
    case Kind::Text: r.*std::get<QString R::*>(m.member) = JsonRules::TokenToText(t, kind); break;
    case Kind::Bool: r.*std::get<bool R::*>(m.member) = kind != Token::Number && kind != Token::Null && t == "true"; break;
    case Kind::Color:
        r.*std::get<uint32_t R::*>(m.member) = HtmlToColor(JsonRules::TokenToText(t, kind), TColor(m.def));
        break;
    }
}

// What an absent member reads as.
template <class R>
void Reset(const Member<R> &m, R &r)
{
    Assign(m, r, {}, JsonRules::Token::Null, 0);
}

// A member's value from a document's object.
template <class R>
void Assign(const Member<R> &m, R &r, const TVelmoraClient &cli, const QJsonObject *json)
{
    const QString name = QString::fromLatin1(m.name.data(), qsizetype(m.name.size()));
    switch (m.kind) {
    case Kind::Int: r.*std::get<int32_t R::*>(m.member) = int32_t(TVelmoraClient::JsonInt(json, name, m.def)); break;
    case Kind::UInt: r.*std::get<uint32_t R::*>(m.member) = uint32_t(TVelmoraClient::JsonInt(json, name, m.def)); break;
    case Kind::Float: r.*std::get<double R::*>(m.member) = TVelmoraClient::JsonFloat(json, name); break;
    case Kind::Bearing: r.*std::get<double R::*>(m.member) = NormalBearing(TVelmoraClient::JsonFloat(json, name)); break;
    case Kind::Date: r.*std::get<double R::*>(m.member) = cli.JsonDate(json, name); break;
    case Kind::Text: r.*std::get<QString R::*>(m.member) = TVelmoraClient::JsonStr(json, name); break;
    case Kind::Bool: r.*std::get<bool R::*>(m.member) = TVelmoraClient::JsonBool(json, name); break;
    case Kind::Color:
        r.*std::get<uint32_t R::*>(m.member) = HtmlToColor(TVelmoraClient::JsonStr(json, name), TColor(m.def));
        break;
    }
}

template <class R>
void ReadAll(std::span<const Member<R>> members, R &r, const TVelmoraClient &cli, const QJsonObject *json)
{
    for (const Member<R> &m : members)
        Assign(m, r, cli, json);
}

// Finds a row by the member's name: the streaming readers ask it for every
// member of every record, so the name's length and first letter pick the
// one or two candidates to compare.
class TIndex
{
public:
    template <class R>
    explicit TIndex(std::span<const Member<R>> members)
    {
        for (auto &row : fHead)
            row.fill(-1);
        fNames.reserve(members.size());
        fNext.resize(members.size(), -1);
        for (size_t i = 0; i < members.size(); ++i) {
            const std::string_view n = members[i].name;
            Q_ASSERT(!n.empty() && n.size() < MaxLength && i < 128);
            fNames.push_back(n);
            // Appended at the end of its chain: the first row of a name wins.
            int8_t *link = &fHead[n.size()][uint8_t(n[0]) & 31];
            while (*link >= 0)
                link = &fNext[size_t(*link)];
            *link = int8_t(i);
        }
    }

    // The row's index, or -1.
    int Find(std::string_view k) const
    {
        if (k.empty() || k.size() >= MaxLength)
            return -1;
        for (int i = fHead[k.size()][uint8_t(k[0]) & 31]; i >= 0; i = fNext[size_t(i)])
            if (fNames[size_t(i)] == k)
                return i;
        return -1;
    }

private:
    static constexpr size_t MaxLength = 32;
    std::array<std::array<int8_t, 32>, MaxLength> fHead;
    std::vector<int8_t> fNext;
    std::vector<std::string_view> fNames;
};

} // namespace RecordMembers
