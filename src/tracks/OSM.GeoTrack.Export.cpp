// CSV and GPX export of TGeoTrack.
//
// Tracks run to a million points, so lines are formatted straight into a
// byte buffer instead of through QString; the texts are the same as those of
// FormatDateTimeNaN and FloatToStrN (the tests compare them).

#include "OSM.GeoTrack.h"

#include "ZtDates.h"
#include "ZtUtils.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <limits>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr int FormatCsv = 1;
constexpr int FormatGpx = 2;
constexpr qint64 MSecsPerDay = 86400000;
// 0001-01-01 and 9999-12-31 as day numbers; outside them the generic
// formatter is used, as the calendar arithmetic below assumes four-digit years.
constexpr double FirstFastDay = -693593.0;
constexpr double LastFastDay = 2958465.0;

struct Civil
{
    int year, month, day, hour, minute, second;
};

// Calendar parts of a date-time, rounded to the millisecond like the date
// utilities do. Days are counted from 1899-12-30 (civil-from-days after
// H. Hinnant, shifted to that epoch).
Civil decode(double value)
{
    const qint64 total = std::llround(value * double(MSecsPerDay));
    qint64 days = total / MSecsPerDay;
    qint64 ms = total % MSecsPerDay;
    if (ms < 0) {
        ms += MSecsPerDay;
        --days;
    }
    const qint64 z = days - 25569 + 719468; // days since 0000-03-01
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const int y = int(yoe + era * 400 + (m <= 2 ? 1 : 0));
    return Civil{y, m, d, int(ms / 3600000), int(ms / 60000 % 60), int(ms / 1000 % 60)};
}

