#pragma once

#include <QByteArray>
#include <QString>

// Text files: a UTF-8 byte-order mark is honoured and skipped; text without
// one is read as UTF-8 too, the system code page here. Invalid bytes become
// replacement characters, never an error. A missing file reads as empty.
QString ReadTextFile(const QString &fileName, bool forceUtf8 = false, qint64 maxBytes = 0);
// Overwrite replaces the file atomically; otherwise the text is appended
// (the file created when missing). With utf8 and overwrite a byte-order mark
// comes first. Returns the bytes written, or -1 no name, -2 cannot open,
// -3 cannot seek, -4 write failed.
qint64 WriteTextFile(const QString &fileName, const QString &text, bool overwrite = true, bool utf8 = false);
// Appends the text with every CR turned into a new line that starts with the
// local time "yyyymmdd hhnnss " and "[tag] ".
void AppendLogFile(const QString &fileName, const QString &text, const QString &tag = QString());
// The last lines of a text file, read backwards in blocks.
QString ReadFileTail(const QString &fileName, int lines = 99999);
// When the file is at least 10240 bytes over maxSize, drops the whole lines
// that end within its first (size - maxSize) bytes; true when it trimmed.
bool TrimFileHead(const QString &fileName, qint64 maxSize);
// A negative offset counts from the end. The writer creates a missing file.
// Results are byte counts, or -1.
qint64 WriteFileAt(const QString &fileName, const char *bytes, qint64 count, qint64 offset);
qint64 WriteFileAt(const QString &fileName, const QByteArray &bytes, qint64 offset);
qint64 ReadFileAt(const QString &fileName, char *buffer, qint64 count, qint64 offset);
QByteArray ReadFileAt(const QString &fileName, qint64 count, qint64 offset);
// Size in bytes, -1 when the file cannot be opened.
qint64 FileSizeOf(const QString &fileName);
// Trims, turns "\" into "/", collapses doubled separators (a leading pair
// stays), adds a final "/", and replaces a leading "./" by base when given.
QString NormalizeDir(const QString &path, const QString &base = QString());
// Entry names of dir matching mask (folders, "." and ".." included when the
// mask matches them), joined by CR LF, each with dir in front when withPath.
QString ListFiles(const QString &dir, const QString &mask, bool withPath = false);
// The longest file name of the usual file systems, in bytes (of UTF-8 on
// Linux): a longer one cannot be created at all.
constexpr qsizetype MaxFileNameBytes = 255;
// A file name made from a label (an object's name, a period): drops "/",
// "\", ":", "*", "?", "\"", "<", ">", "|" and control characters, which file
// systems refuse, squeezes blanks, trims blanks and dots at the ends and
// keeps at most 120 characters and MaxFileNameBytes bytes, cut between two
// characters as the user sees them (never inside one, nor between a letter
// and its accent); Fallback when nothing is left.
QString SafeFileName(const QString &label, const QString &fallback = QStringLiteral("export"));
// The whole name of an export file: SafeFileName of the label, shortened by
// the same rule where needed so that with "." and the extension it takes at
// most MaxFileNameBytes bytes.
QString ExportFileName(const QString &label, const QString &extension, const QString &fallback = QStringLiteral("export"));
