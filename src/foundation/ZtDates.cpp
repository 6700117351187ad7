#include "ZtDates.h"
#include "DayNumber.h"

#include <QRegularExpression>

#include <cmath>

namespace {
constexpr qint64 MSecsPerDay = 86400000;

qint64 baseJulianDay() { return QDate(1899, 12, 30).toJulianDay(); }

struct Parts
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
};

// Splits a value into calendar parts, rounding to the millisecond.
Parts decode(TDateTime value)
{
    qint64 ms = 0;
    const qint64 days = SplitDateTime(value, ms);
    Parts p;
    DecodeDay(days, p.year, p.month, p.day);
    p.hour = int(ms / 3600000);
    p.minute = int(ms / 60000 % 60);
    p.second = int(ms / 1000 % 60);
    p.msec = int(ms % 1000);
    return p;
}

QString pad(int v, int width) { return QString::number(v).rightJustified(width, u'0'); }

int groupInt(const QRegularExpressionMatch &m, int n)
{
    bool ok = false;
    const int v = m.captured(n).toInt(&ok);
    return ok ? v : 0;
}
} // namespace

bool IsNoDateTime(TDateTime value) { return std::isnan(value); }

qint64 SplitDateTime(TDateTime value, qint64 &msOfDay)
{
    const qint64 total = qint64(std::llround(value * double(MSecsPerDay)));
    qint64 days = total / MSecsPerDay;
    msOfDay = total % MSecsPerDay;
    if (msOfDay < 0) {
        msOfDay += MSecsPerDay;
        --days;
    }
    return days;
}

void DecodeDay(qint64 days, int &year, int &month, int &day)
{
    const QDate d = QDate::fromJulianDay(baseJulianDay() + days);
    year = d.year();
    month = d.month();
    day = d.day();
}

bool TryEncodeDate(int year, int month, int day, TDateTime &result)
{
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day))
        return false;
    result = double(QDate(year, month, day).toJulianDay() - baseJulianDay());
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime &result)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    result = double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / double(MSecsPerDay);
    return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec)
{
    TDateTime d = 0, t = 0;
    if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, minute, second, msec, t))
        return NoDateTime;
    return d + t;
}

QDateTime DateTimeToQDateTime(TDateTime value)
{
    if (std::isnan(value))
        return QDateTime();
    const Parts p = decode(value);
    return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second, p.msec));
}

TDateTime QDateTimeToDateTime(const QDateTime &dt)
{
    if (!dt.isValid())
        return NoDateTime;
    const QDate d = dt.date();
    const QTime t = dt.time();
    return double(d.toJulianDay() - baseJulianDay()) + double(t.msecsSinceStartOfDay()) / double(MSecsPerDay);
}

TDateTime Now() { return QDateTimeToDateTime(QDateTime::currentDateTime()); }

TDateTime NowInZone(double Zone)
{
    return UnixDateDelta + double(QDateTime::currentMSecsSinceEpoch()) / double(MSecsPerDay) + Zone;
}

TDateTime UnixToDateTime(qint64 seconds) { return UnixDateDelta + double(seconds) / 86400.0; }

TDateTime ParseDateTime(const QString &text) { return ParseDateTime(text, nullptr); }