// Fixed notation as QString::number(v, 'f', decimals) writes it, which is
// what FloatToStrN uses: correctly rounded, except that an exact tie rounds
// away from zero (std::to_chars would round it to even), and a negative zero
// loses its sign. Returns the length, or 0 when the caller should fall back.
size_t formatFixed(char *buf, size_t size, double v, int decimals)
{
    if (v == 0.0)
        v = 0.0;
    decimals = std::max(decimals, 0);
    if (decimals <= 15) {
        // A tie is possible only when v * 2^(decimals+1) is an odd integer
        // (v * 10^d = y * 5^d / 2); the power-of-two scaling is exact.
        const double y = std::ldexp(v, decimals + 1);
        if (std::fabs(y) < 9.0e15 && std::fmod(y, 2.0) != 0.0 && std::fmod(y, 1.0) == 0.0) {
            unsigned long long p5 = 1;
            for (int i = 0; i < decimals; ++i)
                p5 *= 5;
            const unsigned long long ay = (unsigned long long)std::fabs(y);
            if (ay > std::numeric_limits<unsigned long long>::max() / p5)
                return 0;
            const unsigned long long k = (ay * p5 + 1) / 2; // half away from zero
            // Digits of k, zero-padded to at least one before the point.
            char digits[48];
            const size_t width = size_t(decimals) + 1;
            char *d = digits + 16;
            const auto r = std::to_chars(d, digits + sizeof digits, k);
            size_t nd = size_t(r.ptr - d);
            while (nd < width) {
                *--d = '0';
                ++nd;
            }
            size_t pos = 0;
            if (v < 0)
                buf[pos++] = '-';
            const size_t intLen = nd - size_t(decimals);
            std::memcpy(buf + pos, d, intLen);
            pos += intLen;
            if (decimals > 0) {
                buf[pos++] = '.';
                std::memcpy(buf + pos, d + intLen, size_t(decimals));
                pos += size_t(decimals);
            }
            return pos;
        }
    }
    const auto r = std::to_chars(buf, buf + size, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? size_t(r.ptr - buf) : 0;
}

bool fastDate(double value)
{
    return value >= FirstFastDay && value < LastFastDay + 1.0;
}

class Out
{
public:
    explicit Out(QSaveFile &f) : fFile(f) { fBuf.reserve(ChunkSize + 4096); }

    void raw(const char *s, size_t n) { fBuf.append(s, n); }
    void raw(const char *s) { fBuf.append(s); }
    void raw(const QByteArray &b) { fBuf.append(b.constData(), size_t(b.size())); }
    void ch(char c) { fBuf.push_back(c); }

    void integer(qint64 v)
    {
        char b[24];
        const auto r = std::to_chars(b, b + sizeof b, v);
        raw(b, size_t(r.ptr - b));
    }
    // As FloatToStrN: fixed decimals, "." separator, "NaN" for NaN.
    void fixed(double v, int decimals)
    {
        if (std::isnan(v)) {
            raw("NaN", 3);
            return;
        }
        char b[400];
        const size_t n = formatFixed(b, sizeof b, v, decimals);
        if (n > 0)
            raw(b, n);
        else
            raw(FloatToStrN(v, decimals).toUtf8());
    }
    void two(int v)
    {
        ch(char('0' + v / 10 % 10));
        ch(char('0' + v % 10));
    }
    void four(int v)
    {
        two(v / 100);
        two(v % 100);
    }
    // "dd.mm.yyyy hh:nn:ss", or "NaN".
    void localTime(double v)
    {
        if (std::isnan(v)) {
            raw("NaN", 3);
            return;
        }
        if (!fastDate(v)) {
            raw(FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), v).toUtf8());
            return;
        }
        const Civil c = decode(v);
        two(c.day), ch('.'), two(c.month), ch('.'), four(c.year), ch(' ');
        two(c.hour), ch(':'), two(c.minute), ch(':'), two(c.second);
    }
    // "yyyy-mm-ddThh:nn:ssZ" of a UTC time.
    void isoTime(double utc)
    {
        if (!fastDate(utc)) {
            raw(DateTimeToIso(utc, 0).toUtf8());
            return;
        }
        const Civil c = decode(utc);
        four(c.year), ch('-'), two(c.month), ch('-'), two(c.day), ch('T');
        two(c.hour), ch(':'), two(c.minute), ch(':'), two(c.second), ch('Z');
    }

    // Writes what has gathered once it is large; false on a write error.
    bool flushIfFull() { return fBuf.size() < ChunkSize || flush(); }
    bool flush()
    {
        if (fBuf.empty())
            return true;
        const qint64 n = fFile.write(fBuf.data(), qint64(fBuf.size()));
        if (n != qint64(fBuf.size()))
            return false;
        fWritten += n;
        fBuf.clear();
        return true;
    }
    qint64 written() const { return fWritten; }

private:
    static constexpr size_t ChunkSize = 1 << 20;
    QSaveFile &fFile;
    std::string fBuf;
    qint64 fWritten = 0;
};

// Text for XML character data and attribute values: markup characters
// escaped, characters that XML 1.0 does not allow dropped.
QByteArray xmlText(const QString &s)
{
    QString r;
    r.reserve(s.size());
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'&': r += QLatin1String("&amp;"); break;
        case u'<': r += QLatin1String("&lt;"); break;
        case u'>': r += QLatin1String("&gt;"); break;
        case u'"': r += QLatin1String("&quot;"); break;
        case u'\'': r += QLatin1String("&apos;"); break;
        default:
            if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF)
                break;
            r += c;
        }
    }
    return r.toUtf8();
}

void csvLine(Out &o, const TTrackPointInfo &p)
{
    o.integer(p.uid), o.ch(';');
    o.localTime(p.sys_dt), o.ch(';');
    o.localTime(p.obj_dt), o.ch(';');
    o.integer(p.src), o.ch(';');
    o.localTime(p.gps_dt), o.ch(';');
    o.fixed(p.lat, 6), o.ch(';');
    o.fixed(p.lon, 6), o.ch(';');
    o.fixed(p.alt, 0), o.ch(';');
    o.fixed(p.acc, 0), o.ch(';');
    o.fixed(p.speed, 0), o.ch(';');
    o.fixed(p.angle, 0), o.ch(';');
    o.integer(p.bat), o.ch(';');
    for (size_t i = 0; i < p.sensors.size(); ++i) {
        if (i > 0)
            o.ch(',');
        o.raw(p.sensors[i]->sign.toUtf8()), o.ch('='), o.raw(p.sensors[i]->val.toUtf8());
    }
    o.ch(';');
    for (size_t i = 0; i < p.zones.size(); ++i) {
        if (i > 0)
            o.ch(',');
        o.raw(p.zones[i]->name.toUtf8());
    }
    o.raw(";\r\n", 3);
}

