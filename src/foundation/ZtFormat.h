#pragma once

#include <QString>
#include <QVariantList>

// Fills a format text from a list of values, with the specifiers the log
// lines and the translation texts use:
//   %[index:][-][width][.prec]type, width and prec may be "*" (taken from Args)
//   d i u   an integer (prec = minimum digits)
//   x       an integer in upper-case hexadecimal (prec = minimum digits)
//   f e g n a number: fixed, scientific, general, fixed with thousands
//           separators; prec defaults to 2 for f and n, 15 digits for e and g
//   s       any value as text (prec = maximum length)
//   %%      a percent sign
// A specifier that does not fit its value (a text for %d), a missing value or
// an unknown type fails: TryFormatStr returns false and leaves Result alone.
bool TryFormatStr(const QString &Fmt, const QVariantList &Args, QString &Result);
// The formatted text, or Fmt unchanged when formatting fails.
QString FormatStr(const QString &Fmt, const QVariantList &Args);
// What a TLogCallback receiver writes: Fmt unchanged for ArgCount -1,
// otherwise FormatStr(Fmt, Args).
QString FormatLogText(const QString &Fmt, const QVariantList &Args, int ArgCount);
