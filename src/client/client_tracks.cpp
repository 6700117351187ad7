// Track points and track requests: the point reader shared by objects, zone
// histories and trips, and GetTrack with its streaming reader of the answer.

#include "client.h"

#include "ZtHttp.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <QJsonDocument>

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// The request engine's reader rules, applied to the raw text of a JSON token
// (a string's content, a number's literal, "true" or "false").

int64_t tokenInt(std::string_view t, int64_t def)
{
    if (t.empty())
        return def;
    int64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return def;
        if (v > (std::numeric_limits<int64_t>::max() - (c - '0')) / 10)
            return def;
        v = v * 10 + (c - '0');
    }
    return v;
}

double tokenFloat(std::string_view t)
{
    if (t.empty())
        return NaN;
    char buf[64];
    size_t n = 0;
    size_t b = 0, e = t.size();
    while (b < e && uchar(t[b]) <= ' ')
        ++b;
    while (e > b && uchar(t[e - 1]) <= ' ')
        --e;
    if (e - b >= sizeof buf) {
        // Rare: many digits. Read like the document reader does, not as 0.
        QByteArray longer(t.data() + b, qsizetype(e - b));
        longer.replace(',', '.');
        bool ok = false;
        const double v = longer.toDouble(&ok);
        return ok ? v : 0;
    }
    for (size_t i = b; i < e; ++i)
        buf[n++] = t[i] == ',' ? '.' : t[i];
    double v = 0;
    const auto r = std::from_chars(buf, buf + n, v);
    if (r.ec != std::errc() || r.ptr != buf + n)
        return 0;
    return v;
}

// "yyyy-mm-ddThh:nn:ss" with an optional "Z", the service's usual form, read
// without the general reader's regular expressions; same result.
bool fastIsoDate(std::string_view t, double &out)
{
    if (t.size() != 19 && !(t.size() == 20 && t[19] == 'Z'))
        return false;
    auto d2 = [&](size_t i, int &v) {
        if (t[i] < '0' || t[i] > '9' || t[i + 1] < '0' || t[i + 1] > '9')
            return false;
        v = (t[i] - '0') * 10 + (t[i + 1] - '0');
        return true;
    };
    int y1, y2, mo, d, h, mi, s;
    if (!d2(0, y1) || !d2(2, y2) || t[4] != '-' || !d2(5, mo) || t[7] != '-' || !d2(8, d)
        || (t[10] != 'T' && t[10] != ' ') || !d2(11, h) || t[13] != ':' || !d2(14, mi)
        || t[16] != ':' || !d2(17, s))
        return false;
    const int y = y1 * 100 + y2;
    if (y < 1000)
        return false; // the general reader adds 1900 to such years
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(y, mo, d, date))
        date = 0;
    if (!TryEncodeTime(h, mi, s, 0, time))
        time = 0;
    out = date + time;
    return true;
}

double tokenDate(std::string_view t, double zone)
{
    if (t.empty())
        return NaN;
    double v;
    if (!fastIsoDate(t, v))
        v = ParseDateTime(QString::fromUtf8(t.data(), qsizetype(t.size())));
    return v + zone;
}

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
    bool String(const char *s, rapidjson::SizeType n, bool) { return Scalar(std::string_view(s, n)); }
    bool RawNumber(const char *s, rapidjson::SizeType n, bool) { return Scalar(std::string_view(s, n)); }
    bool Bool(bool b) { return Scalar(b ? "true" : "false"); }
    bool Null() { return Scalar({}, true); }
    bool Default() { return Scalar({}); }

