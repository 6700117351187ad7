#include "TrackImport.h"

#include "Bearing.h"
#include "ZtDates.h"
#include "ZtUtils.h"

#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// 1 January 1990 and 1 January 2101 as day numbers.
const TDateTime FirstDay = EncodeDateTime(1990, 1, 1);
const TDateTime PastLastDay = EncodeDateTime(2101, 1, 1);
constexpr int MaxLoggedBadRows = 50;

// The delimited file is kept and cut as UTF-8 bytes (half the memory of
// UTF-16, and no conversion of the whole file); the readers below take
// either form, so that the table's texts and the track's numbers follow one
// rule. A cell that is not plain ASCII goes to the general readers as text.
template <typename Ch>
inline bool IsSpace(Ch c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Plain decimals ("-12.345"), the form nearly every cell has, read exactly
// without the locale machinery: a mantissa below 2^53 divided by an exact
// power of ten is the correctly rounded value. Anything else: false.
template <typename Ch>
bool FastNumber(const Ch *s, qsizetype n, double &out)
{
    static constexpr double Pow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    qsizetype i = 0;
    bool negative = false;
    if (i < n && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    quint64 mantissa = 0;
    int digits = 0, decimals = -1;
    for (; i < n; ++i) {
        const Ch c = s[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 15)
                return false;
            mantissa = mantissa * 10 + quint64(c - '0');
            if (decimals >= 0)
                ++decimals;
        } else if ((c == '.' || c == ',') && decimals < 0)
            decimals = 0;
        else
            return false;
    }
    if (digits == 0)
        return false;
    double v = double(mantissa);
    if (decimals > 0)
        v /= Pow10[decimals];
    out = negative ? -v : v;
    return true;
}

QStringView Unquoted(QStringView s)
{
    s = s.trimmed();
    if (s.size() >= 2 && s.front() == u'"' && s.back() == u'"')
        s = s.mid(1, s.size() - 2);
    return s;
}

// The same for bytes, trimming ASCII white space only: a cell with other
// white space fails the fast readers and is read as text.
QByteArrayView Unquoted(QByteArrayView s)
{
    qsizetype a = 0, b = s.size();
    while (a < b && IsSpace(s[a]))
        ++a;
    while (b > a && IsSpace(s[b - 1]))
        --b;
    if (b - a >= 2 && s[a] == '"' && s[b - 1] == '"') {
        ++a;
        --b;
    }
    return s.sliced(a, b - a);
}

template <typename Ch>
struct TTextKind;
template <>
struct TTextKind<char16_t>
{
    using View = QStringView;
    using Owned = QString;
    static Owned Make(const char16_t *d, qsizetype n) { return QString(reinterpret_cast<const QChar *>(d), n); }
    static void Unescape(QString &s) { s.replace(QStringLiteral("\"\""), QStringLiteral("\"")); }
    static void Append(QString &s, const char16_t *d, qsizetype n) { s.append(reinterpret_cast<const QChar *>(d), n); }
};
template <>
struct TTextKind<char>
{
    using View = QByteArrayView;
    using Owned = QByteArray;
    static Owned Make(const char *d, qsizetype n) { return QByteArray(d, n); }
    static void Unescape(QByteArray &s) { s.replace("\"\"", "\""); }
    static void Append(QByteArray &s, const char *d, qsizetype n) { s.append(d, n); }
};

// Cuts one line into cells: a trailing separator makes no extra cell; a
// cell in double quotes may hold the separator, and "" in it is a quote
// (unescaped into Owned, which the cell's view then points into). Stops
// after MaxCells cells when that is not negative.
template <typename Ch>
void SplitCells(const Ch *d, qsizetype n, const Ch *sep, qsizetype sepLen, std::vector<typename TTextKind<Ch>::View> &Cells,
                std::vector<typename TTextKind<Ch>::Owned> &Owned, qsizetype MaxCells)
{
    using K = TTextKind<Ch>;
    using V = typename K::View;
    Cells.clear();
    Owned.clear();
    if (sepLen == 0) {
        Cells.push_back(V(d, n));
        return;
    }
    const bool blankSeparator = sepLen == 1 && sep[0] == ' ';
    // Cells are short: a plain loop costs less than a library search set up
    // for every cell.
    auto find = [&](qsizetype from) -> qsizetype {
        if (sepLen == 1) {
            for (qsizetype k = from; k < n; ++k)
                if (d[k] == sep[0])
                    return k;
            return -1;
        }
        for (qsizetype k = from; k + sepLen <= n; ++k)
            if (d[k] == sep[0] && std::equal(sep + 1, sep + sepLen, d + k + 1))
                return k;
        return -1;
    };
    qsizetype i = 0;
    while (MaxCells < 0 || qsizetype(Cells.size()) < MaxCells) {
        qsizetype lead = i;
        while (lead < n && d[lead] == ' ' && !blankSeparator)
            ++lead;
        qsizetype j;
        if (lead < n && d[lead] == '"') {
            // A quoted cell: up to the closing quote, "" standing for one.
            qsizetype k = lead + 1;
            qsizetype close = -1;
            bool escaped = false;
            while (k < n) {
                if (d[k] == '"') {
                    if (k + 1 < n && d[k + 1] == '"') {
                        escaped = true;
                        k += 2;
                        continue;
                    }
                    close = k++;
                    break;
                }
                ++k;
            }
            j = find(close < 0 ? i : k);
            const qsizetype end = j < 0 ? n : j;
            if (close < 0) // no closing quote: the text as it stands
                Cells.push_back(V(d + i, end - i));
            else if (!escaped && end == k)
                Cells.push_back(V(d + lead + 1, close - lead - 1));
            else {
                typename K::Owned cell = K::Make(d + lead + 1, close - lead - 1);
                K::Unescape(cell);
                K::Append(cell, d + k, end - k);
                Owned.push_back(std::move(cell)); // a moved string keeps its buffer: views stay valid
                Cells.push_back(V(Owned.back()));
            }
        } else {
            j = find(i);
            Cells.push_back(V(d + i, (j < 0 ? n : j) - i));
        }
        if (j < 0)
            break;
        i = j + sepLen;
        if (i >= n) // a separator at the very end makes no extra cell
            break;
    }
}
} // namespace

