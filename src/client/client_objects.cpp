// Objects and their sensors: the incremental object list and the object operations.

#include "client.h"

#include "AnswerRecord.h"

#include <QHash>

#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.SensorInfo.h"
#include "OSM.TrackPointInfo.h"
#include "Bearing.h"

#include "JsonRules.h"
#include "RecordMembers.h"
#include "ZtHttp.h"

#include <QJsonArray>

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <string_view>

namespace {

using JsonRules::Token;

// Builds a value from the parser's events as the document reader builds it.
// The objects reader hands the rare nested records (alarms, a position's
// events and zones) to their own document readers through it.
class TValueCapture
{
public:
    void Open(bool isObject) { fFrames.push_back(Frame{isObject, {}, {}, {}}); }
    void Key(std::string_view k) { fFrames.back().key = QString::fromUtf8(k.data(), qsizetype(k.size())); }
    void Add(const QJsonValue &v)
    {
        Frame &f = fFrames.back();
        if (f.isObject)
            f.object.insert(f.key, v); // a repeated member: the last one counts
        else
            f.array.append(v);
    }
    // Closes the innermost value; true, with it, when that was the outermost.
    bool Close(QJsonValue &whole)
    {
        Frame f = std::move(fFrames.back());
        fFrames.pop_back();
        const QJsonValue v = f.isObject ? QJsonValue(f.object) : QJsonValue(f.array);
        if (fFrames.empty()) {
            whole = v;
            return true;
        }
        Add(v);
        return false;
    }

private:
    struct Frame
    {
        bool isObject = false;
        QJsonObject object;
        QJsonArray array;
        QString key;
    };
    std::vector<Frame> fFrames;
};

// Reads the objects answer ({"dt": ..., "objects": [...]}) straight from the
// received bytes: ten thousand objects make ten megabytes of answer, and a
// document of them costs many times the time of the records. Every member
// reads as ParseObject reads it from a document into a new object: a
// repeated member's last value counts, a null, an object or an array where
// a scalar belongs gives the member's default, an element of the list that
// is no object is skipped (and counted), and a list member of an object
// (sensors, alarms, events, zones) that is neither an array nor null fails
// the whole answer, named as the document reader names it.
class TObjectsAnswerReader : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, TObjectsAnswerReader>
{
public:
    using TListAnswer = TVelmoraClient::TListAnswer;

    TObjectsAnswerReader(const TVelmoraClient &cli, TObjectList &out)
        : fCli(cli), fZone(cli.TimeZone()), fOut(out)
    {
    }

    QString fError;    // the nesting refused
    QString fListError; // a list member of an object, of another type
    TListAnswer fFound = TListAnswer::None;
    double fDt = NoDateTime;
    int fSkipped = 0; // elements of the list that are no objects

    // The zones of the list's objects, read when the list is known to be
    // the answer's: ParseZone names every invalid zone in the log, and
    // the zones of a list that a later one replaces are never read.
    void ReadZones()
    {
        for (const auto &[point, zones] : fPendingZones)
            for (const QJsonObject &zo : zones)
                if (auto z = fCli.ParseZone(&zo); z && point)
                    point->zones.push_back(std::move(z));
    }

    bool StartObject() { return Start(true); }
    bool StartArray() { return Start(false); }
    bool EndObject(rapidjson::SizeType) { return End(); }
    bool EndArray(rapidjson::SizeType) { return End(); }
    bool Key(const char *s, rapidjson::SizeType n, bool)
    {
        const std::string_view k(s, n);
        switch (fState) {
        case RootObject:
            fKey = k == "objects" ? KList : k == "dt" ? KDt : KOther;
            break;
        case Object:
            fKey = ObjectKey(k);
            break;
        case Sensor:
            fKey = SensorKey(k);
            break;
        case Capture:
            fCapture.Key(k);
            break;
        default:
            break;
        }
        return true;
    }
    bool String(const char *s, rapidjson::SizeType n, bool) { return Scalar(std::string_view(s, n), Token::String); }
    bool RawNumber(const char *s, rapidjson::SizeType n, bool) { return Scalar(std::string_view(s, n), Token::Number); }
    bool Bool(bool b) { return Scalar(b ? "true" : "false", Token::Bool); }
    bool Null() { return Scalar({}, Token::Null); }
    bool Default() { return Scalar({}, Token::Null); }

private:
    // SensorList: an object's "sensors"; Items: its "alarms", "events" or
    // "zones"; Capture: inside one of those items.
    enum State { Root, RootObject, List, Object, SensorList, Sensor, Items, Capture, Skip };
    enum KeyId {
        KOther, KList, KDt,
        // a row of ObjectMembers or, for its last position, of PointMembers (fMember)
        KObjectMember, KPointMember,
        // its lists, in the order the document reader reads them
        KSensors, KEvents, KZones, KAlarms,
        // a sensor's
        KSUid, KSName, KSSign, KSUnit, KSVal, KSObjDt, KSSysDt
    };
    static constexpr int ListCount = 4;

