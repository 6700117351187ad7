#include "KeyValueLines.h"

#include "ZtSmallUtils.h"

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
        Into.SetVal(key, value);
        ++count;
    }
    return count;
}