TDateTime ParseDateTime(const QString &text, bool *ok)
{
    static const QRegularExpression dateRes[] = {
        QRegularExpression(QStringLiteral("(\\d+)\\.(\\d+)\\.(\\d+)")),
        QRegularExpression(QStringLiteral("(\\d+)/(\\d+)/(\\d+)")),
        QRegularExpression(QStringLiteral("(\\d+)-(\\d+)-(\\d+)")),
        QRegularExpression(QStringLiteral("(\\d{4})(\\d{2})(\\d{2})")),
    };
    static const QRegularExpression timeRes[] = {
        QRegularExpression(QStringLiteral("(\\d+):(\\d+):*(\\d+)*:*(\\d+)*")),
        QRegularExpression(QStringLiteral("(\\d+):(\\d+):(\\d+)\\.(\\d+)")),
        QRegularExpression(QStringLiteral("(\\d{2})(\\d{2})(\\d{2})$")),
    };
    if (ok)
        *ok = false;
    TDateTime result = 0;
    if (text.isEmpty())
        return result;

    int year = 0, month = 0, day = 0;
    for (int i = 0; i < 4; ++i) {
        const QRegularExpressionMatch m = dateRes[i].match(text);
        if (!m.hasMatch())
            continue;
        switch (i) {
        case 0: day = groupInt(m, 1); month = groupInt(m, 2); year = groupInt(m, 3); break;
        case 1: month = groupInt(m, 1); day = groupInt(m, 2); year = groupInt(m, 3); break;
        default: year = groupInt(m, 1); month = groupInt(m, 2); day = groupInt(m, 3); break;
        }
        break;
    }
    if (year >= 1 && year <= 999)
        year += 1900;

    int hour = 0, minute = 0, second = 0, msec = 0;
    bool timeMatched = false;
    for (const QRegularExpression &re : timeRes) {
        const QRegularExpressionMatch m = re.match(text);
        if (!m.hasMatch())
            continue;
        timeMatched = true;
        hour = groupInt(m, 1);
        minute = groupInt(m, 2);
        second = groupInt(m, 3);
        msec = groupInt(m, 4);
        break;
    }

    TDateTime d = 0;
    if (year != 0 && TryEncodeDate(year, month, day, d)) {
        result = d;
        if (ok)
            *ok = true;
    }
    TDateTime t = 0;
    if (hour < 25 && TryEncodeTime(hour, minute, second, msec, t)) {
        result += t;
        if (ok && timeMatched)
            *ok = true;
    }
    return result;
}

namespace {

// The one scanner of both fast paths, over UTF-8 or UTF-16 text:
// "yyyy-mm-dd[T ]hh:nn:ss" or (dotted) "dd.mm.yyyy hh:nn:ss", then (fraction)
// "." and digits, then "Z", and nothing more. ASCII digits only.
template <typename Char>
bool ScanDateTime(const Char *t, size_t n, bool dotted, bool fraction, Parts &p)
{
    auto digits = [&](size_t at, size_t count, int &v) {
        v = 0;
        for (size_t i = at; i < at + count; ++i) {
            if (t[i] < Char('0') || t[i] > Char('9'))
                return false;
            v = v * 10 + int(t[i] - Char('0'));
        }
        return true;
    };
    if (n < 19)
        return false;
    if (t[4] == Char('-') && t[7] == Char('-') && (t[10] == Char('T') || t[10] == Char(' '))) {
        if (!digits(0, 4, p.year) || !digits(5, 2, p.month) || !digits(8, 2, p.day))
            return false;
    } else if (dotted && t[2] == Char('.') && t[5] == Char('.') && t[10] == Char(' ')) {
        if (!digits(0, 2, p.day) || !digits(3, 2, p.month) || !digits(6, 4, p.year))
            return false;
    } else {
        return false;
    }
    if (t[13] != Char(':') || t[16] != Char(':') || !digits(11, 2, p.hour) || !digits(14, 2, p.minute)
        || !digits(17, 2, p.second))
        return false;
    size_t at = 19;
    p.msec = 0;
    if (fraction && at < n && t[at] == Char('.')) {
        int scale = 100;
        for (++at; at < n && t[at] >= Char('0') && t[at] <= Char('9'); ++at) {
            p.msec += int(t[at] - Char('0')) * scale;
            scale /= 10;
        }
    }
    if (at < n && t[at] == Char('Z'))
        ++at;
    return at == n;
}

} // namespace

bool ParseIsoDateTimeFast(std::string_view t, TDateTime &result)
{
    Parts p;
    if (!ScanDateTime(t.data(), t.size(), false, false, p))
        return false;
    if (p.year < 1000)
        return false; // the general reader adds 1900 to such years
    // As the general reader: an impossible date or time part reads as 0.
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(p.year, p.month, p.day, date))
        date = 0;
    if (!TryEncodeTime(p.hour, p.minute, p.second, 0, time))
        time = 0;
    result = date + time;
    return true;
}

namespace {

template <typename Char>
bool ParseDateTimeFast(const Char *t, size_t n, TDateTime &result)
{
    Parts p;
    if (!ScanDateTime(t, n, true, true, p))
        return false;
    TDateTime date, time;
    if (!TryEncodeDate(p.year, p.month, p.day, date) || !TryEncodeTime(p.hour, p.minute, p.second, p.msec, time))
        return false;
    result = date + time;
    return true;
}

} // namespace

