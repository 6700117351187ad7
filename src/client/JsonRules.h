#pragma once

#include "ZtDates.h"

#include <QString>
#include <QJsonValue>

#include <cstdint>
#include <string_view>

// How the text of a JSON member reads as an integer, a real number or a
// date. Both readers of service answers follow these rules: the common one
// (QJsonObject members, through TVelmoraClient::JsonInt and its siblings)
// and the streaming track reader, which sees the raw tokens instead.
#include <QJsonValue>

namespace JsonRules {

// Reads a JSON text into a value, keeping apart integers and whole numbers
// written with a fraction or an exponent (see IsWholeNonInteger), which
// QJsonDocument merges. Nesting deeper than MaxJsonDepth is refused. False
// with error set on bad JSON.
constexpr int MaxJsonDepth = 256;
bool ParseJson(const char *text, size_t size, QJsonValue &result, QString &error);

// A JSON value keeps no whole double: it becomes an integer. A number
// written with a fraction or an exponent whose value is whole (1.0, 1e2)
// is therefore kept as its text, which reads as that number, never as an
// integer. This tells which literals those are.
bool IsWholeNonInteger(std::string_view literal, double value);

// The text a JSON number reads as in a text member: an integer that fits 64
// bits keeps its digits, a whole number written otherwise its literal (1.0,
// 1e2), any other number its shortest form (2.50 -> "2.5").
QString NumberText(std::string_view literal);
// A number literal without fraction or exponent that fits 64 bits.
bool IsIntegerLiteral(std::string_view literal);

// Decimal digits only; a sign, point, exponent, blank, empty text or
// overflow gives def.
int64_t TextToInt(std::string_view text, int64_t def);
int64_t TextToInt(const QString &text, int64_t def);

// NaN for an empty text; otherwise the number, blanks trimmed and "," taken
// as the decimal point; 0 when unreadable.
double TextToFloat(std::string_view text);
double TextToFloat(const QString &text);

// NaN for an empty text; otherwise the date read by ParseDateTime (through
// its fast path when it can), moved by zone days.
double TextToDate(std::string_view text, double zone);
double TextToDate(const QString &text, double zone);

// A scalar as a streaming reader sees it: the raw text of a string or a
// number literal, "true" or "false", or nothing for null. Each reads as the
// common reader reads the member's value (TVelmoraClient::JsonInt and its
// siblings on a document of the same answer).
enum class Token { String, Number, Bool, Null };
int64_t TokenToInt(std::string_view text, Token kind, int64_t def);
double TokenToFloat(std::string_view text, Token kind);
double TokenToDate(std::string_view text, Token kind, double zone);
QString TokenToText(std::string_view text, Token kind);

// A number literal as the document reader holds it: an integer that fits 64
// bits as an integer, a whole number written otherwise as its text (see
// IsWholeNonInteger), any other number as a double.
QJsonValue NumberValue(std::string_view literal);

} // namespace JsonRules