    // Called for every member of every object.
    KeyId ObjectKey(std::string_view k)
    {
        static const RecordMembers::TIndex objectIndex(RecordMembers::ObjectMembers());
        static const RecordMembers::TIndex pointIndex(RecordMembers::PointMembers());
        if ((fMember = objectIndex.Find(k)) >= 0)
            return KObjectMember;
        if ((fMember = pointIndex.Find(k)) >= 0)
            return KPointMember;
        return k == "sensors" ? KSensors : k == "events" ? KEvents : k == "zones" ? KZones : k == "alarms" ? KAlarms : KOther;
    }

    static KeyId SensorKey(std::string_view k)
    {
        switch (k.size()) {
        case 3: return k == "uid" ? KSUid : k == "val" ? KSVal : KOther;
        case 4: return k == "name" ? KSName : k == "sign" ? KSSign : k == "unit" ? KSUnit : KOther;
        case 6: return k == "obj_dt" ? KSObjDt : k == "sys_dt" ? KSSysDt : KOther;
        }
        return KOther;
    }

    static bool IsList(KeyId k) { return k >= KSensors && k <= KAlarms; }

    void Push(State s)
    {
        fStack.push_back(fState);
        fState = s;
    }

    bool Start(bool isObject)
    {
        // The depth the document reader refuses.
        if (int(fStack.size()) >= JsonRules::MaxJsonDepth) {
            fError = QStringLiteral("JSON nested too deeply");
            return false;
        }
        switch (fState) {
        case Root:
            // A bare array holds no member "objects".
            Push(isObject ? RootObject : Skip);
            return true;
        case RootObject:
            if (fKey == KList && !isObject) {
                BeginList(); // a repeated member: the last one counts
                Push(List);
                return true;
            }
            if (fKey == KList)
                SetNotList();
            else if (fKey == KDt)
                fDt = NoDateTime;
            Push(Skip);
            return true;
        case List:
            if (isObject) {
                BeginObject();
                Push(Object);
            } else {
                ++fSkipped; // no object: no record
                Push(Skip);
            }
            return true;
        case Object:
            if (IsList(fKey)) {
                BeginListMember(isObject);
                Push(isObject ? Skip : fKey == KSensors ? SensorList : Items);
                if (!isObject)
                    fItems = fKey;
            } else {
                AssignObject({}, Token::Null); // a scalar member given as object or array reads empty
                Push(Skip);
            }
            return true;
        case SensorList:
            fSensor = TSensorInfo();
            if (isObject) {
                Push(Sensor);
            } else {
                FinishSensor(false);
                Push(Skip);
            }
            return true;
        case Sensor:
            AssignSensor({}, Token::Null);
            Push(Skip);
            return true;
        case Items:
            if (isObject) {
                fCapture.Open(true);
                Push(Capture);
            } else {
                FinishItem(QJsonObject());
                Push(Skip);
            }
            return true;
        case Capture:
            fCapture.Open(isObject);
            Push(Capture);
            return true;
        case Skip:
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
        if (closing == Object) {
            FinishObject();
        } else if (closing == Sensor) {
            FinishSensor(true);
        } else if (closing == Capture) {
            QJsonValue whole;
            if (fCapture.Close(whole))
                FinishItem(whole.toObject());
        }
        return true;
    }

    bool Scalar(std::string_view t, Token kind)
    {
        switch (fState) {
        case RootObject:
            if (fKey == KList) {
                if (kind == Token::Null) {
                    ClearList();
                    fFound = TListAnswer::None;
                } else {
                    SetNotList();
                }
            } else if (fKey == KDt) {
                fDt = JsonRules::TokenToDate(t, kind, fZone);
            }
            break;
        case List:
            ++fSkipped; // no object: no record
            break;
        case Object:
            AssignObject(t, kind);
            break;
        case SensorList:
            fSensor = TSensorInfo();
            FinishSensor(false);
            break;
        case Sensor:
            AssignSensor(t, kind);
            break;
        case Items:
            FinishItem(QJsonObject());
            break;
        case Capture:
            switch (kind) {
            case Token::String: fCapture.Add(QString::fromUtf8(t.data(), qsizetype(t.size()))); break;
            case Token::Number: fCapture.Add(JsonRules::NumberValue(t)); break;
            case Token::Bool: fCapture.Add(t == "true"); break;
            case Token::Null: fCapture.Add(QJsonValue(QJsonValue::Null)); break;
            }
            break;
        default:
            break;
        }
        return true;
    }

    void BeginList()
    {
        ClearList();
        fFound = TListAnswer::List;
    }

    void SetNotList()
    {
        ClearList();
        fFound = TListAnswer::NotArray;
    }

    void ClearList()
    {
        fOut.clear();
        fListError.clear();
        fPendingZones.clear();
        fSkipped = 0;
    }

    void BeginObject()
    {
        fObj = std::make_unique<TObjectInfo>();
        // What an absent member reads as (ParseObject into a new object).
        for (const auto &m : RecordMembers::ObjectMembers())
            RecordMembers::Reset(m, *fObj);
        for (const auto &m : RecordMembers::PointMembers())
            RecordMembers::Reset(m, *fObj->last_point);
        for (bool &b : fBadList)
            b = false;
        fZones.clear();
    }

    // A list member of the object, again or for the first time: only the
    // last one counts, and only an array or null is a list.
    void BeginListMember(bool notList)
    {
        TObjectInfo &o = *fObj;
        switch (fKey) {
        case KSensors:
            o.sensors.clear();
            o.last_point->sensors.clear();
            o.last_point->HasEvent = false;
            break;
        case KEvents: o.last_point->events.clear(); break;
        case KZones: fZones.clear(); break;
        case KAlarms: o.alarms.clear(); break;
        default: break;
        }
        fBadList[fKey - KSensors] = notList;
    }

    void FinishObject()
    {
        std::unique_ptr<TObjectInfo> o = std::move(fObj);
        // The document reader stops at the first object it cannot read.
        if (!fListError.isEmpty())
            return;
        static const char *const names[ListCount] = {"sensors", "events", "zones", "alarms"};
        const auto fail = [&](int i) {
            fListError = QStringLiteral("member \"%1\" is not an array").arg(QLatin1String(names[i]));
        };
        // Its position's lists first, the zones read before the alarms.
        for (int i = 0; i < 3; ++i)
            if (fBadList[i])
                return fail(i);
        const bool alarmsBad = fBadList[KAlarms - KSensors];
        if (!fZones.empty())
            fPendingZones.emplace_back(alarmsBad ? nullptr : o->last_point.get(), std::move(fZones));
        fZones.clear();
        if (alarmsBad)
            return fail(KAlarms - KSensors);
        for (const auto &e : o->alarms)
            e->obj_id = o->uid;
        fOut.push_back(std::move(o));
    }

    // A sensor's element ends: it updates the object's sensor of its uid
    // (the last one with it) and, when it was an object, the position's.
    void FinishSensor(bool wasObject)
    {
        TObjectInfo &o = *fObj;
        TSensorInfo *si = nullptr;
        for (const auto &s : o.sensors)
            if (s->uid == fSensor.uid)
                si = s.get();
        if (!si) {
            o.sensors.push_back(std::make_unique<TSensorInfo>(fSensor.uid));
            si = o.sensors.back().get();
        }
        *si = fSensor;
        if (!wasObject)
            return;
        TTrackPointInfo &p = *o.last_point;
        TTrackPointSensorInfo *ps = nullptr;
        for (const auto &x : p.sensors)
            if (x->uid == fSensor.uid) {
                ps = x.get();
                break;
            }
        if (!ps) {
            p.sensors.push_back(std::make_unique<TTrackPointSensorInfo>());
            ps = p.sensors.back().get();
            ps->uid = fSensor.uid;
        }
        ps->sign = fSensor.sign;
        ps->val = fSensor.val;
        if (ps->sign == QLatin1String("event"))
            p.HasEvent = true;
    }

    void FinishItem(const QJsonObject &item)
    {
        switch (fItems) {
        case KEvents:
            if (auto e = fCli.ParseEvent(&item))
                fObj->last_point->events.push_back(std::move(e));
            break;
        case KAlarms:
            if (auto e = fCli.ParseEvent(&item))
                fObj->alarms.push_back(std::move(e));
            break;
        default:
            fZones.push_back(item);
            break;
        }
    }

    void AssignObject(std::string_view t, Token kind)
    {
        switch (fKey) {
        case KObjectMember: RecordMembers::Assign(RecordMembers::ObjectMembers()[size_t(fMember)], *fObj, t, kind, fZone); break;
        case KPointMember:
            RecordMembers::Assign(RecordMembers::PointMembers()[size_t(fMember)], *fObj->last_point, t, kind, fZone);
            break;
        case KSensors:
        case KEvents:
        case KZones:
        case KAlarms:
            BeginListMember(kind != Token::Null);
            break;
        default:
            break;
        }
    }

    void AssignSensor(std::string_view t, Token kind)
    {
        TSensorInfo &s = fSensor;
        switch (fKey) {
        case KSUid: s.uid = int32_t(JsonRules::TokenToInt(t, kind, 0)); break;
        case KSName: s.name = JsonRules::TokenToText(t, kind); break;
        case KSSign: s.sign = JsonRules::TokenToText(t, kind); break;
        case KSUnit: s.unit = JsonRules::TokenToText(t, kind); break;
        case KSVal: s.val = JsonRules::TokenToText(t, kind); break;
        case KSObjDt: s.obj_dt = JsonRules::TokenToDate(t, kind, fZone); break;
        case KSSysDt: s.sys_dt = JsonRules::TokenToDate(t, kind, fZone); break;
        default: break;
        }
    }

    const TVelmoraClient &fCli;
    const double fZone;
    TObjectList &fOut;
    State fState = Root;
    std::vector<State> fStack;
    KeyId fKey = KOther;
    int fMember = -1;
    KeyId fItems = KOther;
    std::unique_ptr<TObjectInfo> fObj;
    bool fBadList[ListCount] = {};
    std::vector<QJsonObject> fZones; // of the object being read
    // Per object, its position (none for an object that fails the list) and zones.
    std::vector<std::pair<TTrackPointInfo *, std::vector<QJsonObject>>> fPendingZones;
    TSensorInfo fSensor;
    TValueCapture fCapture;
};

} // namespace

TObjectInfo *TVelmoraClient::ParseObject(const QJsonObject *json, TObjectInfo *oi)
{
    std::unique_ptr<TObjectInfo> created;
    if (!oi) {
        created = std::make_unique<TObjectInfo>();
        oi = created.get();
    }
    RecordMembers::ReadAll(RecordMembers::ObjectMembers(), *oi, *this, json);

    // The object's answer carries its last position in its own members.
    ParseTrackPoint(json, *oi->last_point);

    if (const auto sensors = JsonArray(json, QStringLiteral("sensors"))) {
        for (const QJsonValue &v : *sensors) {
            QJsonObject holder;
            const QJsonObject *js = AsObject(v, holder);
            const int32_t suid = int32_t(JsonInt(js, QStringLiteral("uid")));
            TSensorInfo *si = nullptr;
            for (const auto &s : oi->sensors) // the last one with that uid wins
                if (s->uid == suid)
                    si = s.get();
            if (!si) {
                oi->sensors.push_back(std::make_unique<TSensorInfo>(suid));
                si = oi->sensors.back().get();
            }
            si->name = JsonStr(js, QStringLiteral("name"));
            si->sign = JsonStr(js, QStringLiteral("sign"));
            si->unit = JsonStr(js, QStringLiteral("unit"));
            si->obj_dt = JsonDate(js, QStringLiteral("obj_dt"));
            si->sys_dt = JsonDate(js, QStringLiteral("sys_dt"));
            si->val = JsonStr(js, QStringLiteral("val"));
        }
    }

    oi->alarms.clear();
    if (const auto alarms = JsonArray(json, QStringLiteral("alarms"))) {
        for (const QJsonValue &v : *alarms) {
            QJsonObject holder;
            if (auto ei = ParseEvent(AsObject(v, holder))) {
                ei->obj_id = oi->uid;
                oi->alarms.push_back(std::move(ei));
            }
        }
    }
    created.release(); // handed to the caller
    return oi;
}

TVelmoraClient::TListAnswer TVelmoraClient::ParseObjectsAnswer(QByteArray Answer, TObjectList &Objects, double &Dt,
                                                               QString &Error) const
{
    Error.clear();
    TObjectList out;
    TObjectsAnswerReader reader(*this, out);
    // Strings are decoded in place, in the answer's own bytes, which end in
    // a zero byte as every QByteArray does. A zero byte ends the text for
    // the document reader too.
    rapidjson::InsituStringStream ss(Answer.data());
    rapidjson::Reader r;
    // The flags of the document reader: the same texts are refused, and
    // numbers arrive as their literals. Iterative: however deep the answer
    // nests, the parser's stack is on the heap.
    const rapidjson::ParseResult ok =
        r.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag>(ss, reader);
    if (!ok) {
        Error = !reader.fError.isEmpty() ? reader.fError
                                         : QStringLiteral("%1 at %2")
                                               .arg(QString::fromUtf8(rapidjson::GetParseError_En(ok.Code())))
                                               .arg(ok.Offset());
        return TListAnswer::Malformed;
    }
    if (reader.fFound == TListAnswer::List)
        reader.ReadZones();
    if (reader.fFound == TListAnswer::NotArray)
        Error = QStringLiteral("member \"objects\" is not an array");
    else if (reader.fFound == TListAnswer::List && !reader.fListError.isEmpty()) {
        Error = reader.fListError;
        return TListAnswer::NotArray;
    }
    if (reader.fFound == TListAnswer::List && reader.fSkipped > 0)
        LogText(QStringLiteral("\r  X: %1 element(s) of \"objects\" not an object: skipped").arg(reader.fSkipped));
    Dt = reader.fDt;
    Objects = std::move(out);
    return reader.fFound;
}

int TVelmoraClient::GetObjects()
{
    const QString op = QStringLiteral("Objects");
    try {
        QString data;
        if (!fObjList.empty() && (fObjListUpdated > 0 || std::isnan(fObjListUpdated)))
            data = QStringLiteral("dt=") + DateTimeToIso(fObjListUpdated, TimeZone());
        if (Request(QStringLiteral("GET"), op, QStringLiteral("/user/objects"), data, QString(), true) != 200) {
            ReadAnswerDocument(op);
            return -1;
        }
        // A cut answer must not pass for an empty update: the time stamp
        // would move and the next update would skip the changes.
        if (!fAnswerError.isEmpty())
            return -1; // the envelope has logged why
        if (fApiClient->RcvdCount() <= 0 || !fApiClient->RcvdContentType().contains(QLatin1String("json"))) {
            LogText(QStringLiteral("\r  X: no data"));
            return -1;
        }

        // Read the whole answer first: a malformed element fails the operation
        // without leaving the list half merged. The answer is taken from the
        // HTTP client, and freed once read.
        std::vector<std::unique_ptr<TObjectInfo>> received;
        double dt = NoDateTime;
        QString error;
        switch (ParseObjectsAnswer(fApiClient->TakeRcvdStream(), received, dt, error)) {
        case TListAnswer::Malformed:
            // Named here, once, as for any other answer that does not parse.
            fAnswerError = QStringLiteral("malformed JSON answer (%1)").arg(error);
            LogText(QStringLiteral("\r  X: ") + fAnswerError);
            return -1;
        case TListAnswer::NotArray:
            LogText(QStringLiteral("\r  X: ") + error);
            return -1;
        case TListAnswer::List:
        case TListAnswer::None:
            break;
        }
        // Held times are local times of the account's zone, whatever the
        // computer's zone is.
        const TDateTime now = NowInZone(TimeZone());
        fObjListUpdated = std::isnan(dt) ? now : dt;

        // The known objects by uid: an update of a thousand objects into a
        // list of ten thousand must not search the list for each.
        QMultiHash<int32_t, TObjectInfo *> byUid;
        if (!received.empty()) {
            byUid.reserve(qsizetype(fObjList.size()));
            for (const auto &o : fObjList)
                byUid.insert(o->uid, o.get());
        }
        for (auto &oi : received) {
            TObjectInfo *known = nullptr;
            // The first in list order, as a search from the front finds it.
            for (auto it = byUid.constFind(oi->uid); it != byUid.cend() && it.key() == oi->uid; ++it)
                if (it.value()->id == oi->id)
                    known = it.value();
            if (known)
                known->Assign(*oi, now);
            else {
                byUid.insert(oi->uid, oi.get());
                fObjList.push_back(std::move(oi));
            }
        }
        return int(received.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::GetObject(TObjectInfo *oi)
{
    if (!oi)
        return false;
    try {
        if (DoGet(QStringLiteral("GetObject"), QStringLiteral("/object/") + QString::number(oi->uid)) != 200)
            return false;
        const QJsonObject *json = AnswerRecord(*this);
        if (!json)
            return false;
        if (JsonInt(json, QStringLiteral("uid")) != oi->uid) {
            LogText(QStringLiteral("\r  X: the answer is another object's"));
            return false;
        }
        // Read into a scratch object first: a member of the wrong type
        // throws, and must not leave the held object half rewritten.
        std::unique_ptr<TObjectInfo>(ParseObject(json, nullptr)).reset();
        ParseObject(json, oi);
        return true;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

int TVelmoraClient::CreateObject(const TFieldMap &fields)
{
    if (!fields.contains(QStringLiteral("id"))) {
        LogText(QStringLiteral("\rVelmoraClient.CreateObject: no id"));
        return -1;
    }
    try {
        if (DoPost(QStringLiteral("CreateObject"), QStringLiteral("/object"), FieldsToData(fields)) != 200)
            return -1;
        const QJsonObject *json = AnswerRecord(*this);
        if (!json)
            return -1;
        const int64_t uid = JsonInt(json, QStringLiteral("uid"));
        // Parsed whole before it joins the list: a broken member adds nothing.
        std::unique_ptr<TObjectInfo> created(ParseObject(json, nullptr));
        fObjList.push_back(std::move(created));
        return int(uid);
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::UpdateObject(int32_t uid, const TFieldMap &fields)
{
    if (fields.isEmpty()) {
        LogText(QStringLiteral("\rVelmoraClient.UpdateObject: no data for update"));
        return false;
    }
    return DoPut(QStringLiteral("UpdateObject"), QStringLiteral("/object/") + QString::number(uid), FieldsToData(fields)) == 200;
}

bool TVelmoraClient::DeleteObject(TObjectInfo *oi)
{
    if (!oi)
        return false;
    const QString path = QStringLiteral("/object/") + QString::number(oi->uid);
    if (!oi->is_deleted) {
        // First step: into the trash.
        if (DoPut(QStringLiteral("DeleteObject"), path, QStringLiteral("is_deleted=1")) != 200)
            return false;
        oi->is_deleted = true;
        return true;
    }
    if (DoDel(QStringLiteral("DeleteObject"), path) != 204)
        return false;
    for (auto it = fObjList.begin(); it != fObjList.end(); ++it)
        if (it->get() == oi) {
            fObjList.erase(it);
            break;
        }
    return true;
}

TObjectInfo *TVelmoraClient::FindObject(int32_t uid) const
{
    if (uid <= 0)
        return nullptr;
    for (const auto &o : fObjList)
        if (o->uid == uid)
            return o.get();
    return nullptr;
}
