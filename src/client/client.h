#pragma once

// The program's only gateway to the monitoring service. Every service
// operation is a method of TVelmoraClient; all of them go through Request(),
// which builds the URL under /api/v1, sets the authentication and tracing
// headers, sends through the HTTPS client, records the status as the result
// code, parses a JSON answer and logs each step. Calls are synchronous and
// made from the user-interface thread only.
//
// The source is split by area: client.cpp (envelope, state, readers),
// client_account.cpp, client_objects.cpp, client_address.cpp, and one
// client_<area>.cpp for each marked block below.

#include "OSM.UserInfo.h"
#include "common.h"
#include "ZtDates.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class TZtHttpsClient;
class TAddressCache;

// The records the client reads; each has its own header (OSM.ObjectInfo.h,
// OSM.ZoneInfo.h ...), included where a record is used, not here.
class TObjectInfo;
class TTrackPointInfo;
class TZoneInfo;
class TTrapInfo;
class TEventInfo;
class TCommandInfo;
class TTripInfo;
struct TWifiData;
using TObjectList = std::vector<std::unique_ptr<TObjectInfo>>;
using TTrackPointList = std::vector<std::unique_ptr<TTrackPointInfo>>;
using TZoneList = std::vector<std::unique_ptr<TZoneInfo>>;
using TTrapList = std::vector<std::unique_ptr<TTrapInfo>>;
using TEventList = std::vector<std::unique_ptr<TEventInfo>>;
using TCommandList = std::vector<std::unique_ptr<TCommandInfo>>;
using TTripList = std::vector<std::unique_ptr<TTripInfo>>;
using TWifiList = QList<TWifiData>;

// Raised by the JSON readers for a member of the wrong type; every client
// operation catches it, logs "\r  X: " and the message, and fails.
class EJsonConversion : public std::runtime_error
{
public:
    explicit EJsonConversion(const QString &msg) : std::runtime_error(msg.toStdString()) {}
};

// Field sets for create and update operations: member name -> value, sent in
// key order.
using TFieldMap = QMap<QString, QString>;

class TVelmoraClient
{
public:
    // aCaFile adds trusted certificates (PEM) to the system's, a relative
    // path being read in the configuration folder; aTlsVerify false
    // switches certificate checking off.
    TVelmoraClient(const QString &aServer, const QString &aToken, const QString &aTimeZone,
                   const QString &aCaFile = QString(), bool aTlsVerify = true);
    ~TVelmoraClient();

    TVelmoraClient(const TVelmoraClient &) = delete;
    TVelmoraClient &operator=(const TVelmoraClient &) = delete;

    // Sign-out: forgets the token, the user and every list but the trips,
    // and empties the responses folder.
    void Clear();

    // ---- request envelope ----
    // Method is "GET", "POST", "PUT" or "DEL". Data is the query (GET), the
    // form body (POST, PUT), sent as it stands; unused for DEL. A POST with
    // an UploadFile sends that file's bytes instead, typed by its extension.
    // Returns the HTTP status, or -1 when nothing was sent.
    // RawAnswer leaves the answer's bytes to the caller (a track of a
    // million points): no document is built of them.
    int Request(const QString &Method, const QString &OpName, const QString &Path, const QString &Data,
                const QString &UploadFile = QString(), bool RawAnswer = false);
    int DoGet(const QString &OpName, const QString &Path, const QString &Data = QString());
    int DoPost(const QString &OpName, const QString &Path, const QString &Data);
    // Uploads the file at FilePath as the body (the photo call).
    int DoPostFile(const QString &OpName, const QString &Path, const QString &FilePath);
    int DoPut(const QString &OpName, const QString &Path, const QString &Data);
    int DoDel(const QString &OpName, const QString &Path);

    // Reads the last answer into ResultData() as Request does, for a caller
    // that asked for the raw answer and got a refusal.
    void ReadAnswerDocument(const QString &OpName);
    // The list of the last answer to OpName (a bare array, or the member
    // OpName of an object; none or null is an empty list). Nothing, named
    // once in the log, when the answer was cut or broken (named by the
    // envelope), held no JSON, or held something other than a list.
    std::optional<QJsonArray> AnswerList(const QString &OpName);

