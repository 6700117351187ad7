#pragma once

#include <QDateTime>
#include <QByteArrayView>
#include <QString>

#include <limits>
#include <string_view>

// Days since 1899-12-30, the fraction being the time of day; NaN means no time.
using TDateTime = double;

inline constexpr TDateTime NoDateTime = std::numeric_limits<double>::quiet_NaN();
// 1970-01-01 00:00 as a TDateTime.
inline constexpr TDateTime UnixDateDelta = 25569.0;

bool IsNoDateTime(TDateTime value);

// Encoders return false (and leave the result alone) for impossible values.
bool TryEncodeDate(int year, int month, int day, TDateTime &result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime &result);
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0);

// Conversions to and from Qt, both in local wall-clock terms (no zone applied).
QDateTime DateTimeToQDateTime(TDateTime value);
TDateTime QDateTimeToDateTime(const QDateTime &dt);
// The computer's wall clock, in its own zone: for log stamps and timeouts.
TDateTime Now();
// The present as a local time of a zone Zone days east of UTC, whatever
// zone the computer is in. Every "now" and "today" of the account's times
// is this, with the account's zone.
TDateTime NowInZone(double Zone);
TDateTime UnixToDateTime(qint64 seconds);

// The one reader of date-time texts: dd.mm.yyyy, mm/dd/yyyy, yyyy-mm-dd or
// yyyymmdd, then hh:nn[:ss[:zzz]], hh:nn:ss.zzz or a trailing hhnnss. Zone
// letters and offsets are not read. 0 when nothing could be read.
TDateTime ParseDateTime(const QString &text);
// As ParseDateTime; ok tells whether a date or a time was actually read.
TDateTime ParseDateTime(const QString &text, bool *ok);
// The fast paths beside ParseDateTime, for readers of many dates; both read
// the fixed shapes without regular expressions, and false sends the caller
// to ParseDateTime.
// The service's usual form, "yyyy-mm-ddThh:nn:ss" (or a blank for the "T")
// with an optional "Z", read from UTF-8 without building a text: the same
// result as ParseDateTime. False for any other form.
bool ParseIsoDateTimeFast(std::string_view text, TDateTime &result);
// The shapes of nearly every imported file: "yyyy-mm-dd[T ]hh:nn:ss" and
// "dd.mm.yyyy hh:nn:ss", then an optional fraction (read to milliseconds,
// which ParseDateTime drops) and an optional "Z". False for any other form
// and for an impossible date or time.
bool ParseDateTimeFast(QStringView text, TDateTime &result);
// The same over UTF-8 bytes.
bool ParseDateTimeFast(QByteArrayView text, TDateTime &result);
// Decimal digits only are Unix seconds (UTC, no zone applied).
TDateTime ParseDateTimeOrUnix(const QString &text);

// Pattern letters: yyyy yy mm m dd d hh h nn n ss s zzz z ("mm" right after
// an hour, as in "hh:mm", is minutes); text in quotes is copied; other
// characters are copied. NaN gives "NaN".
QString FormatDateTimeNaN(const QString &format, TDateTime value);
// An empty format means "dd.mm.yyyy hh:nn:ss".
QString FormatDateTimeDef(const QString &format, TDateTime value);
// (value - zone) as yyyy-mm-ddThh:nn:ssZ, zone in days; empty for NaN.
QString DateTimeToIso(TDateTime value, double zone);
// Mode 1 hh:nn, 2 "1h 5m 3s", 3 "1h 5m ", otherwise hh:nn:ss.
QString DurationToStr(qint64 seconds, int mode = 0);
