#include "KeyValueLines.h"

#include "ZtSmallUtils.h"

#include <QHash>

QStringList SplitKeyValueLines(const QString &Text)
{
    QString t = Text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    t.replace(u'\n', u'\r');
    return t.split(u'\r');
}

bool IsKeyValueComment(const QString &Line)
{
    return !Line.isEmpty() && (Line[0] == u'#' || Line[0] == u'/' || Line[0] == u';');
}

void SplitKeyValueLine(const QString &Line, const QString &Separators, QString &Key, QString &Value)
{
    Key = Line;
    Value.clear();
    for (const QChar sep : Separators) {
        const qsizetype p = Line.indexOf(sep);
        if (p >= 0) {
            Key = TrimWs(Line.left(p));
            Value = TrimWs(Line.mid(p + 1));
            return;
        }
    }
}

int AssignFlat(TZtHash &Into, const QString &Text, const QString &KeySeparators)
{
    // The store finds a key by scanning; a device's answer may hold tens of
    // thousands of keys, so they are found here through an index instead and
    // appended in order.
    struct TBuilder : TZtHash
    {
        using TZtHash::AppendRaw;
    };
    TBuilder out;
    static_cast<TZtHash &>(out) = Into;
    QHash<QString, int> index;
    index.reserve(out.Count());
    for (int i = 0; i < out.Count(); ++i)
        index.insert(ZtHashFoldKey(out.GetKey(i)), i);
    const bool mark = Text.startsWith(QChar(0xFEFF));
    int count = 0;
    for (const QString &raw : SplitKeyValueLines(mark ? Text.mid(1) : Text)) {
        const QString line = TrimWs(raw);
        if (line.isEmpty() || IsKeyValueComment(line))
            continue;
        QString key, value;
        SplitKeyValueLine(line, KeySeparators, key, value);
        if (key.isEmpty())
            continue;
        const QString folded = ZtHashFoldKey(key);
        if (const auto it = index.constFind(folded); it != index.constEnd()) {
            out.SetValByIndex(*it, value);
        } else {
            index.insert(folded, out.Count());
            out.AppendRaw(key, TrimRightWs(value));
        }
        ++count;
    }
    Into = static_cast<const TZtHash &>(out);
    return count;
}
