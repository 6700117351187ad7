// CSV and GPX export of TGeoTrack.
//
// Tracks run to a million points, so lines are formatted straight into a
// byte buffer instead of through QString; the texts are the same as those of
// FormatDateTimeNaN and FloatToStrN (the tests compare them).

#include "OSM.GeoTrack.h"

#include "DayNumber.h"
#include "ZtDates.h"
#include "ZtUtils.h"
#include "ZtVectorState.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <charconv>
#include <limits>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr int FormatCsv = 1;
constexpr int FormatGpx = 2;
// 0001-01-01 and 9999-12-31 as day numbers; outside them the generic
// formatter is used, as the writing below assumes four-digit years.
constexpr double FirstFastDay = -693593.0;
constexpr double LastFastDay = 2958465.0;

void put2(char *p, int v)
{
    p[0] = char('0' + v / 10 % 10);
    p[1] = char('0' + v % 10);
}

void put4(char *p, int v)
{
    put2(p, v / 100);
    put2(p + 2, v % 100);
}

// "hh:nn:ss" of a millisecond of the day.
void putTimeOfDay(char *p, qint64 ms)
{
    put2(p, int(ms / 3600000));
    p[2] = ':';
    put2(p + 3, int(ms / 60000 % 60));
    p[5] = ':';
    put2(p + 6, int(ms / 1000 % 60));
}