    // ---- JSON readers ----
    // A JSON object is passed by pointer; nullptr is "none" and every reader
    // then gives its default. ResultData() is the last answer, or nullptr.
    static QJsonValue JsonValue(const QJsonObject *obj, const QString &name);  // Undefined when none or null
    // None when the member is missing or null; throws EJsonConversion when it is not an array.
    static std::optional<QJsonArray> JsonArray(const QJsonObject *obj, const QString &name);
    static QString JsonStr(const QJsonObject *obj, const QString &name);
    static bool JsonBool(const QJsonObject *obj, const QString &name);
    // Decimal digits only (no sign, point or exponent), else def.
    static int64_t JsonInt(const QJsonObject *obj, const QString &name, int64_t def = 0);
    static double JsonFloat(const QJsonObject *obj, const QString &name);
    // The service's UTC time as a local time of the user's zone; NaN when empty.
    double JsonDate(const QJsonObject *obj, const QString &name) const;
    // An element of an answer array as a JSON object; nullptr when it is none.
    static const QJsonObject *AsObject(const QJsonValue &v, QJsonObject &holder);

    // ---- logging (silent while no callback is set) ----
    void LogText(const QString &Text) const;
    void LogFormat(const QString &Fmt, const QVariantList &Args) const;
    void LogOp(const QString &Name, const QString &Text) const;
    void LogOpFmt(const QString &Name, const QString &Fmt, const QVariantList &Args) const;
    // Logs "\r  X: " and the message of a caught exception.
    void LogError(const std::exception &e) const;

    // ---- state ----
    QString ErrorMessage() const;
    double TimeZone() const;
    QString UserName() const;
    // URL-encodes a form value (UTF-8, percent escapes).
    static QString UrlEncode(const QString &value);
    // "name=enc(value)&" for each field in order, the last "&" kept.
    static QString FieldsToData(const TFieldMap &fields);

    static QString ContentTypeOfExt(const QString &Ext);
    static QString ExtOfContentType(const QString &ContentType);

    // ---- account ----
    bool Login(const QString &User, const QString &Pass);
    bool GetUser();
    bool UpdateUser(const TFieldMap &fields);
    bool Reg(const QString &User);
    bool Recovery(const QString &User);
    void ParseUser(const QJsonObject *json);

    // ---- objects ----
    int GetObjects();
    bool GetObject(TObjectInfo *oi);
    int CreateObject(const TFieldMap &fields);
    bool UpdateObject(int32_t uid, const TFieldMap &fields);
    bool DeleteObject(TObjectInfo *oi);
    TObjectInfo *FindObject(int32_t uid) const;
    // Reads one object into oi, or into a new object when oi is nullptr.
    TObjectInfo *ParseObject(const QJsonObject *json, TObjectInfo *oi);
    // Reads an objects answer straight from its bytes (and in them: Answer
    // is spent), each object as ParseObject reads it into a new object,
    // without building a document; elements that are no objects are
    // skipped, and their count logged once. List: the array of member "objects" (the
    // last one when repeated) into Objects, and member "dt" into Dt (NaN
    // when none). None: no such list (no member, null, or an answer that is
    // no object); Objects is then empty. NotArray: "objects", or a list
    // member of one of its objects, is of another type, as Error names;
    // Malformed: text that is no JSON, with Error.
    enum class TListAnswer;
    TListAnswer ParseObjectsAnswer(QByteArray Answer, TObjectList &Objects, double &Dt, QString &Error) const;

    // ---- address lookup ----
    int OsmLookup(const QString &OsmIds, TAddressCache &Cache);
    int OsmLookup(const QStringList &OsmIds, TAddressCache &Cache);

