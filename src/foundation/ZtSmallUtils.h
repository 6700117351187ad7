#pragma once

#include <QString>
#include <QStringList>

// Text helpers shared by every subsystem. "White space" here is any character
// with code 32 or below, which is what the file formats and the service treat
// as blanks; QString::trimmed() would also strip Unicode spaces.

QString TrimWs(const QString &s);
QString TrimLeftWs(const QString &s);
QString TrimRightWs(const QString &s);

// Decodes \! \" \\ \n \r \s \t \xHH and \DDD; an unknown escape is kept as is,
// a lone backslash at the end is dropped.
QString UnescapeStr(const QString &s);
// Only spaces, LF and CR are escaped (for device command texts in URLs).
QString UrlEscapeLite(const QString &s);
// The text before the first occurrence of sub; empty when sub is absent.
QString TextBefore(const QString &s, const QString &sub);
// Field n (from 1). One delimiter: every delimiter separates, so empty fields
// count. Several delimiters: a run of them counts as one separator.
QString ExtractField(int n, const QString &s, const QString &delimiters);
// Position (from 1) of the first of the separators, tried in order, that
// occurs in the text; -1 when none does.
int FirstSeparatorPos(const QString &separators, const QString &s);
QString StripAround(const QString &s, const QString &prefix, const QString &suffix);
QString StripQuotes(const QString &s);
QString RemoveControlChars(const QString &s);
int CountChar(const QString &s, QChar c);
// Replaces every occurrence, ignoring letter case.
QString ReplaceAll(const QString &s, const QString &oldText, const QString &newText);
// A negative n means all but the last -n characters.
QString LeftChars(const QString &s, int n);
QString RightChars(const QString &s, int n);
QString DupStr(const QString &s, int n);
