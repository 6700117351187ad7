#pragma once

// Reading a track from a file, without a window: a delimited text file (one
// header line of column names, then one point a line) or a GPX 1.0/1.1 file
// (chosen by the file's content). The file is held as loaded; cells are cut
// from a line when asked for, so a large file is not copied into a table of
// texts. MakeTrack turns the rows into a track with the chosen columns.

#include "OSM.GeoTrack.h"
#include "common.h"

#include <QStringList>

#include <array>
#include <memory>
#include <vector>

class TTrackImport
{
public:
    // fdSysTime: the service's time of a message, the time of a row that
    // has no time of its own (a message without a fix).
    enum TField { fdTime, fdLatitude, fdLongitude, fdAltitude, fdAccuracy, fdSpeed, fdBearing, fdSysTime, FieldCount };
    enum TKind { kNone, kDelimited, kGpx };
    using TColumns = std::array<int, FieldCount>; // the file column of each field, -1: none

    // "Time", "Latitude" ... in field order: the names the columns are matched against.
    static const QStringList &FieldNames();

    // TimeZone: the user's offset from UTC in days; Unix seconds and GPX
    // times (UTC) are shifted by it into local time.
    explicit TTrackImport(double TimeZone = 0, TLogCallback Log = {});

    // The longest stretch of a GPX file between two "<": no attribute or text
    // of a track is near it, and one of hundreds of megabytes costs the XML
    // reader gigabytes. A file with a longer one is refused, with the line.
    static constexpr qsizetype MaxGpxNodeBytes = qsizetype(4) << 20;

    // Reads a file (replacing whatever was loaded). A GPX file is read whole
    // here; a malformed one, or one with a text or attribute longer than
    // MaxGpxNodeBytes, loads nothing. Returns the number of data rows,
    // or -1 when the file cannot be read or is malformed (logged).
    int LoadFile(const QString &FileName);
    // Cuts the header of a delimited file at Separator (the text as typed;
    // empty is refused, logged, false). GPX files have fixed columns.
    bool ParseSource(const QString &Separator);

    TKind Kind() const { return fKind; }
    int RowCount() const;
    int ColumnCount() const { return int(fHeaders.size()); }
    const QStringList &Headers() const { return fHeaders; }
    // The text of one cell (empty past the row's end).
    QString Cell(int Row, int Column) const;
    // Cuts one line into cells: a trailing separator makes no extra cell; a
    // cell in double quotes may hold the separator, and "" in it is a quote.
    static void SplitLine(QStringView Line, QStringView Separator, QStringList &Cells);

    // The first column whose name matches each field: lower-cased, the
    // shorter of the two is a prefix of the other; an empty name matches none.
    // A field no name matches takes the column named as the program's own
    // export names it ("gps_time", "angle", "sys_time").
    TColumns GuessColumns() const;
    static bool NameMatches(const QString &Column, const QString &Field);

    // Makes a track of every good row; a bad row (no or unreadable time, a
    // date outside 1990-2100, no position or one out of range) is logged and
    // skipped. A row with an empty time takes the service time of its row;
    // a row whose latitude and longitude are both empty is a point without
    // a fix. An altitude, accuracy or speed outside what a receiver can
    // report (see SaneValue) is read as missing, and counted in one log
    // line; a bearing is reduced modulo 360. Nullptr when no row made a
    // point with a position. ReadTrack and then the track's statistics
    // (UpdateInfo), logged.
    std::unique_ptr<TGeoTrack> MakeTrack(const TColumns &Columns, const QString &Sign, int Style, int Layer);
    // The points of the good rows, without the statistics.
    std::unique_ptr<TGeoTrack> ReadTrack(const TColumns &Columns, const QString &Sign, int Style, int Layer);
    int BadRows() const { return fBadRows; }

    // The value of field Field when it lies in the field's range, else NaN:
    // altitude -12,000..100,000 m, accuracy 0..1,000,000 m, speed
    // 0..20,000 km/h; a bearing reduced modulo 360 (NaN when not finite).
    static double SaneValue(int Field, double Value);

    // The time of a text: Unix seconds (digits only, UTC, shifted by
    // TimeZone) or a date and time (shifted too when it ends in "Z"); NaN when there is none or it lies
    // outside 1990-2100.
    TDateTime ReadTime(QStringView Text) const;
    // A number with "." or ","; NaN when unreadable.
    static double ReadNumber(QStringView Text);
    // The same two of a cell's UTF-8 bytes.
    TDateTime ReadTime(QByteArrayView Cell) const;
    static double ReadNumber(QByteArrayView Cell);

private:
    struct TGpxPoint
    {
        double v[FieldCount];
    };

    void Log(const QString &Text) const;
    int LoadGpx(const QByteArray &Data);
    void Clear();

    double fTimeZone;
    TLogCallback fLog;
    TKind fKind = kNone;
    QByteArrayView Line(int i) const { return QByteArrayView(fData).sliced(fLines[size_t(i)].first, fLines[size_t(i)].second); }
    // Cuts a line of the file at the separator (SplitLine's rule, on bytes);
    // the cells are views into the line or into Owned.
    void SplitBytes(QByteArrayView Line, std::vector<QByteArrayView> &Cells, std::vector<QByteArray> &Owned, qsizetype MaxCells) const;

    QByteArray fData; // delimited: the file's bytes (UTF-8)
    std::vector<std::pair<qsizetype, qsizetype>> fLines; // its non-blank lines (start, length), line 0 the header
    QString fSeparator;
    QByteArray fSeparatorUtf8;
    QStringList fHeaders;
    std::vector<TGpxPoint> fGpx;
    int fBadRows = 0;
};