    // ---- tracks ----
    // Reads one point of an answer into Point (its uid stays) and returns it;
    // used for track points, object positions, zone histories and trips.
    TTrackPointInfo &ParseTrackPoint(const QJsonObject *Json, TTrackPointInfo &Point) const;
    // A new point with the answer's uid.
    std::unique_ptr<TTrackPointInfo> ParseTrackPoint(const QJsonObject *Json) const;
    // The track of an object in a local period into TrackList(); Mode 1 asks
    // for sensors, events and zones, tMode 1 matches the service's receive
    // time. The number of points, or -1 (TrackList() then stays as it was).
    int GetTrack(int32_t ObjUid, TDateTime Dt1, TDateTime Dt2, int Mode = 0, int tMode = 0);
    // Reads a track answer (a bare array of points, or an object holding it
    // under OpName) without building a document; elements with uid 0 are
    // skipped. The number of points, or -1 with Error set (Points untouched).
    int ParseTrackAnswer(const QByteArray &Answer, const QString &OpName, TTrackPointList &Points,
                         QString &Error) const;
    // The same, taking the answer: its text is given back to the system
    // while it is read, and freed at the end.
    int ParseTrackAnswer(QByteArray &&Answer, const QString &OpName, TTrackPointList &Points, QString &Error) const;
    // "from=<utc>&to=<utc>", then "&mode=" and "&tmode=" when above 0.
    QString PeriodQuery(TDateTime Dt1, TDateTime Dt2, int Mode = 0, int tMode = 0) const;

    // ---- zones ----
    // A zone from an answer element; nullptr, with an "invalid zone" log
    // line, when it is not a valid zone: uid 0, no type, a "geom" that is not
    // a text or not readable JSON of the zone's shape, a node off the map.
    std::unique_ptr<TZoneInfo> ParseZone(const QJsonObject *Json) const;
    // Refills ZoneList(); the number of zones, or -1.
    int GetZones();
    // The new uid (also set in Zone), or -1.
    int CreateZone(TZoneInfo &Zone);
    bool UpdateZone(const TZoneInfo &Zone);
    // The status code; 204 is success.
    int DeleteZone(int32_t Uid);
    // The points that lay in a zone in a local period, into TrackList(); the
    // number of points, or -1.
    int GetZoneHistory(int32_t ZoneUid, int Mode, int TMode, TDateTime Dt1, TDateTime Dt2);
    // A refused request's answer "text" becomes the error message and is
    // logged; used by the zone, trap and event requests.
    void TakeAnswerError();

    // ---- traps ----
    // A trap from an answer element, linked to its object and the zone
    // list; nullptr when its uid is 0.
    std::unique_ptr<TTrapInfo> ParseTrap(const QJsonObject *Json) const;
    // Refills TrapList(); the number of traps, or -1.
    int GetTraps();
    // Appends the created trap to TrapList(); its uid, or -1.
    int CreateTrap(const TTrapInfo &Trap);
    bool UpdateTrap(int32_t Uid, const TFieldMap &Fields);
    bool DeleteTrap(int32_t Uid);
    TTrapInfo *FindTrap(int32_t Uid) const;

    // ---- events ----
    // An event from an answer element; nullptr when its uid is 0 or absent.
    std::unique_ptr<TEventInfo> ParseEvent(const QJsonObject *Json) const;
    // Refills EventList() for a local period; the number of events, or -1.
    int GetEvents(TDateTime DtFrom, TDateTime DtTo);
    // What an events answer held: its list (a bare array, or the array of
    // member OpName, the last one when repeated), none (no such member, or
    // null), a member of another type, or text that is no JSON.
    enum class TListAnswer { List, None, NotArray, Malformed };
    // Reads an events answer straight from its bytes (and in them: Answer
    // is spent), each event as ParseEvent reads it, without building a
    // document; elements with uid 0 are skipped. Events is filled for List
    // only; Error is set for NotArray and Malformed.
    TListAnswer ParseEventsAnswer(QByteArray Answer, const QString &OpName, TEventList &Events, QString &Error) const;
    bool AcceptEvent(uint32_t Uid, const QString &Msg);

    // ---- commands ----
    // Posts a command text for the object's device, unchanged, as the body
    // (as text always: a command that looks like a file name uploads nothing).
    bool SendCommand(int32_t Uid, const QString &Cmd);
    // The last Count commands (of text Text only, when given) into
    // CommandLog(); the number of entries, or -1 (CommandLog() then stays).
    int GetCommandLog(int32_t ObjUid, int Count, const QString &Text = QString());
    // Saves the device's answer to command Uid in ResponseDir() as
    // "<uid>.<ext>" and sets resultFile().
    bool GetCommandResponse(uint32_t Uid);