const QStringList &TTrackImport::FieldNames()
{
    static const QStringList names{QStringLiteral("Time"),     QStringLiteral("Latitude"), QStringLiteral("Longitude"),
                                   QStringLiteral("Altitude"), QStringLiteral("Accuracy"), QStringLiteral("Speed"),
                                   QStringLiteral("Bearing"),  QStringLiteral("Service time")};
    return names;
}

TTrackImport::TTrackImport(double TimeZone, TLogCallback Log)
    : fTimeZone(std::isnan(TimeZone) ? 0 : TimeZone), fLog(std::move(Log))
{
}

void TTrackImport::Log(const QString &Text) const
{
    if (fLog)
        fLog(Text, {}, -1);
}

void TTrackImport::Clear()
{
    fKind = kNone;
    fData.clear();
    fLines.clear();
    fHeaders.clear();
    fGpx.clear();
    fBadRows = 0;
}

int TTrackImport::LoadFile(const QString &FileName)
{
    Clear();
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly)) {
        Log(QStringLiteral("\rX: cannot read ") + FileName + QStringLiteral(": ") + f.errorString());
        return -1;
    }
    QByteArray data = f.readAll();
    // The byte-order mark is stepped over, not cut off (that would copy the file).
    const qsizetype bom = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    // The content decides: an XML document whose root is gpx.
    const QByteArray head = QByteArrayView(data).sliced(bom, std::min<qsizetype>(4096, data.size() - bom)).trimmed().toByteArray();
    if (head.startsWith('<') && head.contains("<gpx"))
        return LoadGpx(QByteArrayView(data).sliced(bom).toByteArray());

    fKind = kDelimited;
    // The bytes are kept whole; lines are places in them, so that a large
    // file is not cut into a million separate strings.
    fData = std::move(data);
    const char *const text = fData.constData();
    const qsizetype size = fData.size();
    fLines.reserve(size_t(size / 64 + 1));
    qsizetype from = bom;
    while (from < size) {
        const void *nl = std::memchr(text + from, '\n', size_t(size - from));
        const qsizetype to = nl ? static_cast<const char *>(nl) - text : size;
        qsizetype len = to - from;
        if (len > 0 && text[from + len - 1] == '\r')
            --len;
        // Blank lines go; the others keep their blanks and tabs, which may be
        // the separator or empty cells. Nearly every line starts with
        // something that is plainly no white space.
        const unsigned char c0 = len > 0 ? static_cast<unsigned char>(text[from]) : 0;
        if (len > 0 && ((c0 < 0x80 && !IsSpace(char(c0))) || !QString::fromUtf8(text + from, len).trimmed().isEmpty()))
            fLines.push_back({from, len});
        from = to + 1;
    }
    Log(QStringLiteral("\r%1 lines loaded").arg(fLines.size()));
    return RowCount();
}

