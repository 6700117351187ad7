#include "ZtUtils.h"

#include "ZtSmallUtils.h"

#include <cmath>

QString i2s(qint64 value, int width, char radix)
{
    QString r;
    switch (radix) {
    case 'd':
    case 'u':
        r = QString::number(value);
        break;
    case 'x':
    case 'h':
        r = QString::number(quint64(value), 16);
        break;
    case 'X':
        r = QString::number(quint64(value), 16).toUpper();
        break;
    case 'b':
        r = QString::number(quint64(value), 2);
        break;
    default:
        throw EZtError(QStringLiteral("i2s(%1,%2,'%3'): Unsupported radix char ['%3']")
                           .arg(value)
                           .arg(width)
                           .arg(QChar::fromLatin1(radix)));
    }
    if (width > 0 && r.size() < width) {
        // Keep a minus sign in front of the padding.
        if (r.startsWith(u'-'))
            r = u'-' + r.mid(1).rightJustified(width - 1, u'0');
        else
            r = r.rightJustified(width, u'0');
    }
    return r;
}

bool IsNumber(const QString &s, int radix)
{
    if (s.isEmpty())
        return false;
    for (const QChar c : s) {
        const ushort u = c.unicode();
        bool ok = false;
        switch (radix) {
        case 2: ok = u == '0' || u == '1'; break;
        case 8: ok = u >= '0' && u <= '7'; break;
        case 10: ok = u >= '0' && u <= '9'; break;
        case 16: ok = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F'); break;
        default: return false;
        }
        if (!ok)
            return false;
    }
    return true;
}

qint64 ToInt64Def(const QString &s, qint64 def)
{
    bool ok = false;
    const qint64 v = TrimWs(s).toLongLong(&ok, 10);
    return ok ? v : def;
}

qint64 HexToInt(const QString &s)
{
    QString t = s;
    if (t.startsWith(u'x') || t.startsWith(u'X'))
        t.remove(0, 1);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t.remove(0, 2);
    quint64 v = 0;
    for (const QChar c : t) {
        const ushort u = c.unicode();
        int d = 0;
        if (u >= '0' && u <= '9')
            d = u - '0';
        else if (u >= 'a' && u <= 'f')
            d = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            d = u - 'A' + 10;
        v = v * 16 + quint64(d);
    }
    return qint64(v);
}

qint64 StrToIntAuto(const QString &s)
{
    // Only a lower-case "x" or "0x" marks hexadecimal: "X1F" is no number.
    if (s.startsWith(u'x') || s.startsWith(QLatin1String("0x")))
        return HexToInt(s);
    return ToInt64Def(s, 0);
}

QString FloatToStrN(double value, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return QString::number(value, 'f', qMax(0, decimals));
}

double ToFloatDef(const QString &s, double def)
{
    QString t = TrimWs(s);
    t.replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok ? v : def;
}

TColor HtmlToColor(const QString &s, TColor def)
{
    QString t = TrimWs(s);
    if (t.startsWith(u'#'))
        t.remove(0, 1);
    const quint32 rgb = quint32(HexToInt(t.left(6)));
    const TColor c = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    return c == 0 ? def : c;
}

QString ColorToHtml(TColor color)
{
    return u'#' + i2s(color & 0xFF, 2, 'X') + i2s((color >> 8) & 0xFF, 2, 'X') + i2s((color >> 16) & 0xFF, 2, 'X');
}