// One <trkpt>, children in the order of the GPX 1.0 schema. Values the
// schema cannot hold (NaN, infinity) are left out; a point without a usable
// position is left out whole, as lat and lon are required.
void gpxPoint(Out &o, const TTrackPointInfo &p, double timeZone)
{
    if (!(p.lat >= -90.0 && p.lat <= 90.0 && p.lon >= -180.0 && p.lon <= 180.0))
        return;
    o.raw("<trkpt lat=\""), o.fixed(p.lat, 6), o.raw("\" lon=\""), o.fixed(p.lon, 6), o.raw("\">");
    if (std::isfinite(p.alt))
        o.raw("<ele>"), o.fixed(p.alt, 0), o.raw("</ele>");
    const double utc = p.gps_dt - timeZone;
    if (std::isfinite(utc))
        o.raw("<time>"), o.isoTime(utc), o.raw("</time>");
    if (std::isfinite(p.speed))
        o.raw("<speed>"), o.fixed(p.speed, 0), o.raw("</speed>");
    if (std::isfinite(p.angle)) {
        // The schema wants 0..360; a heading of -10 is the same as 350.
        double a = p.angle;
        if (a < 0.0 || a > 360.0)
            a = std::fmod(a, 360.0) + (a < 0.0 ? 360.0 : 0.0);
        if (a == 0.0)
            a = 0.0; // no "-0"
        o.raw("<magvar>"), o.fixed(a, 0), o.raw("</magvar>");
    }
    if (const TTrackPointSensorInfo *ev = p.FindSensor(QStringLiteral("event")); ev && !ev->val.isEmpty())
        o.raw("<cmt>"), o.raw(xmlText(ev->val)), o.raw("</cmt>");
    if (std::isfinite(p.acc))
        o.raw("<pdop>"), o.fixed(p.acc, 0), o.raw("</pdop>");
    o.raw("</trkpt>\r\n");
}

} // namespace

qint64 TGeoTrack::ExportTrack(QString &FileName, int Format, double TimeZone)
{
    if (FileName.isEmpty())
        return -1;
    if (Format != FormatCsv && Format != FormatGpx)
        throw EZtError(QStringLiteral("Export track: unsupported format [%1]").arg(Format));
    if (QFileInfo(FileName).suffix().isEmpty())
        FileName += Format == FormatCsv ? QStringLiteral(".csv") : QStringLiteral(".gpx");

    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        return -2;
    Out out(file);
    out.raw("\xEF\xBB\xBF", 3);
    if (Format == FormatCsv) {
        out.raw("uid;sys_time;obj_time;src;gps_time;lat;lon;alt;accuracy;speed;angle;bat;sensors;zones;\r\n");
    } else {
        const QByteArray name = xmlText(fSign);
        out.raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\r"
                "<gpx version=\"1.0\" creator=\"Velmora Monitor\" xmlns=\"http://www.topografix.com/GPX/1/0\">\r\n");
        out.raw("<name>"), out.raw(name), out.raw("</name>\r\n");
        out.raw("<trk><name>"), out.raw(name), out.raw("</name><number>1</number><trkseg>\r\n");
    }

    for (const auto &p : fPoints) {
        if (Format == FormatCsv)
            csvLine(out, *p);
        else
            gpxPoint(out, *p, TimeZone);
        if (!out.flushIfFull()) {
            file.cancelWriting();
            return -4;
        }
    }
    if (Format == FormatGpx)
        out.raw("</trkseg></trk>\r\n</gpx>\r\n");
    if (!out.flush() || !file.commit())
        return -4;
    return out.written();
}
