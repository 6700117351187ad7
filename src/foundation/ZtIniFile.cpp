#include "ZtIniFile.h"

#include "ZtFiles.h"
#include "ZtSmallUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace {
bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool hasLineBreak(const QString &s) { return s.contains(u'\n') || s.contains(u'\r'); }

// A section header "[name]" (line trimmed).
bool headerName(const QString &line, QString *name)
{
    if (line.isEmpty() || line[0] != u'[' || !line.endsWith(u']'))
        return false;
    *name = TrimWs(line.mid(1, line.size() - 2));
    return true;
}

// A "key=value" line (trimmed, not a comment, not a header); the key trimmed.
bool entryKey(const QString &line, QString *key)
{
    if (line.isEmpty() || line[0] == u';' || line[0] == u'#' || line[0] == u'[')
        return false;
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0)
        return false;
    *key = TrimWs(line.left(eq));
    return !key->isEmpty();
}

QStringList splitLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Calls visit(index, key) for every entry line of every section named sec.
// visit returns false to remove the line.
template <typename Visit>
void forEachEntry(QStringList &lines, const QString &sec, Visit visit)
{
    bool in = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString t = TrimWs(lines[i]);
        QString name, key;
        if (headerName(t, &name))
            in = sameName(name, sec);
        else if (in && entryKey(t, &key) && !visit(i, key))
            lines.removeAt(i--);
    }
}

void setEntry(QStringList &lines, const QString &sec, const QString &key, const QString &value)
{
    bool done = false;
    forEachEntry(lines, sec, [&](qsizetype i, const QString &k) {
        if (!sameName(k, key))
            return true;
        if (done)
            return false; // a later duplicate would hide the new value
        lines[i] = k + u'=' + value;
        done = true;
        return true;
    });
    if (done)
        return;
    // A new key goes after the last non-empty line of the first section of
    // that name, so blank lines between sections stay where they were.
    qsizetype at = -1;
    bool in = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString t = TrimWs(lines[i]);
        QString name;
        if (headerName(t, &name)) {
            if (at >= 0)
                break;
            in = sameName(name, sec);
            if (in)
                at = i + 1;
        } else if (in && !t.isEmpty()) {
            at = i + 1;
        }
    }
    if (at >= 0) {
        lines.insert(at, key + u'=' + value);
        return;
    }
    if (!lines.isEmpty() && !TrimWs(lines.last()).isEmpty())
        lines.append(QString());
    lines.append(u'[' + sec + u']');
    lines.append(key + u'=' + value);
}

void eraseSection(QStringList &lines, const QString &sec)
{
    bool in = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString name;
        if (headerName(TrimWs(lines[i]), &name))
            in = sameName(name, sec);
        if (in)
            lines.removeAt(i--);
    }
}
} // namespace

void TZtIniFile::Open(const QString &fileName)
{
    fFileName = fileName;
    Reload();
}

void TZtIniFile::Reload()
{
    fLines = splitLines(ReadTextFile(fFileName, true));
    parse();
}

void TZtIniFile::parse()
{
    fSections.clear();
    Section *cur = nullptr;
    for (const QString &raw : std::as_const(fLines)) {
        const QString line = TrimWs(raw);
        QString name, key;
        if (headerName(line, &name)) {
            cur = findSection(name);
            if (!cur) {
                fSections.append(Section{name, {}});
                cur = &fSections.last();
            }
            continue;
        }
        if (!cur || !entryKey(line, &key))
            continue;
        const QString value = TrimWs(line.mid(line.indexOf(u'=') + 1));
        bool found = false;
        for (Entry &e : cur->entries)
            if (sameName(e.key, key)) {
                e.value = value;
                found = true;
                break;
            }
        if (!found)
            cur->entries.append(Entry{key, value});
    }
}

const TZtIniFile::Section *TZtIniFile::findSection(const QString &name) const
{
    for (const Section &s : fSections)
        if (sameName(s.name, name))
            return &s;
    return nullptr;
}

TZtIniFile::Section *TZtIniFile::findSection(const QString &name)
{
    for (Section &s : fSections)
        if (sameName(s.name, name))
            return &s;
    return nullptr;
}