private:
    static constexpr size_t MaxDepth = 256;
    enum State { Root, RootObject, Points, Point, Sensors, Sensor, Events, Zones, Skip };
    enum KeyId {
        KOther, KPoints, KUid, KObjId, KOsmId, KSysDt, KObjDt, KGpsDt, KLat, KLon, KAlt, KAcc,
        KSpeed, KAngle, KBat, KSrc, KSensors, KEvents, KZones, KSign, KVal
    };

    // Called for every member of every point: picks the candidate by the
    // key's length and first letter, so that one comparison decides.
    static KeyId PointKey(std::string_view k)
    {
        const auto is = [k](std::string_view name, KeyId id) { return k == name ? id : KOther; };
        switch (k.size()) {
        case 3:
            switch (k[0]) {
            case 'u': return is("uid", KUid);
            case 'l': return k == "lat" ? KLat : is("lon", KLon);
            case 'a': return k == "alt" ? KAlt : is("acc", KAcc);
            case 'b': return is("bat", KBat);
            }
            return KOther;
        case 5:
            switch (k[0]) {
            case 's': return is("speed", KSpeed);
            case 'a': return is("angle", KAngle);
            case 'z': return is("zones", KZones);
            }
            return KOther;
        case 6:
            switch (k[0]) {
            case 'o': return k == "obj_id" ? KObjId : k == "osm_id" ? KOsmId : is("obj_dt", KObjDt);
            case 's': return is("sys_dt", KSysDt);
            case 'g': return is("gps_dt", KGpsDt);
            case 'e': return is("events", KEvents);
            }
            return KOther;
        case 7:
            return k[0] == 'c' ? is("crd_src", KSrc) : k[0] == 's' ? is("sensors", KSensors) : KOther;
        }
        return KOther;
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
        // The parser recurses once a level: an answer nested a hundred
        // thousand levels deep would run it off the end of the stack.
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
                Push(fKey == KSensors ? Sensors : fKey == KEvents ? Events : Zones);
            } else {
                Push(Skip); // a text member given as object or array reads empty
            }
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
                fCutStart = fStream.Tell() - 1; // just past "{"
                fCutKind = fState;
            }
            fCutDepth = isObject ? 1 : 0;
            Push(Skip);
            return true;
        case Sensor:
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

    bool Scalar(std::string_view t, bool isNull = false)
    {
        if (fState == Point) {
            if (isNull)
                return true;
            TTrackPointInfo &p = *fPoint;
            const double tz = fZone;
            switch (fKey) {
            case KUid: p.uid = int32_t(tokenInt(t, 0)); break;
            case KObjId: p.obj_id = int32_t(tokenInt(t, 0)); break;
            case KOsmId: p.osm_id = QString::fromUtf8(t.data(), qsizetype(t.size())); break;
            case KSysDt: p.sys_dt = tokenDate(t, tz); break;
            case KObjDt: p.obj_dt = tokenDate(t, tz); break;
            case KGpsDt: p.gps_dt = tokenDate(t, tz); break;
            case KLat: p.lat = tokenFloat(t); break;
            case KLon: p.lon = tokenFloat(t); break;
            case KAlt: p.alt = tokenFloat(t); break;
            case KAcc: p.acc = tokenFloat(t); break;
            case KSpeed: p.speed = tokenFloat(t); break;
            case KAngle: p.angle = tokenFloat(t); break;
            case KBat: p.bat = int32_t(tokenInt(t, 0)); break;
            case KSrc: p.src = int32_t(tokenInt(t, -1)); break;
            case KSensors:
            case KEvents:
            case KZones:
                return Fail(QStringLiteral("member \"%1\" is not an array")
                                .arg(fKey == KSensors ? "sensors" : fKey == KEvents ? "events" : "zones"));
            default: break;
            }
            return true;
        }
        if (fState == Sensor && !isNull) {
            if (fKey == KUid)
                fSensorUid = int32_t(tokenInt(t, 0));
            else if (fKey == KSign)
                fSensorSign = Intern(t, fSignCache);
            else if (fKey == KVal)
                fSensorVal = Intern(t, fValCache);
            return true;
        }
        if (fState == RootObject && fKey == KPoints && !isNull)
            return Fail(QStringLiteral("member \"%1\" is not an array").arg(QString::fromUtf8(fOpName)));
        return true;
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
        p.obj_id = 0;
        p.osm_id.clear();
        p.sys_dt = p.obj_dt = p.gps_dt = NaN;
        p.lat = p.lon = p.alt = p.acc = p.speed = p.angle = NaN;
        p.bat = 0;
        p.src = -1;
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
        return true;
    }

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
        const size_t end = fStream.Tell();
        const QByteArray text = QByteArray::fromRawData(fBase + fCutStart, qsizetype(end - fCutStart));
        const QJsonObject o = QJsonDocument::fromJson(text).object();
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
    std::unique_ptr<TTrackPointInfo> fPoint;
    int32_t fSensorUid = 0;
    QString fSensorSign, fSensorVal, fSignCache, fValCache;
    size_t fCutStart = 0;
    int fCutDepth = 0;
    State fCutKind = Events;
};

} // namespace

