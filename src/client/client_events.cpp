// Event records and the event requests, with the streaming reader of the
// events answer.

#include "client.h"
#include "AccountClock.h"

#include "OSM.EventInfo.h"

#include "JsonRules.h"
#include "RecordMembers.h"
#include "ZtHttp.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <string_view>

namespace {

using JsonRules::Token;

// Reads the events answer (a bare array of events, or an object holding it
// under the request name) straight from the received bytes: a period can
// hold a hundred thousand events, and a document of them costs many times
// the time and memory of the records. Every member reads as ParseEvent reads
// it from a document: a repeated member's last value counts, and a null, an
// object or an array where a scalar belongs gives the member's default.
class TEventsAnswerReader : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, TEventsAnswerReader>
{
public:
    using TListAnswer = TVelmoraClient::TListAnswer;

    TEventsAnswerReader(const QString &opName, double zone, TEventList &out)
        : fOpName(opName.toUtf8()), fZone(zone), fOut(out)
    {
    }

    QString fError;
    TListAnswer fFound = TListAnswer::None;

    bool StartObject() { return Start(true); }
    bool StartArray() { return Start(false); }
    bool EndObject(rapidjson::SizeType) { return End(); }
    bool EndArray(rapidjson::SizeType) { return End(); }
    bool Key(const char *s, rapidjson::SizeType n, bool)
    {
        const std::string_view k(s, n);
        if (fState == RootObject)
            fKey = k == std::string_view(fOpName.constData(), size_t(fOpName.size())) ? KList : KOther;
        else if (fState == Event)
            fKey = EventKey(k);
        return true;
    }
    bool String(const char *s, rapidjson::SizeType n, bool) { return Scalar(std::string_view(s, n), Token::String); }
    bool RawNumber(const char *s, rapidjson::SizeType n, bool) { return Scalar(std::string_view(s, n), Token::Number); }
    bool Bool(bool b) { return Scalar(b ? "true" : "false", Token::Bool); }
    bool Null() { return Scalar({}, Token::Null); }
    bool Default() { return Scalar({}, Token::Null); }

private:
    enum State { Root, RootObject, List, Event, Skip };
    // KMember: a row of EventMembers (fMember).
    enum KeyId { KOther, KList, KMember };

    // Called for every member of every event.
    KeyId EventKey(std::string_view k)
    {
        static const RecordMembers::TIndex index(RecordMembers::EventMembers());
        return (fMember = index.Find(k)) >= 0 ? KMember : KOther;
    }

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
            if (isObject) {
                Push(RootObject);
            } else {
                BeginList(); // a bare array is the list
                Push(List);
            }
            return true;
        case RootObject:
            if (fKey == KList && !isObject) {
                BeginList(); // a repeated member: the last one counts
                Push(List);
                return true;
            }
            if (fKey == KList)
                SetNotList();
            Push(Skip);
            return true;
        case List:
            if (isObject) {
                fEvent = std::make_unique<TEventInfo>();
                // What an absent member reads as (ParseEvent).
                for (const auto &m : RecordMembers::EventMembers())
                    RecordMembers::Reset(m, *fEvent);
                Push(Event);
            } else {
                Push(Skip);
            }
            return true;
        case Event:
            Scalar({}, Token::Null); // a scalar member given as object or array reads empty
            Push(Skip);
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
        if (closing == Event && fEvent->uid != 0)
            fOut.push_back(std::move(fEvent));
        return true;
    }

    void BeginList()
    {
        fOut.clear();
        fFound = TListAnswer::List;
    }

    void SetNotList()
    {
        fOut.clear();
        fFound = TListAnswer::NotArray;
    }

    bool Scalar(std::string_view t, Token kind)
    {
        if (fState == Event) {
            if (fKey == KMember)
                RecordMembers::Assign(RecordMembers::EventMembers()[size_t(fMember)], *fEvent, t, kind, fZone);
        } else if (fState == RootObject && fKey == KList) {
            if (kind == Token::Null) {
                fOut.clear();
                fFound = TListAnswer::None;
            } else {
                SetNotList();
            }
        }
        return true;
    }

