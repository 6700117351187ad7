// The line form of TZtHash: key/value lines, blocks, sections and includes.
#include "ZtHash.h"

#include "KeyValueLines.h"

#include "ZtFiles.h"
#include "ZtSmallUtils.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
QChar closerOf(QChar opener) { return opener == u'{' ? u'}' : u']'; }

bool isCommentStart(const QString &line) { return IsKeyValueComment(line); }

QStringList splitLines(const QString &text) { return SplitKeyValueLines(text); }

// Drops empty lines and trims the others, as the stored form of a block.
QString normaliseBlock(const QString &value)
{
    QStringList out;
    for (const QString &l : splitLines(value)) {
        const QString t = TrimWs(l);
        if (!t.isEmpty())
            out << t;
    }
    return out.join(u'\r');
}

constexpr int MaxIncludeDepth = 16;

void readWithIncludes(const QString &fName, QStringList &stack, QString &out)
{
    const QFileInfo fi(fName);
    if (!fi.exists() || fi.isDir())
        return;
    const QString text = ReadTextFile(fName);
    for (const QString &raw : splitLines(text)) {
        const QString line = TrimWs(raw);
        if (line.isEmpty())
            continue;
        if (line.size() > 8 && line.left(8).compare(QLatin1String("#include"), Qt::CaseInsensitive) == 0) {
            qsizetype p = 8;
            while (p < line.size() && (line[p] == u'\t' || line[p] == u' ' || line[p] == u'='))
                ++p;
            QString name = line.mid(p);
            if (!name.isEmpty()) {
                const bool hasSep = name.contains(u'/') || name.contains(u'\\');
                name.replace(u'\\', u'/');
                if (!hasSep)
                    name = fi.absolutePath() + u'/' + name;
                const QString canon = QFileInfo(name).absoluteFilePath();
                if (stack.contains(canon)) {
                    qWarning("%s: #include of %s makes a cycle; skipped", qPrintable(fName), qPrintable(name));
                } else if (stack.size() >= MaxIncludeDepth) {
                    qWarning("%s: #include of %s is nested deeper than %d files; skipped", qPrintable(fName),
                             qPrintable(name), MaxIncludeDepth);
                } else {
                    stack << canon;
                    readWithIncludes(name, stack, out);
                    stack.removeLast();
                }
                continue;
            }
        }
        if (isCommentStart(line))
            continue;
        out += line + u'\r';
    }
}
} // namespace

QString ReadTextWithIncludes(const QString &fName)
{
    QStringList stack{QFileInfo(fName).absoluteFilePath()};
    QString out;
    readWithIncludes(fName, stack, out);
    return out;
}

int TZtHash::Load(const QString &fName, bool Overwrite, const QString &Separators)
{
    return Assign(ReadTextWithIncludes(fName), Overwrite, Separators, QStringLiteral("\r"));
}

int TZtHash::AssignCommandLine()
{
    if (!QCoreApplication::instance())
        return 0;
    return AssignCommandLine(QCoreApplication::arguments().mid(1));
}

int TZtHash::Assign(const QString &Data, bool Overwrite, const QString &KeySeparators, const QString &LineSeparators)
{
    QString text = Data;
    if (!text.isEmpty() && (text[0] == u'{' || text[0] == u'[')) {
        const QChar opener = text[0];
        // A text that opens with a section header ("[Main]") is not a
        // bracketed block: stripping its "[" would lose the section.
        const QString firstLine = splitLines(text).first();
        const bool sectionHeader = opener == u'[' && TrimWs(firstLine).endsWith(u']');
        if (!sectionHeader) {
            text = TrimWs(text.mid(1));
            if (text.endsWith(closerOf(opener)))
                text = TrimWs(text.left(text.size() - 1));
        }
    }
    if (LineSeparators != QStringLiteral("\r") && LineSeparators != QStringLiteral("\r\n"))
        for (const QChar c : LineSeparators)
            text.replace(c, u'\r');

    const QStringList lines = splitLines(text);
    int count = 0;
    qsizetype i = 0;
    const qsizetype n = lines.size();
    while (i < n) {
        const QString line = TrimWs(lines[i++]);
        if (line.isEmpty() || isCommentStart(line))
            continue;
        QString key, value;
        SplitKeyValueLine(line, KeySeparators, key, value);
        if (key.isEmpty())
            continue;

        if (!value.isEmpty() && (value[0] == u'{' || value[0] == u'[')) {
            const QChar opener = value[0], closer = closerOf(opener);
            if (!value.endsWith(closer)) {
                int depth = 0;
                while (i < n) {
                    const QString next = TrimWs(lines[i++]);
                    if (next.isEmpty() || next[0] == u'#')
                        continue;
                    value += u'\r' + next;
                    depth += int(next.count(opener)) - int(next.count(closer));
                    if (depth < 0 && value.endsWith(closer))
                        break;
                }
            }
            value = normaliseBlock(value);
        } else if (value.isEmpty() && key.startsWith(u'[') && key.endsWith(u']')) {
            while (i < n) {
                const QString next = TrimWs(lines[i]);
                if (next.isEmpty()) {
                    ++i;
                    break;
                }
                if (next[0] == u'[')
                    break;
                value += next + u'\r';
                ++i;
            }
            value = TrimWs(value);
        }

        if (Overwrite || GetVal(key).isEmpty())
            SetVal(key, value);
        ++count;
    }
    fsorted = false;
    return count;
}