QString TZtIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    if (const Section *s = findSection(section))
        for (const Entry &e : s->entries)
            if (sameName(e.key, TrimWs(key)))
                return e.value;
    return def;
}

bool TZtIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const QString k = TrimWs(key);
    const QString sec = TrimWs(section);
    if (k.isEmpty() || k[0] == u';' || k[0] == u'#' || k[0] == u'[' || k.contains(u'=') || hasLineBreak(k))
        return false;
    if (sec.isEmpty() || sec.contains(u']') || hasLineBreak(sec))
        return false;
    QString v = value;
    v.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    v = TrimWs(v);
    return update([&](QStringList &lines) { setEntry(lines, sec, k, v); });
}

qint64 TZtIniFile::ReadInteger(const QString &section, const QString &key, qint64 def) const
{
    const QString v = ReadString(section, key);
    bool ok = false;
    const qint64 r = v.toLongLong(&ok);
    return ok ? r : def;
}

bool TZtIniFile::WriteInteger(const QString &section, const QString &key, qint64 value)
{
    return WriteString(section, key, QString::number(value));
}

bool TZtIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TZtIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

TDateTime TZtIniFile::ReadDateTime(const QString &section, const QString &key, TDateTime def) const
{
    const QString v = ReadString(section, key);
    bool ok = false;
    const TDateTime r = ParseDateTime(v, &ok);
    return ok ? r : def;
}

bool TZtIniFile::WriteDateTime(const QString &section, const QString &key, TDateTime value)
{
    return WriteString(section, key, IsNoDateTime(value) ? QString() : FormatDateTimeDef(QString(), value));
}

bool TZtIniFile::SectionExists(const QString &section) const { return findSection(TrimWs(section)) != nullptr; }

bool TZtIniFile::ValueExists(const QString &section, const QString &key) const
{
    if (const Section *s = findSection(TrimWs(section)))
        for (const Entry &e : s->entries)
            if (sameName(e.key, TrimWs(key)))
                return true;
    return false;
}

QStringList TZtIniFile::ReadSections() const
{
    QStringList r;
    for (const Section &s : fSections)
        r << s.name;
    return r;
}

QStringList TZtIniFile::ReadSection(const QString &section) const
{
    QStringList r;
    if (const Section *s = findSection(TrimWs(section)))
        for (const Entry &e : s->entries)
            r << e.key;
    return r;
}

bool TZtIniFile::DeleteKey(const QString &section, const QString &key)
{
    const QString k = TrimWs(key);
    return update([&](QStringList &lines) { forEachEntry(lines, TrimWs(section), [&](qsizetype, const QString &e) { return !sameName(e, k); }); });
}

bool TZtIniFile::EraseSection(const QString &section)
{
    return update([&](QStringList &lines) { eraseSection(lines, TrimWs(section)); });
}

bool TZtIniFile::update(const std::function<void(QStringList &)> &edit)
{
    if (fFileName.isEmpty()) {
        edit(fLines);
        parse();
        fLastWriteOk = false;
        return false;
    }
    // The lock keeps two writers from reading the same old text; when it
    // cannot be had (a folder we may not write to), the write goes on and
    // fails or succeeds on its own.
    QLockFile lock(fFileName + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(2000);
    const QFileInfo fi(fFileName);
    QStringList lines = fLines;
    if (fi.exists()) {
        QFile probe(fFileName);
        if (!probe.open(QIODevice::ReadOnly)) {
            // Writing now would drop every line we cannot see.
            edit(fLines);
            parse();
            fLastWriteOk = false;
            qWarning("Settings file %s could not be read; nothing written", qPrintable(fFileName));
            return false;
        }
        probe.close();
        lines = splitLines(ReadTextFile(fFileName, true));
    }
    const QStringList before = lines;
    edit(lines);
    fLines = lines;
    parse();
    if (lines == before) {
        fLastWriteOk = true;
        return true;
    }
    // WriteTextFile with overwrite goes through QSaveFile: temporary file, then rename.
    fLastWriteOk = WriteTextFile(fFileName, lines.isEmpty() ? QString() : lines.join(u'\n') + u'\n', true, false) >= 0;
    if (locked)
        lock.unlock();
    if (!fLastWriteOk)
        qWarning("Settings file %s could not be written", qPrintable(fFileName));
    return fLastWriteOk;
}