int TTrackImport::LoadGpx(const QByteArray &Data)
{
    // Every attribute and text lies between a "<" and the next one: the
    // longest such stretch bounds them all, found before the XML reader
    // holds any of it.
    const char *const begin = Data.constData(), *const end = begin + Data.size();
    for (const char *from = begin; from < end;) {
        const void *lt = std::memchr(from, '<', size_t(end - from));
        const char *to = lt ? static_cast<const char *>(lt) : end;
        if (to - from > MaxGpxNodeBytes) {
            const qsizetype line = 1 + QByteArrayView(begin, from - begin).count('\n');
            Clear();
            Log(QStringLiteral("\rX: GPX line %1: a text or attribute longer than %2 MB").arg(line).arg(MaxGpxNodeBytes >> 20));
            return -1;
        }
        from = to + 1;
    }
    QXmlStreamReader xml(Data);
    TGpxPoint pt{};
    bool inPoint = false;
    bool hasCourse = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name == u"trkpt") {
                inPoint = true;
                hasCourse = false;
                for (double &v : pt.v)
                    v = NaN;
                const auto attrs = xml.attributes();
                pt.v[fdLatitude] = ReadNumber(attrs.value(QLatin1String("lat")));
                pt.v[fdLongitude] = ReadNumber(attrs.value(QLatin1String("lon")));
            } else if (inPoint) {
                // Children are found by name at any depth, so that a speed
                // kept in the extensions of GPX 1.1 is read too.
                if (name == u"time") {
                    const QString t = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                    TDateTime v = NaN;
                    if (ParseDateTimeFast(t, v))
                        v += fTimeZone;
                    else {
                        const QDateTime q = QDateTime::fromString(t, Qt::ISODateWithMs);
                        if (q.isValid())
                            v = QDateTimeToDateTime(q.toUTC()) + fTimeZone;
                    }
                    pt.v[fdTime] = v;
                } else if (name == u"ele")
                    pt.v[fdAltitude] = ReadNumber(xml.readElementText(QXmlStreamReader::SkipChildElements));
                else if (name == u"speed")
                    pt.v[fdSpeed] = ReadNumber(xml.readElementText(QXmlStreamReader::SkipChildElements));
                else if (name == u"course") {
                    pt.v[fdBearing] = ReadNumber(xml.readElementText(QXmlStreamReader::SkipChildElements));
                    hasCourse = true;
                } else if (name == u"magvar" && !hasCourse)
                    pt.v[fdBearing] = ReadNumber(xml.readElementText(QXmlStreamReader::SkipChildElements));
                else if (name == u"pdop")
                    pt.v[fdAccuracy] = ReadNumber(xml.readElementText(QXmlStreamReader::SkipChildElements));
            }
        } else if (token == QXmlStreamReader::EndElement && inPoint && xml.name() == u"trkpt") {
            inPoint = false;
            fGpx.push_back(pt);
        }
    }
    if (xml.hasError()) {
        const QString msg = QStringLiteral("GPX line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        Clear();
        Log(QStringLiteral("\rX: ") + msg);
        return -1;
    }
    fKind = kGpx;
    fHeaders = {QStringLiteral("time"),     QStringLiteral("latitude"), QStringLiteral("longitude"), QStringLiteral("altitude"),
                QStringLiteral("accuracy"), QStringLiteral("speed"),    QStringLiteral("bearing")};
    Log(QStringLiteral("\rGPX: %1 track points loaded").arg(fGpx.size()));
    return RowCount();
}

