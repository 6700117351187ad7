// Track points and track requests: the point reader shared by objects, zone
// histories and trips, and GetTrack with its streaming reader of the answer.

#include "client.h"
#include "AccountClock.h"

#include "Bearing.h"

#include "OSM.EventInfo.h"
#include "OSM.TrackPointInfo.h"
#include "OSM.ZoneInfo.h"

#include "JsonRules.h"
#include "RecordMembers.h"
#include "ZtHttp.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <QJsonDocument>
#include <QtGlobal>

#include <charconv>
#include <cmath>
#include <string_view>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// What a token was; the rules of JsonRules apply to its text.
using JsonRules::Token;

// Reads the track answer (a bare array of points, or an object holding it
// under the request name) straight from the received bytes, without building
// a document: a track can hold a million points. Events and zones of a point
// are rare; each is cut out of the text and read by the common parsers.
class TTrackAnswerReader : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, TTrackAnswerReader>
{
public:
    TTrackAnswerReader(const TVelmoraClient &cli, const QString &opName,
                       const rapidjson::StringStream &stream, const char *base, TTrackPointList &out)
        : fCli(cli), fOpName(opName.toUtf8()), fStream(stream), fBase(base), fOut(out)
    {
    }

    QString fError;
    bool fSawPoints = false;

    bool StartObject() { return Start(true); }
    bool StartArray() { return Start(false); }
    bool EndObject(rapidjson::SizeType) { return End(); }
    bool EndArray(rapidjson::SizeType) { return End(); }
    bool Key(const char *s, rapidjson::SizeType n, bool)
    {
        const std::string_view k(s, n);
        if (fState == RootObject)
            fKey = (k == std::string_view(fOpName.constData(), size_t(fOpName.size()))) ? KPoints : KOther;
        else if (fState == Point)
            fKey = PointKey(k);
        else if (fState == Sensor)
            fKey = k == "uid" ? KUid : k == "sign" ? KSign : k == "val" ? KVal : KOther;
        return true;
    }
    bool String(const char *s, rapidjson::SizeType n, bool) { return Scalar(std::string_view(s, n), Token::String); }
    bool RawNumber(const char *s, rapidjson::SizeType n, bool) { return Scalar(std::string_view(s, n), Token::Number); }
    bool Bool(bool b) { return Scalar(b ? "true" : "false", Token::Bool); }
    bool Null() { return Scalar({}, Token::Null); }
    bool Default() { return Scalar({}, Token::Null); }

private:
    static constexpr size_t MaxDepth = 256;
    enum State { Root, RootObject, Points, Point, Sensors, Sensor, Events, Zones, Skip };
    // KMember: a row of PointMembers (fMember).
    enum KeyId { KOther, KPoints, KUid, KMember, KSensors, KEvents, KZones, KSign, KVal };

    // Called for every member of every point.
    KeyId PointKey(std::string_view k)
    {
        static const RecordMembers::TIndex index(RecordMembers::PointMembers());
        if ((fMember = index.Find(k)) >= 0)
            return KMember;
        return k == "uid" ? KUid : k == "sensors" ? KSensors : k == "events" ? KEvents : k == "zones" ? KZones : KOther;
    }

    bool Fail(const QString &msg)
    {
        if (fError.isEmpty())
            fError = msg;
        return false;
    }

    void Push(State s)
    {
        fStack.push_back(fState);
        fState = s;
    }

    bool Start(bool isObject)
    {
        if (fStack.size() >= MaxDepth)
            return Fail(QStringLiteral("answer nested deeper than %1 levels").arg(MaxDepth));
        switch (fState) {
        case Root:
            if (isObject) {
                Push(RootObject);
            } else {
                fSawPoints = true;
                Push(Points);
            }
            return true;
        case RootObject:
            if (fKey == KPoints) {
                if (isObject)
                    return Fail(QStringLiteral("member \"%1\" is not an array").arg(QString::fromUtf8(fOpName)));
                fSawPoints = true;
                Push(Points);
            } else {
                Push(Skip);
            }
            return true;
        case Points:
            if (!isObject) {
                Push(Skip);
                return true;
            }
            BeginPoint();
            Push(Point);
            return true;
        case Point:
            if (fKey == KSensors || fKey == KEvents || fKey == KZones) {
                if (isObject)
                    return Fail(QStringLiteral("member \"%1\" is not an array")
                                    .arg(fKey == KSensors ? "sensors" : fKey == KEvents ? "events" : "zones"));
                ClearList(fKey); // a repeated member: the last one counts
                Push(fKey == KSensors ? Sensors : fKey == KEvents ? Events : Zones);
            } else {
                Scalar({}, Token::Null); // a scalar member given as object or array reads empty
                Push(Skip);
            }
            return true;
        case Sensor:
            if (fKey == KUid || fKey == KSign || fKey == KVal)
                Scalar({}, Token::Null);
            Push(Skip);
            return true;
        case Sensors:
            if (!isObject) {
                Push(Skip);
                return true;
            }
            fSensorUid = 0;
            fSensorSign.clear();
            fSensorVal.clear();
            Push(Sensor);
            return true;
        case Events:
        case Zones:
            if (isObject) {
                fCutStart = fStream.Tell(); // the iterative parser reports "{" before taking it
                fCutKind = fState;
            }
            fCutDepth = isObject ? 1 : 0;
            Push(Skip);
            return true;
        case Skip:
            if (fCutDepth > 0)
                ++fCutDepth;
            Push(Skip);
            return true;
        }
        return true;
    }