// Fixed notation as QString::number(v, 'f', decimals) writes it, which is
// what FloatToStrN uses: the exact binary value rounded to the decimals, an
// exact tie away from zero, and no sign on a negative zero. Returns the
// length, or 0 when the caller should fall back to FloatToStrN.
//
// The usual case is done in integers: v = m * 2^e, so v * 10^d = m * 10^d
// * 2^e, whose integer part and remainder are exact in 128 bits. This is
// several times faster than std::to_chars with a precision, and it rounds
// ties the way Qt does (std::to_chars rounds them to even).
constexpr char Digits2[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";

size_t formatFixed(char *buf, size_t size, double v, int decimals)
{
    static constexpr unsigned long long Pow10[16] = {
        1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull, 100000000ull,
        1000000000ull, 10000000000ull, 100000000000ull, 1000000000000ull, 10000000000000ull,
        100000000000000ull, 1000000000000000ull};
    if (v == 0.0)
        v = 0.0;
    decimals = std::max(decimals, 0);
    if (std::isfinite(v) && decimals <= 15) {
        const auto bits = std::bit_cast<unsigned long long>(v);
        const int biased = int((bits >> 52) & 0x7FF);
        const unsigned long long frac = bits & ((1ull << 52) - 1);
        const unsigned long long m = biased ? (frac | (1ull << 52)) : frac;
        const int e = (biased ? biased : 1) - 1075;
        if (e <= 0 && e >= -120) {
            const unsigned __int128 prod = (unsigned __int128)m * Pow10[decimals];
            unsigned __int128 q = prod;
            if (e < 0) {
                const int sh = -e;
                q = prod >> sh;
                const unsigned __int128 rem = prod - (q << sh);
                if (rem >= ((unsigned __int128)1 << (sh - 1)))
                    ++q; // half and above: up in magnitude
            }
            if (q <= std::numeric_limits<unsigned long long>::max() && size >= 48) {
                unsigned long long u = (unsigned long long)q;
                char digits[24]; // least significant first
                int nd = 0;
                while (u >= 100) {
                    const unsigned r = unsigned(u % 100);
                    u /= 100;
                    digits[nd++] = Digits2[2 * r + 1];
                    digits[nd++] = Digits2[2 * r];
                }
                if (u >= 10) {
                    digits[nd++] = Digits2[2 * u + 1];
                    digits[nd++] = Digits2[2 * u];
                } else {
                    digits[nd++] = char('0' + u);
                }
                while (nd < decimals + 1)
                    digits[nd++] = '0';
                size_t pos = 0;
                if (v < 0)
                    buf[pos++] = '-';
                for (int i = nd - 1; i >= decimals; --i)
                    buf[pos++] = digits[i];
                if (decimals > 0) {
                    buf[pos++] = '.';
                    for (int i = decimals - 1; i >= 0; --i)
                        buf[pos++] = digits[i];
                }
                return pos;
            }
        }
    }
    if (std::isfinite(v)) {
        // Large values are whole numbers (no ties), tiny ones round to zero.
        const auto r = std::to_chars(buf, buf + size, v, std::chars_format::fixed, decimals);
        return r.ec == std::errc() ? size_t(r.ptr - buf) : 0;
    }
    return 0;
}

bool fastDate(double value)
{
    return value >= FirstFastDay && value < LastFastDay + 1.0;
}

class Out
{
public:
    explicit Out(QSaveFile &f) : fFile(f), fBuf(new char[Capacity]) {}

    void raw(const char *s, size_t n)
    {
        if (n > Capacity - fPos) {
            if (!flush() || n > Capacity) {
                writeDirect(s, n);
                return;
            }
        }
        std::memcpy(fBuf.get() + fPos, s, n);
        fPos += n;
    }
    void raw(const char *s) { raw(s, std::strlen(s)); }
    void raw(const QByteArray &b) { raw(b.constData(), size_t(b.size())); }
    void ch(char c)
    {
        if (fPos == Capacity)
            flush();
        fBuf[fPos++] = c;
    }
    // Makes room for n more bytes, for the formatters that write in place.
    void room(size_t n)
    {
        if (n > Capacity - fPos)
            flush();
    }

    void integer(qint64 v)
    {
        room(24);
        const auto r = std::to_chars(fBuf.get() + fPos, fBuf.get() + Capacity, v);
        fPos = size_t(r.ptr - fBuf.get());
    }
    // As FloatToStrN: fixed decimals, "." separator, "NaN" for NaN.
    void fixed(double v, int decimals)
    {
        if (std::isnan(v)) {
            raw("NaN", 3);
            return;
        }
        room(400);
        const size_t n = formatFixed(fBuf.get() + fPos, 400, v, decimals);
        if (n > 0)
            fPos += n;
        else
            raw(FloatToStrN(v, decimals).toUtf8());
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
        qint64 ms = 0;
        const qint64 days = SplitDateTime(v, ms);
        // Points of one track mostly share their day: format it once.
        if (days != fLocalDay) {
            int year, month, day;
            DecodeDay(days, year, month, day);
            put2(fLocalDate, day), fLocalDate[2] = '.', put2(fLocalDate + 3, month), fLocalDate[5] = '.';
            put4(fLocalDate + 6, year), fLocalDate[10] = ' ';
            fLocalDay = days;
        }
        room(19);
        char *p = fBuf.get() + fPos;
        std::memcpy(p, fLocalDate, 11);
        putTimeOfDay(p + 11, ms);
        fPos += 19;
    }
    // "yyyy-mm-ddThh:nn:ssZ" of a UTC time.
    void isoTime(double utc)
    {
        if (!fastDate(utc)) {
            raw(DateTimeToIso(utc, 0).toUtf8());
            return;
        }
        qint64 ms = 0;
        const qint64 days = SplitDateTime(utc, ms);
        if (days != fIsoDay) {
            int year, month, day;
            DecodeDay(days, year, month, day);
            put4(fIsoDate, year), fIsoDate[4] = '-', put2(fIsoDate + 5, month), fIsoDate[7] = '-';
            put2(fIsoDate + 8, day), fIsoDate[10] = 'T';
            fIsoDay = days;
        }
        room(20);
        char *p = fBuf.get() + fPos;
        std::memcpy(p, fIsoDate, 11);
        putTimeOfDay(p + 11, ms);
        p[19] = 'Z';
        fPos += 20;
    }

    // Writes what has gathered once it is large; false on a write error.
    bool flushIfFull() { return fOk && (fPos < Capacity / 2 || flush()); }
    bool flush()
    {
        if (fPos > 0)
            writeDirect(fBuf.get(), fPos);
        ClearUpperVectorState(); // after Qt's file code
        fPos = 0; // after a failure the bytes are dropped; the export is cancelled anyway
        return fOk;
    }
    qint64 written() const { return fWritten; }

private:
    static constexpr size_t Capacity = 2 << 20;

    void writeDirect(const char *s, size_t n)
    {
        if (!fOk)
            return;
        const qint64 w = fFile.write(s, qint64(n));
        if (w != qint64(n))
            fOk = false;
        else
            fWritten += w;
    }

    QSaveFile &fFile;
    std::unique_ptr<char[]> fBuf;
    size_t fPos = 0;
    qint64 fWritten = 0;
    bool fOk = true;
    qint64 fLocalDay = std::numeric_limits<qint64>::min();
    char fLocalDate[11] = {};
    qint64 fIsoDay = std::numeric_limits<qint64>::min();
    char fIsoDate[11] = {};
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
        // Parkings are places, not messages: waypoints ahead of the track,
        // as the schema orders them.
        int number = 0;
        for (const TTrackParking &k : fParkings) {
            if (std::isnan(k.Center.Lat) || std::isnan(k.Center.Long))
                continue;
            out.raw("<wpt lat=\""), out.fixed(k.Center.Lat, 6), out.raw("\" lon=\""), out.fixed(k.Center.Long, 6),
                out.raw("\">");
            if (std::isfinite(k.Start - TimeZone))
                out.raw("<time>"), out.isoTime(k.Start - TimeZone), out.raw("</time>");
            out.raw("<name>Parking "), out.raw(QByteArray::number(++number)), out.raw("</name>");
            out.raw("<cmt>"), out.raw(DurationToStr(k.Duration, 2).trimmed().toUtf8()), out.raw("</cmt>");
            out.raw("<desc>"), out.raw(FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), k.Start).toUtf8()),
                out.raw(" - "), out.raw(FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), k.End).toUtf8()),
                out.raw("</desc>");
            out.raw("<sym>Parking</sym></wpt>\r\n");
        }
        out.raw("<trk><name>"), out.raw(name), out.raw("</name><number>1</number><trkseg>\r\n");
    }

    // Number formatting is arithmetic-bound (see ZtVectorState.h); each flush
    // clears the state again after Qt's file code.
    ClearUpperVectorState();
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
