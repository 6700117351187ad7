#include "ZtFiles.h"

#include "ZtSmallUtils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextBoundaryFinder>

#include <cstdio>

namespace {
const QByteArray Bom("\xEF\xBB\xBF");

QString decode(const QByteArray &data)
{
    if (data.startsWith(Bom))
        return QString::fromUtf8(data.constData() + 3, data.size() - 3);
    return QString::fromUtf8(data);
}
} // namespace

QString ReadTextFile(const QString &fileName, bool forceUtf8, qint64 maxBytes)
{
    Q_UNUSED(forceUtf8); // the system code page is UTF-8: both read alike
    QFile f(fileName);
    if (fileName.isEmpty() || !f.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray data = maxBytes > 0 ? f.read(maxBytes) : f.readAll();
    return decode(data);
}

qint64 WriteTextFile(const QString &fileName, const QString &text, bool overwrite, bool utf8)
{
    if (fileName.isEmpty())
        return -1;
    QByteArray data = text.toUtf8();
    if (utf8 && overwrite)
        data.prepend(Bom);
    if (overwrite) {
        QSaveFile f(fileName);
        if (!f.open(QIODevice::WriteOnly))
            return -2;
        if (f.write(data) != data.size()) {
            f.cancelWriting();
            return -4;
        }
        return f.commit() ? data.size() : -4;
    }
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return -2;
    if (!f.seek(f.size()))
        return -3;
    const qint64 n = f.write(data);
    if (n != data.size() || !f.flush())
        return -4;
    return n;
}

void AppendLogFile(const QString &fileName, const QString &text, const QString &tag)
{
    QString prefix = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd HHmmss "));
    if (!tag.isEmpty())
        prefix += u'[' + tag + QStringLiteral("] ");
    QString t = text;
    t.remove(u'\n');
    t.replace(u'\r', QStringLiteral("\r\n") + prefix);
    WriteTextFile(fileName, t, false, false);
}

QString ReadFileTail(const QString &fileName, int lines)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    constexpr qint64 Block = 4000;
    const qint64 size = f.size();
    qint64 pos = size;
    QByteArray tail;
    int found = 0;
    // Count line feeds from the end; a final line feed does not start a line.
    qint64 start = 0;
    bool done = false;
    while (pos > 0 && !done) {
        const qint64 len = qMin(Block, pos);
        pos -= len;
        if (!f.seek(pos))
            break;
        const QByteArray block = f.read(len);
        tail.prepend(block);
        for (qint64 i = block.size() - 1; i >= 0; --i) {
            if (block[i] != '\n' || pos + i == size - 1)
                continue;
            if (++found >= lines) {
                start = pos + i + 1;
                done = true;
                break;
            }
        }
    }
    return decode(tail.mid(start - pos));
}

bool TrimFileHead(const QString &fileName, qint64 maxSize)
{
    const qint64 size = FileSizeOf(fileName);
    if (size < 0 || size - maxSize < 10240)
        return false;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.readAll();
    f.close();
    const qint64 cut = size - maxSize;
    // Keep from the first line that does not end within the cut.
    qint64 keep = data.lastIndexOf('\n', cut - 1);
    keep = keep < 0 ? 0 : keep + 1;
    const QFileInfo fi(fileName);
    const QString tmp = fi.path() + u'/' + fi.completeBaseName() + QStringLiteral(".$$$");
    QFile out(tmp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray rest = data.mid(keep);
    if (out.write(rest) != rest.size() || !out.flush()) {
        out.close();
        QFile::remove(tmp);
        return false;
    }
    out.close();
    // rename() replaces the old file in one step, so no reader sees it missing.
    if (std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(fileName).constData()) != 0) {
        QFile::remove(tmp);
        return false;
    }
    return true;
}

qint64 WriteFileAt(const QString &fileName, const char *bytes, qint64 count, qint64 offset)
{
    QFile f(fileName);
    if (fileName.isEmpty() || count < 0 || !f.open(QIODevice::ReadWrite))
        return -1;
    const qint64 pos = offset < 0 ? f.size() + offset : offset;
    if (pos < 0 || !f.seek(pos))
        return -1;
    const qint64 n = f.write(bytes, count);
    return n == count ? n : -1;
}