    bool End()
    {
        const State closing = fState;
        fState = fStack.back();
        fStack.pop_back();
        if (closing == Point)
            return EndPoint();
        if (closing == Sensor) {
            EndSensor();
            return true;
        }
        if (closing == Skip && fCutDepth > 0 && --fCutDepth == 0)
            return EndCut();
        return true;
    }

    // A scalar member of a point or a sensor, read by the common rules: a
    // null (or an object where a scalar belongs) gives the member's default.
    bool Scalar(std::string_view t, Token kind)
    {
        if (fState == Point) {
            TTrackPointInfo &p = *fPoint;
            switch (fKey) {
            case KUid: p.uid = int32_t(JsonRules::TokenToInt(t, kind, 0)); break;
            case KMember: RecordMembers::Assign(RecordMembers::PointMembers()[size_t(fMember)], p, t, kind, fZone); break;
            case KSensors:
            case KEvents:
            case KZones:
                if (kind == Token::Null) {
                    ClearList(fKey);
                    break;
                }
                return Fail(QStringLiteral("member \"%1\" is not an array")
                                .arg(fKey == KSensors ? "sensors" : fKey == KEvents ? "events" : "zones"));
            default: break;
            }
            return true;
        }
        if (fState == Sensor) {
            if (fKey == KUid)
                fSensorUid = int32_t(JsonRules::TokenToInt(t, kind, 0));
            else if (fKey == KSign)
                fSensorSign = kind == Token::Number ? JsonRules::NumberText(t) : Intern(t, fSignCache);
            else if (fKey == KVal)
                fSensorVal = kind == Token::Number ? JsonRules::NumberText(t) : Intern(t, fValCache);
            return true;
        }
        if (fState == RootObject && fKey == KPoints && kind != Token::Null)
            return Fail(QStringLiteral("member \"%1\" is not an array").arg(QString::fromUtf8(fOpName)));
        return true;
    }

    void ClearList(KeyId key)
    {
        TTrackPointInfo &p = *fPoint;
        if (key == KSensors) {
            p.sensors.clear();
            p.HasEvent = false;
        } else if (key == KEvents) {
            p.events.clear();
        } else if (key == KZones) {
            p.zones.clear();
        }
    }

    // Sensor signs and values repeat from point to point; equal texts share
    // one string buffer, which keeps big tracks small.
    static QString Intern(std::string_view t, QString &last)
    {
        if (last.size() == qsizetype(t.size())) {
            bool same = true;
            for (size_t i = 0; i < t.size() && same; ++i)
                same = last.at(qsizetype(i)).unicode() == uchar(t[i]);
            if (same)
                return last;
        }
        last = QString::fromUtf8(t.data(), qsizetype(t.size()));
        return last;
    }

    void BeginPoint()
    {
        if (!fPoint)
            fPoint = std::make_unique<TTrackPointInfo>();
        TTrackPointInfo &p = *fPoint;
        // What an absent member reads as (ParseTrackPoint into a new point).
        p.uid = 0;
        for (const auto &m : RecordMembers::PointMembers())
            RecordMembers::Reset(m, p);
        p.HasEvent = false;
        p.sensors.clear();
        p.events.clear();
        p.zones.clear();
    }

    bool EndPoint()
    {
        if (fPoint->uid == 0)
            return true; // not a point: its object is reused for the next one
        fOut.push_back(std::move(fPoint));
        if (fReleasable && ++fSinceRelease >= 8192) {
            fSinceRelease = 0;
            ReleaseRead();
        }
        return true;
    }