bool TTrackImport::ParseSource(const QString &Separator)
{
    if (fKind == kGpx) {
        Log(QStringLiteral("\rParsed: columns:%1 lines:%2").arg(fHeaders.size()).arg(RowCount()));
        return true;
    }
    if (fLines.empty()) {
        Log(QStringLiteral("\rX: No data"));
        return false;
    }
    // A separator of nothing would cut nowhere (or everywhere).
    if (Separator.isEmpty()) {
        Log(QStringLiteral("\rX: Empty separator"));
        return false;
    }
    fSeparator = Separator;
    fSeparatorUtf8 = Separator.toUtf8();
    SplitLine(QString::fromUtf8(Line(0)), fSeparator, fHeaders);
    for (QString &h : fHeaders)
        h = h.trimmed();
    Log(QStringLiteral("\rParsed: columns:%1 lines:%2").arg(fHeaders.size()).arg(RowCount()));
    return true;
}

int TTrackImport::RowCount() const
{
    if (fKind == kGpx)
        return int(fGpx.size());
    return fLines.empty() ? 0 : int(fLines.size() - 1);
}

void TTrackImport::SplitLine(QStringView Line, QStringView Separator, QStringList &Cells)
{
    std::vector<QStringView> views;
    std::vector<QString> owned;
    SplitCells(Line.utf16(), Line.size(), Separator.utf16(), Separator.size(), views, owned, -1);
    Cells.clear();
    for (QStringView v : views)
        Cells.append(v.toString());
}

void TTrackImport::SplitBytes(QByteArrayView Line, std::vector<QByteArrayView> &Cells, std::vector<QByteArray> &Owned,
                              qsizetype MaxCells) const
{
    SplitCells(Line.data(), Line.size(), fSeparatorUtf8.constData(), fSeparatorUtf8.size(), Cells, Owned, MaxCells);
}

QString TTrackImport::Cell(int Row, int Column) const
{
    if (Row < 0 || Row >= RowCount() || Column < 0)
        return QString();
    if (fKind == kGpx) {
        if (Column >= FieldCount)
            return QString();
        const double v = fGpx[size_t(Row)].v[Column];
        if (std::isnan(v))
            return QString();
        if (Column == fdTime || Column == fdSysTime)
            return FormatDateTimeDef(QStringLiteral("dd.mm.yyyy hh:nn:ss"), v);
        return FloatToStrN(v, Column == fdLatitude || Column == fdLongitude ? 6 : 2);
    }
    std::vector<QByteArrayView> cells;
    std::vector<QByteArray> owned;
    SplitBytes(Line(Row + 1), cells, owned, qsizetype(Column) + 1);
    return size_t(Column) < cells.size() ? QString::fromUtf8(cells[size_t(Column)]) : QString();
}

bool TTrackImport::NameMatches(const QString &Column, const QString &Field)
{
    if (Column.isEmpty() || Field.isEmpty())
        return false;
    const qsizetype n = std::min(Column.size(), Field.size());
    return QStringView(Column).left(n).compare(QStringView(Field).left(n), Qt::CaseInsensitive) == 0;
}

TTrackImport::TColumns TTrackImport::GuessColumns() const
{
    // The names of the program's own CSV export, for the fields whose names
    // they do not start with.
    static const QStringList ownNames[FieldCount] = {{QStringLiteral("gps_time")}, {}, {}, {}, {}, {},
                                                     {QStringLiteral("angle")},     {QStringLiteral("sys_time")}};
    TColumns cols;
    for (int f = 0; f < FieldCount; ++f) {
        cols[f] = -1;
        for (int c = 0; c < fHeaders.size() && cols[f] < 0; ++c)
            if (NameMatches(fHeaders.at(c), FieldNames().at(f)))
                cols[f] = c;
        for (int c = 0; c < fHeaders.size() && cols[f] < 0; ++c)
            if (ownNames[f].contains(fHeaders.at(c), Qt::CaseInsensitive))
                cols[f] = c;
    }
    return cols;
}

double TTrackImport::ReadNumber(QStringView Text)
{
    Text = Unquoted(Text);
    if (Text.isEmpty())
        return NaN;
    bool ok = false;
    double v;
    if (FastNumber(Text.utf16(), Text.size(), v))
        return v;
    if (Text.contains(u','))
        v = Text.toString().replace(u',', u'.').toDouble(&ok);
    else
        v = Text.toDouble(&ok);
    return ok && std::isfinite(v) ? v : NaN;
}

