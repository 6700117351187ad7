#include "ZtSmallUtils.h"

namespace {
bool isWs(QChar c) { return c.unicode() <= 32; }

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }
} // namespace

QString TrimWs(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isWs(s[b]))
        ++b;
    while (e > b && isWs(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

QString TrimLeftWs(const QString &s)
{
    qsizetype b = 0;
    while (b < s.size() && isWs(s[b]))
        ++b;
    return s.mid(b);
}

QString TrimRightWs(const QString &s)
{
    qsizetype e = s.size();
    while (e > 0 && isWs(s[e - 1]))
        --e;
    return s.left(e);
}

QString UnescapeStr(const QString &s)
{
    QString r;
    r.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c != u'\\') {
            r += c;
            continue;
        }
        if (i + 1 >= n)
            break; // a final backslash is dropped
        const QChar e = s[i + 1];
        switch (e.unicode()) {
        case '!': r += u'!'; ++i; continue;
        case '"': r += u'"'; ++i; continue;
        case '\\': r += u'\\'; ++i; continue;
        case 'n': r += u'\n'; ++i; continue;
        case 'r': r += u'\r'; ++i; continue;
        case 's': r += u' '; ++i; continue;
        case 't': r += u'\t'; ++i; continue;
        default: break;
        }
        if (e == u'x' && i + 3 < n && hexDigit(s[i + 2]) >= 0 && hexDigit(s[i + 3]) >= 0) {
            r += QChar(hexDigit(s[i + 2]) * 16 + hexDigit(s[i + 3]));
            i += 3;
            continue;
        }
        if (i + 3 < n && isDigit(s[i + 1]) && isDigit(s[i + 2]) && isDigit(s[i + 3])) {
            const int code = (s[i + 1].unicode() - '0') * 100 + (s[i + 2].unicode() - '0') * 10 + (s[i + 3].unicode() - '0');
            r += QChar(code);
            i += 3;
            continue;
        }
        r += c;
        r += e;
        ++i;
    }
    return r;
}

QString UrlEscapeLite(const QString &s)
{
    QString r = s;
    r.replace(u' ', QStringLiteral("%20"));
    r.replace(u'\n', QStringLiteral("%0A"));
    r.replace(u'\r', QStringLiteral("%0D"));
    return r;
}

QString TextBefore(const QString &s, const QString &sub)
{
    const qsizetype p = s.indexOf(sub);
    return p < 0 ? QString() : s.left(p);
}

QString ExtractField(int n, const QString &s, const QString &delimiters)
{
    if (n < 1 || delimiters.isEmpty())
        return QString();
    if (delimiters.size() == 1) {
        const QStringList parts = s.split(delimiters[0]);
        return n <= parts.size() ? parts[n - 1] : QString();
    }
    QStringList fields;
    QString cur;
    bool inSep = false;
    for (const QChar c : s) {
        if (delimiters.contains(c)) {
            if (!inSep)
                fields << cur;
            cur.clear();
            inSep = true;
        } else {
            cur += c;
            inSep = false;
        }
    }
    fields << cur;
    return n <= fields.size() ? fields[n - 1] : QString();
}

int FirstSeparatorPos(const QString &separators, const QString &s)
{
    for (const QChar c : separators) {
        const qsizetype p = s.indexOf(c);
        if (p >= 0)
            return int(p) + 1;
    }
    return -1;
}

QString StripAround(const QString &s, const QString &prefix, const QString &suffix)
{
    QString r = TrimWs(s);
    if (!prefix.isEmpty() && r.startsWith(prefix))
        r.remove(0, prefix.size());
    if (!suffix.isEmpty() && r.endsWith(suffix))
        r.chop(suffix.size());
    return r;
}

QString StripQuotes(const QString &s)
{
    QString r = TrimWs(s);
    if (!r.isEmpty() && (r[0] == u'"' || r[0] == u'\''))
        r.remove(0, 1);
    if (!r.isEmpty() && (r.back() == u'"' || r.back() == u'\''))
        r.chop(1);
    return r;
}

QString RemoveControlChars(const QString &s)
{
    QString r;
    r.reserve(s.size());
    for (const QChar c : s)
        if (c.unicode() >= 32)
            r += c;
    return r;
}

int CountChar(const QString &s, QChar c) { return int(s.count(c)); }

QString ReplaceAll(const QString &s, const QString &oldText, const QString &newText)
{
    if (oldText.isEmpty())
        return s;
    QString r = s;
    return r.replace(oldText, newText, Qt::CaseInsensitive);
}

QString LeftChars(const QString &s, int n)
{
    if (n < 0)
        return s.left(qMax<qsizetype>(0, s.size() + n));
    return s.left(n);
}

QString RightChars(const QString &s, int n)
{
    if (n <= 0)
        return QString();
    return s.right(n);
}

QString DupStr(const QString &s, int n) { return n > 0 ? s.repeated(n) : QString(); }