    // The answer's text behind the reader is read for good once a point
    // ends: its pages go back to the system as the reading goes, so that
    // the text and the points it becomes are never held whole together.
    void ReleaseRead()
    {
#ifdef Q_OS_LINUX
        static const size_t page = size_t(sysconf(_SC_PAGESIZE));
        const uintptr_t from = (reinterpret_cast<uintptr_t>(fReleasable) + fReleased + page - 1) / page * page;
        const size_t pos = fStream.Tell();
        if (pos < page)
            return;
        const uintptr_t to = (reinterpret_cast<uintptr_t>(fReleasable) + pos - page) / page * page;
        if (to > from && madvise(reinterpret_cast<void *>(from), to - from, MADV_DONTNEED) == 0)
            fReleased = size_t(to - reinterpret_cast<uintptr_t>(fReleasable));
#endif
    }

public:
    char *fReleasable = nullptr; // the answer, when its pages may be returned while reading

private:
    size_t fReleased = 0;
    uint32_t fSinceRelease = 0;

    void EndSensor()
    {
        TTrackPointInfo &p = *fPoint;
        TTrackPointSensorInfo *s = nullptr;
        for (const auto &x : p.sensors)
            if (x->uid == fSensorUid) {
                s = x.get();
                break;
            }
        if (!s) {
            p.sensors.push_back(std::make_unique<TTrackPointSensorInfo>());
            s = p.sensors.back().get();
            s->uid = fSensorUid;
        }
        s->sign = fSensorSign;
        s->val = fSensorVal;
        if (s->sign == QLatin1String("event"))
            p.HasEvent = true;
    }

    bool EndCut()
    {
        // The iterative parser reports "}" before taking it.
        const size_t end = fStream.Tell() + (fBase[fStream.Tell()] == '}' ? 1 : 0);
        QJsonValue v;
        QString error;
        JsonRules::ParseJson(fBase + fCutStart, end - fCutStart, v, error);
        const QJsonObject o = v.toObject();
        try {
            if (fCutKind == Events) {
                if (auto e = fCli.ParseEvent(&o))
                    fPoint->events.push_back(std::move(e));
            } else if (auto z = fCli.ParseZone(&o)) {
                fPoint->zones.push_back(std::move(z));
            }
        } catch (const std::exception &e) {
            return Fail(QString::fromUtf8(e.what()));
        }
        return true;
    }

    const TVelmoraClient &fCli;
    const QByteArray fOpName;
    const rapidjson::StringStream &fStream;
    const char *fBase;
    TTrackPointList &fOut;
    const double fZone = fCli.TimeZone();

    State fState = Root;
    std::vector<State> fStack;
    KeyId fKey = KOther;
    int fMember = -1;
    std::unique_ptr<TTrackPointInfo> fPoint;
    int32_t fSensorUid = 0;
    QString fSensorSign, fSensorVal, fSignCache, fValCache;
    size_t fCutStart = 0;
    int fCutDepth = 0;
    State fCutKind = Events;
};

} // namespace

namespace {

// Reads a track answer ending in a zero byte; Releasable, when set, is the
// same text, which the reader may drop behind itself.
int ReadTrackAnswer(const TVelmoraClient &Cli, const char *Text, char *Releasable, const QString &OpName,
                    TTrackPointList &Points, QString &Error)
{
    Error.clear();
    rapidjson::StringStream ss(Text);
    TTrackPointList out;
    TTrackAnswerReader reader(Cli, OpName, ss, Text, out);
    reader.fReleasable = Releasable;
    rapidjson::Reader r;
    // Iterative: however deep the answer nests, the parser keeps its own
    // stack on the heap, and the reader refuses it past MaxDepth.
    const rapidjson::ParseResult ok =
        r.Parse<rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseStopWhenDoneFlag | rapidjson::kParseIterativeFlag>(ss, reader);
    if (!ok) {
        Error = !reader.fError.isEmpty()
            ? reader.fError
            : QStringLiteral("malformed answer: %1 at %2")
                  .arg(QString::fromUtf8(rapidjson::GetParseError_En(ok.Code())))
                  .arg(ok.Offset());
        return -1;
    }
    Points = std::move(out);
    return int(Points.size());
}

} // namespace

int TVelmoraClient::ParseTrackAnswer(const QByteArray &Answer, const QString &OpName, TTrackPointList &Points,
                                     QString &Error) const
{
    return ReadTrackAnswer(*this, Answer.constData(), nullptr, OpName, Points, Error);
}

