// The simple JSON form of TZtHash: a line-oriented reader for flat and lightly
// nested objects, as the service's and the devices' answers use them.
#include "ZtHash.h"
#include "ZtVectorState.h"

#include "ZtSmallUtils.h"

namespace {
QString stripOneQuote(const QString &s)
{
    QString r = TrimWs(s);
    if (!r.isEmpty() && (r[0] == u'"' || r[0] == u'\''))
        r.remove(0, 1);
    if (!r.isEmpty() && (r.back() == u'"' || r.back() == u'\''))
        r.chop(1);
    return r;
}
} // namespace

int TZtHash::AssignJson(const QString &Json, bool Clean)
{
    ClearUpperVectorState(); // text scanning in plain SSE, see ZtVectorState.h
    if (Clean)
        Clear();
    QString text = TrimWs(Json);
    if (text.isEmpty())
        return 0;

    int count = 0;
    if (text[0] == u'[') {
        // An array of objects: each "{...}" up to its first "}" is one element.
        qsizetype start = -1;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (start < 0 && text[i] == u'{') {
                start = i;
            } else if (start >= 0 && text[i] == u'}') {
                SetVal(QString::number(count++), text.mid(start, i - start + 1));
                start = -1;
            }
        }
        return count;
    }

    if (text.startsWith(u'{'))
        text.remove(0, 1);
    if (text.endsWith(u'}'))
        text.chop(1);
    bool inQuotes = false;
    for (QChar &c : text) {
        if (c == u'"')
            inQuotes = !inQuotes;
        else if (c == u',' && !inQuotes)
            c = u'\n';
    }
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    t.replace(u'\n', u'\r');
    const QStringList lines = t.split(u'\r');

    qsizetype i = 0;
    const qsizetype n = lines.size();
    while (i < n) {
        const QString line = TrimWs(lines[i++]);
        if (line.isEmpty() || line[0] == u'#' || line[0] == u'/' || line[0] == u';')
            continue;
        QString key, value;
        const qsizetype p = line.indexOf(u':');
        if (p >= 0) {
            key = TrimWs(line.left(p));
            value = TrimWs(line.mid(p + 1));
        } else {
            key = line;
        }
        if (key.isEmpty())
            continue;

        if (!value.isEmpty() && (value[0] == u'{' || value[0] == u'[')) {
            const QChar opener = value[0], closer = opener == u'{' ? u'}' : u']';
            if (!value.endsWith(closer)) {
                int depth = 0;
                while (i < n) {
                    const QString next = TrimWs(lines[i++]);
                    if (next.isEmpty())
                        continue;
                    value += u'\r' + next;
                    depth += int(next.count(opener)) - int(next.count(closer));
                    if (depth < 0 && value.endsWith(closer))
                        break;
                }
            }
            if (opener == u'{') {
                TZtHash inner;
                inner.AssignJson(value, true);
                value = u'{' + inner.AsText(QStringLiteral("="), QStringLiteral("\r\n")) + u'}';
            } else {
                value.remove(u'\n');
                value.remove(u'[');
                value.remove(u']');
                value = u'[' + TrimWs(value).replace(u'\r', u',') + u']';
            }
        }

        if (value == QLatin1String("null"))
            value.clear();
        key = stripOneQuote(key);
        value = UnescapeStr(stripOneQuote(value));
        SetVal(key, value);
        ++count;
    }
    return count;
}