double TTrackImport::SaneValue(int Field, double Value)
{
    const auto within = [Value](double lo, double hi) { return Value >= lo && Value <= hi ? Value : NaN; };
    switch (Field) {
    case fdAltitude: return within(-12000, 100000);
    case fdAccuracy: return within(0, 1000000);
    case fdSpeed: return within(0, 20000);
    case fdBearing: return NormalBearing(Value);
    default: return Value;
    }
}

TDateTime TTrackImport::ReadTime(QStringView Text) const
{
    Text = Unquoted(Text);
    if (Text.isEmpty())
        return NaN;
    TDateTime v = NaN;
    bool digits = true;
    for (const QChar c : Text)
        if (!c.isDigit()) {
            digits = false;
            break;
        }
    if (digits) {
        bool ok = false;
        const qint64 s = Text.toLongLong(&ok);
        // Unix seconds are UTC, like every other time of the service.
        if (ok)
            v = UnixToDateTime(s) + fTimeZone;
    } else if (!ParseDateTimeFast(Text, v)) {
        bool ok = false;
        v = ParseDateTime(Text.toString(), &ok);
        if (!ok)
            v = NaN;
    }
    // A time marked as UTC is shifted like the service's times.
    if (!digits && Text.endsWith(u'Z'))
        v += fTimeZone;
    // A time without a date, or a number that was no Unix time in seconds.
    if (!(v >= FirstDay && v < PastLastDay))
        return NaN;
    return v;
}

double TTrackImport::ReadNumber(QByteArrayView Cell)
{
    const QByteArrayView t = Unquoted(Cell);
    double v;
    if (FastNumber(t.data(), t.size(), v))
        return v;
    return t.isEmpty() ? NaN : ReadNumber(QString::fromUtf8(Cell));
}

TDateTime TTrackImport::ReadTime(QByteArrayView Cell) const
{
    const QByteArrayView t = Unquoted(Cell);
    TDateTime v = NaN;
    // Unix seconds (UTC): digits only, not too many for a number.
    if (!t.isEmpty() && t.size() <= 18 && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        qint64 sec = 0;
        for (const char c : t)
            sec = sec * 10 + (c - '0');
        v = UnixToDateTime(sec) + fTimeZone;
        return v >= FirstDay && v < PastLastDay ? v : NaN;
    }
    if (!ParseDateTimeFast(t, v))
        return t.isEmpty() ? NaN : ReadTime(QString::fromUtf8(Cell));
    // As the text reader does: a time marked as UTC is shifted, and only
    // 1990-2100 counts.
    if (t.endsWith('Z'))
        v += fTimeZone;
    return v >= FirstDay && v < PastLastDay ? v : NaN;
}

std::unique_ptr<TGeoTrack> TTrackImport::MakeTrack(const TColumns &Columns, const QString &Sign, int Style, int Layer)
{
    std::unique_ptr<TGeoTrack> track = ReadTrack(Columns, Sign, Style, Layer);
    if (!track)
        return nullptr;
    track->UpdateInfo();
    const TGeoTrackInfo &i = track->Info();
    Log(QStringLiteral("\rTrack info:"));
    Log(QStringLiteral("\r  distance: %1").arg(i.Distance, 0, 'f', 2));
    Log(QStringLiteral("\r  sys duration: %1").arg(i.SysDuration));
    Log(QStringLiteral("\r  obj duration: %1").arg(i.ObjDuration));
    Log(QStringLiteral("\r  gps duration: %1").arg(i.GpsDuration));
    return track;
}

