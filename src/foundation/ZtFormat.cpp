#include "ZtFormat.h"


#include <cmath>

namespace {
bool isIntegerType(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isFloatType(const QVariant &v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

bool isTextual(const QVariant &v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray || v.typeId() == QMetaType::QChar;
}

QString withMinDigits(QString digits, int prec)
{
    const bool neg = digits.startsWith(u'-');
    if (neg)
        digits.remove(0, 1);
    if (prec > digits.size())
        digits = digits.rightJustified(prec, u'0');
    return neg ? u'-' + digits : digits;
}

QString groupThousands(const QString &fixed)
{
    const bool neg = fixed.startsWith(u'-');
    QString body = neg ? fixed.mid(1) : fixed;
    const qsizetype dot = body.indexOf(u'.');
    QString intPart = dot < 0 ? body : body.left(dot);
    const QString frac = dot < 0 ? QString() : body.mid(dot);
    for (qsizetype i = intPart.size() - 3; i > 0; i -= 3)
        intPart.insert(i, u',');
    return (neg ? QStringLiteral("-") : QString()) + intPart + frac;
}
} // namespace

bool TryFormatStr(const QString &Fmt, const QVariantList &Args, QString &Result)
{
    QString out;
    qsizetype argIndex = 0;
    const qsizetype n = Fmt.size();
    qsizetype i = 0;

    auto readNumber = [&](int &value, bool &star) {
        value = -1;
        star = false;
        if (i < n && Fmt[i] == u'*') {
            star = true;
            ++i;
            return;
        }
        int v = -1;
        while (i < n && Fmt[i].isDigit()) {
            v = (v < 0 ? 0 : v * 10) + Fmt[i].digitValue();
            if (v > 100000)
                v = 100000; // a runaway width must not allocate gigabytes
            ++i;
        }
        value = v;
    };
    auto takeInt = [&](int &value) {
        if (argIndex >= Args.size() || !isIntegerType(Args[argIndex]))
            return false;
        value = qBound(-100000, Args[argIndex++].toInt(), 100000);
        return true;
    };

    while (i < n) {
        const QChar c = Fmt[i++];
        if (c != u'%') {
            out += c;
            continue;
        }
        if (i >= n)
            return false;
        if (Fmt[i] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        int num = -1;
        bool star = false;
        readNumber(num, star);
        if (i < n && Fmt[i] == u':') {
            // An explicit argument index.
            ++i;
            if (star && !takeInt(num))
                return false;
            if (num < 0)
                num = 0;
            argIndex = num;
            readNumber(num, star);
        }
        bool left = false;
        if (num < 0 && !star && i < n && Fmt[i] == u'-') {
            left = true;
            ++i;
            readNumber(num, star);
        }
        int width = num;
        if (star && !takeInt(width))
            return false;
        int prec = -1;
        if (i < n && Fmt[i] == u'.') {
            ++i;
            readNumber(prec, star);
            if (star && !takeInt(prec))
                return false;
            if (prec < 0)
                prec = 0;
        }
        if (i >= n)
            return false;
        const QChar type = Fmt[i++].toLower();
        if (argIndex >= Args.size())
            return false;
        const QVariant &arg = Args[argIndex++];

        QString piece;
        switch (type.unicode()) {
        case 'd':
        case 'i':
        case 'u':
            if (!isIntegerType(arg))
                return false;
            piece = withMinDigits(type == u'u' ? QString::number(arg.toULongLong()) : QString::number(arg.toLongLong()), prec);
            break;
        case 'x':
            if (!isIntegerType(arg))
                return false;
            piece = withMinDigits(QString::number(arg.toULongLong(), 16).toUpper(), prec);
            break;
        case 'f':
        case 'e':
        case 'g':
        case 'n': {
            if (!isFloatType(arg) && !isIntegerType(arg))
                return false;
            const double v = arg.toDouble();
            if (std::isnan(v)) {
                piece = QStringLiteral("NAN");
            } else if (type == u'f') {
                piece = QString::number(v, 'f', prec < 0 ? 2 : prec);
            } else if (type == u'n') {
                piece = groupThousands(QString::number(v, 'f', prec < 0 ? 2 : prec));
            } else if (type == u'e') {
                piece = QString::number(v, 'E', prec < 0 ? 14 : qMax(0, prec - 1));
            } else {
                piece = QString::number(v, 'g', prec < 0 ? 15 : qMax(1, prec));
            }
            break;
        }
        case 's':
            if (!isTextual(arg) && !arg.canConvert<QString>())
                return false;
            piece = arg.toString();
            if (prec >= 0)
                piece.truncate(prec);
            break;
        default:
            return false;
        }
        if (width > piece.size())
            piece = left ? piece.leftJustified(width, u' ') : piece.rightJustified(width, u' ');
        out += piece;
    }
    Result = out;
    return true;
}

QString FormatStr(const QString &Fmt, const QVariantList &Args)
{
    QString r;
    return TryFormatStr(Fmt, Args, r) ? r : Fmt;
}

QString FormatLogText(const QString &Fmt, const QVariantList &Args, int ArgCount)
{
    return ArgCount < 0 ? Fmt : FormatStr(Fmt, Args);
}
