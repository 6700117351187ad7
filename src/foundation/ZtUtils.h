#pragma once

#include <QString>
#include <QtGlobal>

#include <stdexcept>

// Colours are 32-bit values with red in the low byte (blue-green-red order).
using TColor = quint32;

// Thrown only by i2s for a radix it does not know: that is a programming error.
class EZtError : public std::runtime_error
{
public:
    explicit EZtError(const QString &msg) : std::runtime_error(msg.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// Radix 'd'/'u' decimal, 'x'/'h' lower-case hex, 'X' upper-case hex, 'b' binary;
// a width of 1 or more pads on the left with zeros and never cuts.
QString i2s(qint64 value, int width = 0, char radix = 'd');
// Digits of radix 2, 8, 10 or 16 only; no sign, no point; empty is false.
bool IsNumber(const QString &s, int radix = 10);
qint64 ToInt64Def(const QString &s, qint64 def);
// A leading "x" or "0x" is skipped; any non-hex character counts as 0.
qint64 HexToInt(const QString &s);
// Hexadecimal after "x" or "0x", decimal otherwise (0 when unreadable).
qint64 StrToIntAuto(const QString &s);
// Fixed notation with "." and exactly that many decimals; NaN gives "NaN".
QString FloatToStrN(double value, int decimals);
// Accepts "," as the decimal separator too.
double ToFloatDef(const QString &s, double def);
// "#RRGGBB" (the "#" optional) to a colour; the default when the result is 0.
TColor HtmlToColor(const QString &s, TColor def);
QString ColorToHtml(TColor color);