std::unique_ptr<TGeoTrack> TTrackImport::ReadTrack(const TColumns &Columns, const QString &Sign, int Style, int Layer)
{
    Log(QStringLiteral("\rMake track [%1]").arg(Sign));
    fBadRows = 0;
    auto track = std::make_unique<TGeoTrack>();
    track->SetSign(Sign);
    track->SetLayer(quint8(std::clamp(Layer, 0, 9)));
    track->SetStyle(GeoTrackStyle(Style));
    TTrackPointList &pts = track->Points();
    const int rows = RowCount();
    pts.reserve(size_t(rows));
    std::vector<QByteArrayView> cells;
    std::vector<QByteArray> owned;
    // Cells after the last chosen column are not cut.
    const qsizetype needed = *std::max_element(Columns.begin(), Columns.end()) + 1;
    double v[FieldCount];
    // Nothing in a cell: empty, or "NaN" as the program's own export writes a
    // value it has not got.
    auto isBlank = [](QByteArrayView Cell) {
        const QByteArrayView c = Unquoted(Cell);
        return c.isEmpty() || QByteArrayView("NaN").compare(c, Qt::CaseInsensitive) == 0;
    };
    bool positioned = false;
    int outOfRange = 0; // altitudes, accuracies and speeds read as missing
    for (int r = 0; r < rows; ++r) {
        QString error;
        bool fromSys = false, noFix = false;
        if (fKind == kGpx) {
            for (int f = 0; f < FieldCount; ++f)
                v[f] = Columns[f] >= 0 && Columns[f] < FieldCount ? fGpx[size_t(r)].v[Columns[f]] : NaN;
            // A GPX point may lack its time; a time it has must be sound.
            const double t = v[fdTime];
            if (!std::isnan(t) && !(t >= FirstDay && t < PastLastDay))
                error = QStringLiteral("bad time");
        } else {
            SplitBytes(Line(r + 1), cells, owned, std::max<qsizetype>(needed, 1));
            auto cell = [&](int f) -> QByteArrayView {
                const int c = Columns[f];
                return c >= 0 && size_t(c) < cells.size() ? cells[size_t(c)] : QByteArrayView();
            };
            v[fdTime] = ReadTime(cell(fdTime));
            for (int f = fdLatitude; f <= fdBearing; ++f)
                v[f] = ReadNumber(cell(f));
            v[fdSysTime] = ReadTime(cell(fdSysTime));
            const bool noTime = isBlank(cell(fdTime));
            if (std::isnan(v[fdTime]) && noTime && !std::isnan(v[fdSysTime]))
                fromSys = true; // no time of its own: the service's
            else if (std::isnan(v[fdTime]))
                error = noTime ? QStringLiteral("no data") : QStringLiteral("bad time");
            noFix = isBlank(cell(fdLatitude)) && isBlank(cell(fdLongitude)) && Columns[fdLatitude] >= 0
                    && Columns[fdLongitude] >= 0;
        }
        const double lat = v[fdLatitude], lon = v[fdLongitude];
        if (error.isEmpty() && !noFix) {
            if (std::isnan(lat) || std::isnan(lon) || lat == 0 || lon == 0)
                error = QStringLiteral("no data");
            else if (std::fabs(lat) > 90 || std::fabs(lon) > 180)
                error = QStringLiteral("bad position");
        }
        if (!error.isEmpty()) {
            ++fBadRows;
            if (fBadRows <= MaxLoggedBadRows)
                Log(QStringLiteral("\rX[%1]: %2").arg(r + 1).arg(error));
            continue;
        }
        for (int f : {fdAltitude, fdAccuracy, fdSpeed}) {
            const double sane = SaneValue(f, v[f]);
            if (std::isnan(sane) && !std::isnan(v[f]))
                ++outOfRange;
            v[f] = sane;
        }
        auto p = std::make_unique<TTrackPointInfo>(0, 0);
        // The file's time is the device's; the service's only when the file
        // has it (the program's own export).
        p->sys_dt = v[fdSysTime];
        p->obj_dt = fromSys ? v[fdSysTime] : v[fdTime];
        p->gps_dt = fromSys ? NaN : v[fdTime];
        p->lat = noFix ? NaN : lat;
        p->lon = noFix ? NaN : lon;
        positioned = positioned || !noFix;
        p->alt = v[fdAltitude];
        p->acc = v[fdAccuracy];
        p->speed = v[fdSpeed];
        p->angle = SaneValue(fdBearing, v[fdBearing]);
        pts.push_back(std::move(p));
    }
    if (fBadRows > MaxLoggedBadRows)
        Log(QStringLiteral("\rX: %1 bad rows skipped in all").arg(fBadRows));
    if (outOfRange > 0)
        Log(QStringLiteral("\rX: %1 values out of range read as missing").arg(outOfRange));
    Log(QStringLiteral("\r  == %1 track points").arg(pts.size()));
    // Messages without a fix alone draw nothing.
    if (pts.empty() || !positioned)
        return nullptr;
    return track;
}