bool ParseDateTimeFast(QStringView t, TDateTime &result)
{
    return ParseDateTimeFast(t.utf16(), size_t(t.size()), result);
}

bool ParseDateTimeFast(QByteArrayView t, TDateTime &result)
{
    return ParseDateTimeFast(t.data(), size_t(t.size()), result);
}

TDateTime ParseDateTimeOrUnix(const QString &text)
{
    if (!text.isEmpty()) {
        bool digits = true;
        for (const QChar c : text)
            if (c.unicode() < '0' || c.unicode() > '9') {
                digits = false;
                break;
            }
        if (digits) {
            bool ok = false;
            const qint64 s = text.toLongLong(&ok);
            if (ok)
                return UnixToDateTime(s);
        }
    }
    return ParseDateTime(text);
}

QString FormatDateTimeNaN(const QString &format, TDateTime value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    const Parts p = decode(value);
    QString r;
    const qsizetype n = format.size();
    qsizetype i = 0;
    bool afterHour = false;
    auto runOf = [&](QChar c) {
        qsizetype k = i;
        while (k < n && format[k].toLower() == c)
            ++k;
        return int(k - i);
    };
    while (i < n) {
        const QChar c = format[i];
        const QChar lc = c.toLower();
        if (c == u'"' || c == u'\'') {
            const qsizetype end = format.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end;
            r += format.mid(i + 1, stop - i - 1);
            i = end < 0 ? n : end + 1;
            continue;
        }
        const int len = runOf(lc);
        if (lc == u'm' && afterHour) {
            // As in the classic pattern language, "hh:mm" means minutes.
            r += len >= 2 ? pad(p.minute, 2) : QString::number(p.minute);
            afterHour = false;
            i += len;
            continue;
        }
        if (lc.isLetter())
            afterHour = lc == u'h';
        switch (lc.unicode()) {
        case 'y':
            r += len <= 2 ? pad(p.year % 100, 2) : pad(p.year, 4);
            break;
        case 'm':
            r += len >= 2 ? pad(p.month, 2) : QString::number(p.month);
            break;
        case 'd':
            r += len >= 2 ? pad(p.day, 2) : QString::number(p.day);
            break;
        case 'h':
            r += len >= 2 ? pad(p.hour, 2) : QString::number(p.hour);
            break;
        case 'n':
            r += len >= 2 ? pad(p.minute, 2) : QString::number(p.minute);
            break;
        case 's':
            r += len >= 2 ? pad(p.second, 2) : QString::number(p.second);
            break;
        case 'z':
            r += len >= 3 ? pad(p.msec, 3) : QString::number(p.msec);
            break;
        default:
            r += c;
            i += 1;
            continue;
        }
        i += len;
    }
    return r;
}

QString FormatDateTimeDef(const QString &format, TDateTime value)
{
    return FormatDateTimeNaN(format.isEmpty() ? QStringLiteral("dd.mm.yyyy hh:nn:ss") : format, value);
}

QString DateTimeToIso(TDateTime value, double zone)
{
    if (std::isnan(value))
        return QString();
    const TDateTime v = value - zone;
    return FormatDateTimeNaN(QStringLiteral("yyyy-mm-dd"), v) + u'T' + FormatDateTimeNaN(QStringLiteral("hh:nn:ss"), v) + u'Z';
}

QString DurationToStr(qint64 seconds, int mode)
{
    qint64 hours = 0, minutes = 0;
    if (seconds >= 60) {
        minutes = seconds / 60;
        seconds %= 60;
    }
    if (minutes >= 60) {
        hours = minutes / 60;
        minutes %= 60;
    }
    auto p2 = [](qint64 v) { return QString::number(v).rightJustified(2, u'0'); };
    switch (mode) {
    case 1:
        return p2(hours) + u':' + p2(minutes);
    case 2: {
        QString r;
        if (hours > 0)
            r += QString::number(hours) + QStringLiteral("h ");
        if (minutes > 0)
            r += QString::number(minutes) + QStringLiteral("m ");
        return r + QString::number(seconds) + u's';
    }
    case 3: {
        QString r;
        if (hours > 0)
            r += QString::number(hours) + QStringLiteral("h ");
        if (minutes > 0)
            r += QString::number(minutes) + QStringLiteral("m ");
        return r;
    }
    default:
        return p2(hours) + u':' + p2(minutes) + u':' + p2(seconds);
    }
}
