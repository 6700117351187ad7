#include "JsonRules.h"

#include "ZtUtils.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <vector>

#include <charconv>
#include <cmath>

namespace {

// [-]digits[.digits][(e|E)[+|-]digits]: the form that from_chars reads
// exactly as QString::toDouble does.
bool PlainDecimal(std::string_view t)
{
    size_t i = 0;
    const auto digits = [&] {
        const size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9')
            ++i;
        return i > from;
    };
    if (i < t.size() && t[i] == '-')
        ++i;
    if (!digits())
        return false;
    if (i < t.size() && t[i] == '.') {
        ++i;
        if (!digits())
            return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == t.size();
}

} // namespace

bool JsonRules::IsIntegerLiteral(std::string_view literal)
{
    int64_t v = 0;
    const auto r = std::from_chars(literal.data(), literal.data() + literal.size(), v);
    return r.ec == std::errc() && r.ptr == literal.data() + literal.size();
}

bool JsonRules::IsWholeNonInteger(std::string_view literal, double value)
{
    return !IsIntegerLiteral(literal) && std::trunc(value) == value && std::abs(value) < 9.2e18;
}

QString JsonRules::NumberText(std::string_view literal)
{
    int64_t v = 0;
    const auto r = std::from_chars(literal.data(), literal.data() + literal.size(), v);
    if (r.ec == std::errc() && r.ptr == literal.data() + literal.size())
        return QString::number(v);
    const double d = TextToFloat(literal);
    if (IsWholeNonInteger(literal, d))
        return QString::fromUtf8(literal.data(), qsizetype(literal.size()));
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

int64_t JsonRules::TextToInt(std::string_view t, int64_t def)
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

int64_t JsonRules::TextToInt(const QString &text, int64_t def)
{
    if (!IsNumber(text, 10))
        return def;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    return ok ? value : def;
}

double JsonRules::TextToFloat(std::string_view t)
{
    if (t.empty())
        return std::numeric_limits<double>::quiet_NaN();
    if (PlainDecimal(t)) {
        double v = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (r.ec == std::errc() && r.ptr == t.data() + t.size())
            return v;
    }
    // Blanks, a comma, a plus sign, an overflow: the general rule decides.
    return TextToFloat(QString::fromUtf8(t.data(), qsizetype(t.size())));
}

double JsonRules::TextToFloat(const QString &text)
{
    if (text.isEmpty())
        return std::numeric_limits<double>::quiet_NaN();
    return ToFloatDef(text, 0);
}

double JsonRules::TextToDate(std::string_view t, double zone)
{
    if (t.empty())
        return NoDateTime;
    double v;
    if (!ParseIsoDateTimeFast(t, v))
        v = ParseDateTime(QString::fromUtf8(t.data(), qsizetype(t.size())));
    return v + zone;
}

double JsonRules::TextToDate(const QString &text, double zone)
{
    if (text.isEmpty())
        return NoDateTime;
    return ParseDateTime(text) + zone;
}

int64_t JsonRules::TokenToInt(std::string_view t, Token kind, int64_t def)
{
    // A number written with a fraction or an exponent is no integer, even
    // when its value is whole.
    if (kind == Token::Number && !IsIntegerLiteral(t))
        return def;
    // The document holds -0 as the integer 0, whose text is "0".
    if (kind == Token::Number && t == "-0")
        return 0;
    return TextToInt(t, def);
}

double JsonRules::TokenToFloat(std::string_view t, Token kind)
{
    if (kind == Token::Number && IsIntegerLiteral(t)) {
        // The document holds an integer: "-0" is 0, and a long one rounds
        // as its digits do.
        int64_t v = 0;
        std::from_chars(t.data(), t.data() + t.size(), v);
        return double(v);
    }
    // Any other literal reads as its shortest form does, which is the same
    // number.
    return TextToFloat(t);
}

double JsonRules::TokenToDate(std::string_view t, Token kind, double zone)
{
    if (kind == Token::Number)
        return TextToDate(NumberText(t), zone);
    return TextToDate(t, zone);
}

QString JsonRules::TokenToText(std::string_view t, Token kind)
{
    if (kind == Token::Number)
        return NumberText(t);
    return QString::fromUtf8(t.data(), qsizetype(t.size()));
}

namespace {

// Builds QJson values from the parser's events, numbers by their literal.
class ValueBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ValueBuilder>
{
public:
    QJsonValue fRoot;
    QString fError;

    bool StartObject() { return Open(true); }
    bool StartArray() { return Open(false); }
    bool EndObject(rapidjson::SizeType) { return Close(); }
    bool EndArray(rapidjson::SizeType) { return Close(); }
    bool Key(const char *s, rapidjson::SizeType n, bool)
    {
        fFrames.back().key = QString::fromUtf8(s, qsizetype(n));
        return true;
    }
    bool String(const char *s, rapidjson::SizeType n, bool) { return Add(QString::fromUtf8(s, qsizetype(n))); }
    bool RawNumber(const char *s, rapidjson::SizeType n, bool) { return Add(JsonRules::NumberValue(std::string_view(s, n))); }
    bool Bool(bool b) { return Add(QJsonValue(b)); }
    bool Null() { return Add(QJsonValue(QJsonValue::Null)); }

private:
    struct Frame
    {
        bool isObject = false;
        QJsonObject object;
        QJsonArray array;
        QString key;
    };
    std::vector<Frame> fFrames;

    bool Open(bool isObject)
    {
        if (int(fFrames.size()) >= JsonRules::MaxJsonDepth) {
            fError = QStringLiteral("JSON nested too deeply");
            return false;
        }
        fFrames.push_back(Frame{isObject, {}, {}, {}});
        return true;
    }
    bool Close()
    {
        Frame f = std::move(fFrames.back());
        fFrames.pop_back();
        return Add(f.isObject ? QJsonValue(f.object) : QJsonValue(f.array));
    }
    bool Add(const QJsonValue &v)
    {
        if (fFrames.empty()) {
            fRoot = v;
            return true;
        }
        Frame &f = fFrames.back();
        if (f.isObject)
            f.object.insert(f.key, v); // a repeated member: the last one counts
        else
            f.array.append(v);
        return true;
    }
};

} // namespace

bool JsonRules::ParseJson(const char *text, size_t size, QJsonValue &result, QString &error)
{
    rapidjson::MemoryStream ms(text, size);
    ValueBuilder builder;
    rapidjson::Reader reader;
    const rapidjson::ParseResult ok =
        reader.Parse<rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag>(ms, builder);
    if (!ok) {
        error = !builder.fError.isEmpty() ? builder.fError
                                          : QStringLiteral("%1 at %2")
                                                .arg(QString::fromUtf8(rapidjson::GetParseError_En(ok.Code())))
                                                .arg(ok.Offset());
        return false;
    }
    error.clear();
    result = builder.fRoot;
    return true;
}

QJsonValue JsonRules::NumberValue(std::string_view t)
{
    int64_t v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec == std::errc() && r.ptr == t.data() + t.size())
        return QJsonValue(qint64(v));
    // A JSON value turns a whole double into an integer; 1.0 and 1e2 keep
    // their written form as text instead, so that they read as numbers but
    // never as integers.
    const double d = TextToFloat(t);
    if (IsWholeNonInteger(t, d))
        return QJsonValue(QString::fromUtf8(t.data(), qsizetype(t.size())));
    return QJsonValue(d);
}