    // ---- wifi ----
    // Appends the access points the service knows in a box of degrees;
    // the number appended, or -1 (WifiList then stays as it was).
    int GetWifi(TWifiList &WifiList, double Lat1, double Lon1, double Lat2, double Lon2);

    // ---- photos ----
    // Loads the object's photo from the photo cache or the service.
    bool GetPhoto(TObjectInfo *oi);
    // Uploads a picture file as the object's photo.
    bool PostPhoto(int32_t Uid, const QString &PhFile);
    // Deletes the photo at the service and in the cache.
    bool DeletePhoto(TObjectInfo *oi);
    // The photo cache folder, with a trailing "/"; AppPaths' unless set.
    QString PhotoDir() const;
    void SetPhotoDir(const QString &dir) { fPhotoDir = dir; }

private:
    QString fPhotoDir;

public:

    // ---- trips ----
    // TripName empty: "trip_" and the present time as yyyy_mm_dd_hh_nn.
    bool StartTrip(int32_t ObjUid, const QString &TripName);
    bool StopTrip(int32_t ObjUid);
    // Refills TripList() with the trips of listed objects in a local period;
    // the number of trips, or -1.
    int GetTrips(TDateTime Dt1, TDateTime Dt2);
    static QString DefaultTripName(TDateTime Now);

    // ---- properties ----
    const QString &LogTag() const { return fLogTag; }
    TZtHttpsClient &ApiClient() { return *fApiClient; }
    const QString &ApiServer() const { return fApiServer; }
    const QString &Token() const { return fApiToken; }
    void SetToken(const QString &v) { fApiToken = v; }
    int ResultCode() const { return fResultCode; }
    const QJsonObject *ResultData() const { return fResultData ? &*fResultData : nullptr; }
    // Why the last answer cannot be trusted whatever its status: the transfer
    // was cut short, or its JSON did not parse. Empty for a whole answer.
    const QString &AnswerError() const { return fAnswerError; }
    const QString &resultFile() const { return fResultFile; }
    TLogCallback LogCallback() const { return fLogCallback; }
    void SetLogCallback(const TLogCallback &v) { fLogCallback = v; }
    TUserInfo &UserInfo() { return fUserInfo; }
    // The fetched device answers: AppPaths' responses folder unless set.
    const QString &ResponseDir() const { return fResponseDir; }
    void SetResponseDir(const QString &dir);

    TObjectList &ObjList() { return fObjList; }
    TDateTime ObjListUpdated() const { return fObjListUpdated; }
    TZoneList &ZoneList() { return fZoneList; }
    TTrapList &TrapList() { return fTrapList; }
    TEventList &EventList() { return fEventList; }
    TDateTime EventListDt1() const { return fEventListDt1; }
    TDateTime EventListDt2() const { return fEventListDt2; }
    TDateTime EventListUpdated() const { return fEventListUpdated; }
    TTrackPointList &TrackList() { return fTrackList; }
    TDateTime TrackListUpdated() const { return fTrackListUpdated; }
    TTripList &TripList() { return fTripList; }
    TCommandList &CommandLog() { return fCommandLog; }
    TDateTime CommandLogUpdated() const { return fCommandLogUpdated; }

private:
    QString fLogTag = QStringLiteral("VelmoraClient");
    std::unique_ptr<TZtHttpsClient> fApiClient;
    QString fApiServer;
    QString fApiToken;
    int fResultCode = 0;
    std::optional<QJsonObject> fResultData; // none until a JSON answer arrives
    QString fResultFile;
    QString fErrorMessage;
    QString fAnswerError;
    double fTimeZone = 0;
    TLogCallback fLogCallback;
    TUserInfo fUserInfo;
    TObjectList fObjList;
    TDateTime fObjListUpdated = 0;
    TZoneList fZoneList;
    TTrapList fTrapList;
    TEventList fEventList;
    TDateTime fEventListDt1 = 0;
    TDateTime fEventListDt2 = 0;
    TDateTime fEventListUpdated = 0;
    TTrackPointList fTrackList;
    TDateTime fTrackListUpdated = 0;
    TTripList fTripList;
    TCommandList fCommandLog;
    TDateTime fCommandLogUpdated = 0;
    QString fResponseDir;
};