qint64 WriteFileAt(const QString &fileName, const QByteArray &bytes, qint64 offset)
{
    return WriteFileAt(fileName, bytes.constData(), bytes.size(), offset);
}

qint64 ReadFileAt(const QString &fileName, char *buffer, qint64 count, qint64 offset)
{
    QFile f(fileName);
    if (fileName.isEmpty() || count < 0 || !f.open(QIODevice::ReadOnly))
        return -1;
    const qint64 pos = offset < 0 ? f.size() + offset : offset;
    if (pos < 0 || !f.seek(pos))
        return -1;
    return f.read(buffer, count);
}

QByteArray ReadFileAt(const QString &fileName, qint64 count, qint64 offset)
{
    QByteArray buf(qMax<qint64>(0, count), '\0');
    const qint64 n = ReadFileAt(fileName, buf.data(), buf.size(), offset);
    buf.resize(qMax<qint64>(0, n));
    return buf;
}

qint64 FileSizeOf(const QString &fileName)
{
    QFile f(fileName);
    if (fileName.isEmpty() || !f.open(QIODevice::ReadOnly))
        return -1;
    return f.size();
}

QString NormalizeDir(const QString &path, const QString &base)
{
    QString p = TrimWs(path);
    if (p.isEmpty())
        return p; // never turn "no folder" into the root folder
    p.replace(u'\\', u'/');
    const bool leadingPair = p.startsWith(QLatin1String("//"));
    while (p.contains(QLatin1String("//")))
        p.replace(QLatin1String("//"), QLatin1String("/"));
    if (leadingPair)
        p.prepend(u'/');
    if (!p.endsWith(u'/'))
        p += u'/';
    if (!base.isEmpty() && p.startsWith(QLatin1String("./")))
        p = NormalizeDir(base) + p.mid(2);
    return p;
}

QString ListFiles(const QString &dir, const QString &mask, bool withPath)
{
    QDir d(dir);
    const QStringList names = d.entryList(QStringList{mask}, QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
    const QString prefix = withPath ? NormalizeDir(dir) : QString();
    QStringList out;
    for (const QString &n : names)
        out << prefix + n;
    return out.join(QStringLiteral("\r\n"));
}

namespace {

// Text cut to at most maxChars characters and maxBytes bytes of UTF-8, at a
// boundary between characters as the user sees them (a letter with its
// accents, a pair of surrogates, an emoji sequence stay whole).
QString CutAtCharacter(const QString &text, qsizetype maxChars, qsizetype maxBytes)
{
    if (text.size() <= maxChars && text.toUtf8().size() <= maxBytes)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype keep = 0, bytes = 0;
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) {
        const qsizetype more = QStringView(text).sliced(keep, at - keep).toUtf8().size();
        if (at > maxChars || bytes + more > maxBytes)
            break;
        bytes += more;
        keep = at;
    }
    return text.left(keep);
}

// Trailing dots and blanks vanish on some file systems, and a name of dots
// only means a folder.
QString TrimmedName(QString s)
{
    while (!s.isEmpty() && (s.back() == u'.' || s.back() == u' '))
        s.chop(1);
    while (!s.isEmpty() && (s.front() == u'.' || s.front() == u' '))
        s.remove(0, 1);
    return s;
}

} // namespace

QString SafeFileName(const QString &label, const QString &fallback)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString s;
    s.reserve(label.size());
    for (const QChar c : label) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || refused.contains(c))
            s += u' ';
        else
            s += c;
    }
    s = TrimmedName(CutAtCharacter(s.simplified(), 120, MaxFileNameBytes));
    return s.isEmpty() ? fallback : s;
}

QString ExportFileName(const QString &label, const QString &extension, const QString &fallback)
{
    const QString tail = extension.isEmpty() ? QString() : u'.' + extension;
    const qsizetype room = MaxFileNameBytes - tail.toUtf8().size();
    QString base = TrimmedName(CutAtCharacter(SafeFileName(label, fallback), 120, room));
    if (base.isEmpty())
        base = CutAtCharacter(fallback, 120, room);
    return base + tail;
}