int TVelmoraClient::ParseTrackAnswer(QByteArray &&Answer, const QString &OpName, TTrackPointList &Points,
                                     QString &Error) const
{
    QByteArray text = std::move(Answer);
    // Only a text nobody else holds may lose its pages while being read.
    char *releasable = text.isDetached() ? text.data() : nullptr;
    return ReadTrackAnswer(*this, text.constData(), releasable, OpName, Points, Error);
}

TTrackPointInfo &TVelmoraClient::ParseTrackPoint(const QJsonObject *Json, TTrackPointInfo &Point) const
{
    RecordMembers::ReadAll(RecordMembers::PointMembers(), Point, *this, Json);

    if (const auto sensors = JsonArray(Json, QStringLiteral("sensors"))) {
        for (const QJsonValue &v : *sensors) {
            if (!v.isObject())
                continue;
            const QJsonObject so = v.toObject();
            const auto u = int32_t(JsonInt(&so, QStringLiteral("uid"), 0));
            TTrackPointSensorInfo *s = nullptr;
            for (const auto &x : Point.sensors)
                if (x->uid == u) {
                    s = x.get();
                    break;
                }
            if (!s) {
                Point.sensors.push_back(std::make_unique<TTrackPointSensorInfo>());
                s = Point.sensors.back().get();
                s->uid = u;
            }
            s->sign = JsonStr(&so, QStringLiteral("sign"));
            s->val = JsonStr(&so, QStringLiteral("val"));
            if (s->sign == QLatin1String("event"))
                Point.HasEvent = true;
        }
    }
    if (const auto events = JsonArray(Json, QStringLiteral("events"))) {
        for (const QJsonValue &v : *events) {
            const QJsonObject eo = v.toObject();
            if (auto e = ParseEvent(&eo))
                Point.events.push_back(std::move(e));
        }
    }
    if (const auto zones = JsonArray(Json, QStringLiteral("zones"))) {
        for (const QJsonValue &v : *zones) {
            const QJsonObject zo = v.toObject();
            if (auto z = ParseZone(&zo))
                Point.zones.push_back(std::move(z));
        }
    }
    return Point;
}

std::unique_ptr<TTrackPointInfo> TVelmoraClient::ParseTrackPoint(const QJsonObject *Json) const
{
    auto p = std::make_unique<TTrackPointInfo>(int32_t(JsonInt(Json, QStringLiteral("uid"), 0)), 0);
    ParseTrackPoint(Json, *p);
    return p;
}

QString TVelmoraClient::PeriodQuery(TDateTime Dt1, TDateTime Dt2, int Mode, int tMode) const
{
    QString q = QStringLiteral("from=") + DateTimeToIso(Dt1, TimeZone()) + QStringLiteral("&to=")
        + DateTimeToIso(Dt2, TimeZone());
    if (Mode > 0)
        q += QStringLiteral("&mode=") + QString::number(Mode);
    if (tMode > 0)
        q += QStringLiteral("&tmode=") + QString::number(tMode);
    return q;
}

TTrackPointList TVelmoraClient::TakeTrackList()
{
    return std::exchange(fTrackList, {});
}

int TVelmoraClient::GetTrack(int32_t ObjUid, TDateTime Dt1, TDateTime Dt2, int Mode, int tMode)
{
    const QString op = QStringLiteral("Track");
    try {
        // The streaming reader below reads the answer; a document of it would
        // cost more time and memory than the points themselves.
        const QString path = QStringLiteral("/object/%1/track").arg(ObjUid);
        const QString query = PeriodQuery(Dt1, Dt2, Mode, tMode);
        const int code = Request(QStringLiteral("GET"), op, path, query, QString(), true);
        if (code != 200)
            return -1;
        // A cut answer, or one too large (none of it kept), is no empty track.
        if (!fAnswerError.isEmpty())
            return -1; // the envelope has logged why
        TTrackPointList points;
        if (fApiClient->RcvdCount() > 0 && fApiClient->RcvdContentType().contains(QLatin1String("json"))) {
            // The received stream ends in zero bytes, as the reader needs. The
            // answer is taken from the HTTP client and freed once read: at a
            // million points it is as large as the points themselves.
            QString error;
            if (ParseTrackAnswer(fApiClient->TakeRcvdStream(), op, points, error) < 0) {
                LogText(QStringLiteral("\r  X: ") + error);
                return -1;
            }
        }
        fTrackList = std::move(points);
        fTrackListUpdated = AccountNow();
        return int(fTrackList.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}