    const QByteArray fOpName;
    const double fZone;
    TEventList &fOut;
    State fState = Root;
    std::vector<State> fStack;
    KeyId fKey = KOther;
    int fMember = -1;
    std::unique_ptr<TEventInfo> fEvent;
};

} // namespace

std::unique_ptr<TEventInfo> TVelmoraClient::ParseEvent(const QJsonObject *Json) const
{
    const auto uid = uint32_t(JsonInt(Json, QStringLiteral("uid"), 0));
    if (uid == 0)
        return nullptr;
    auto e = std::make_unique<TEventInfo>();
    RecordMembers::ReadAll(RecordMembers::EventMembers(), *e, *this, Json);
    return e;
}

TVelmoraClient::TListAnswer TVelmoraClient::ParseEventsAnswer(QByteArray Answer, const QString &OpName,
                                                              TEventList &Events, QString &Error) const
{
    Error.clear();
    TEventList out;
    TEventsAnswerReader reader(OpName, TimeZone(), out);
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
    if (reader.fFound == TListAnswer::NotArray)
        Error = QStringLiteral("member \"%1\" is not an array").arg(OpName);
    if (reader.fFound == TListAnswer::List)
        Events = std::move(out);
    return reader.fFound;
}

int TVelmoraClient::GetEvents(TDateTime DtFrom, TDateTime DtTo)
{
    const QString op = QStringLiteral("Events");
    // The list is replaced only by a good answer: while the service does not
    // answer, the events listed stay.
    try {
        const int code = Request(QStringLiteral("GET"), op, QStringLiteral("/user/events"), PeriodQuery(DtFrom, DtTo),
                                 QString(), true);
        if (code != 200) {
            ReadAnswerDocument(op);
            TakeAnswerError();
            return -1;
        }
        // A cut answer, or one too large (none of it kept), is no empty list.
        if (!fAnswerError.isEmpty())
            return -1; // the envelope has logged why
        fEventListUpdated = AccountNow();
        fEventListDt1 = DtFrom;
        fEventListDt2 = DtTo;
        TEventList list;
        QString error;
        TListAnswer found = TListAnswer::None;
        if (fApiClient->RcvdCount() > 0 && fApiClient->RcvdContentType().contains(QLatin1String("json"))) {
            // Taken from the HTTP client, and freed once read.
            found = ParseEventsAnswer(fApiClient->TakeRcvdStream(), op, list, error);
        }
        switch (found) {
        case TListAnswer::List:
            // The events listed before are freed here, after the answer was read.
            fEventList = std::move(list);
            LogText(QStringLiteral(" [%1]").arg(fEventList.size()));
            return int(fEventList.size());
        case TListAnswer::NotArray:
            LogText(QStringLiteral("\r  X: ") + error);
            return -1;
        case TListAnswer::Malformed:
            if (fAnswerError.isEmpty()) {
                fAnswerError = QStringLiteral("malformed JSON answer (%1)").arg(error);
                LogText(QStringLiteral("\r  X: ") + fAnswerError);
            }
            fEventList.clear(); // the period has changed
            return -1;
        case TListAnswer::None:
            if (fAnswerError.isEmpty())
                LogText(QStringLiteral("\r  X: no data"));
            fEventList.clear(); // the period has changed
            return -1;
        }
        return -1;
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::AcceptEvent(uint32_t Uid, const QString &Msg)
{
    try {
        const int code = DoPut(QStringLiteral("AcceptEvent"), QStringLiteral("/event/%1/accept").arg(Uid),
                               QStringLiteral("msg=") + UrlEncode(Msg));
        if (code == 204)
            return true;
        TakeAnswerError();
    } catch (const std::exception &e) {
        LogError(e);
    }
    return false;
}