int TVelmoraClient::ParseTrackAnswer(const QByteArray &Answer, const QString &OpName, TTrackPointList &Points,
                                     QString &Error) const
{
    Error.clear();
    rapidjson::StringStream ss(Answer.constData());
    TTrackPointList out;
    TTrackAnswerReader reader(*this, OpName, ss, Answer.constData(), out);
    rapidjson::Reader r;
    const rapidjson::ParseResult ok = r.Parse<rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseStopWhenDoneFlag>(ss, reader);
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

TTrackPointInfo &TVelmoraClient::ParseTrackPoint(const QJsonObject *Json, TTrackPointInfo &Point) const
{
    Point.obj_id = int32_t(JsonInt(Json, QStringLiteral("obj_id"), 0));
    Point.osm_id = JsonStr(Json, QStringLiteral("osm_id"));
    Point.sys_dt = JsonDate(Json, QStringLiteral("sys_dt"));
    Point.obj_dt = JsonDate(Json, QStringLiteral("obj_dt"));
    Point.gps_dt = JsonDate(Json, QStringLiteral("gps_dt"));
    Point.lat = JsonFloat(Json, QStringLiteral("lat"));
    Point.lon = JsonFloat(Json, QStringLiteral("lon"));
    Point.alt = JsonFloat(Json, QStringLiteral("alt"));
    Point.acc = JsonFloat(Json, QStringLiteral("acc"));
    Point.speed = JsonFloat(Json, QStringLiteral("speed"));
    Point.angle = JsonFloat(Json, QStringLiteral("angle"));
    // An absent battery reads 0 here, unlike a new point's -1.
    Point.bat = int32_t(JsonInt(Json, QStringLiteral("bat"), 0));
    Point.src = int32_t(JsonInt(Json, QStringLiteral("crd_src"), -1));

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

int TVelmoraClient::GetTrack(int32_t ObjUid, TDateTime Dt1, TDateTime Dt2, int Mode, int tMode)
{
    const QString op = QStringLiteral("Track");
    try {
        // The streaming reader below reads the answer; a document of it would
        // cost more time and memory than the points themselves.
        const QString path = QStringLiteral("/object/%1/track").arg(ObjUid);
        const QString query = PeriodQuery(Dt1, Dt2, Mode, tMode);
        fRawJsonAnswer = true; // Request catches every error, so this is always reset
        const int code = DoGet(op, path, query);
        fRawJsonAnswer = false;
        if (code != 200)
            return -1;
        TTrackPointList points;
        if (fApiClient->RcvdCount() > 0 && fApiClient->RcvdContentType().contains(QLatin1String("json"))) {
            // The received stream ends in zero bytes, as the reader needs. The
            // answer is taken from the HTTP client and freed once read: at a
            // million points it is as large as the points themselves.
            const QByteArray answer = fApiClient->TakeRcvdStream();
            QString error;
            if (ParseTrackAnswer(answer, op, points, error) < 0) {
                LogText(QStringLiteral("\r  X: ") + error);
                return -1;
            }
        }
        fTrackList = std::move(points);
        fTrackListUpdated = Now();
        return int(fTrackList.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}
