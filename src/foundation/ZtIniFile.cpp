#include "ZtIniFile.h"

#include "ZtFiles.h"
#include "ZtSmallUtils.h"

#include <QFileInfo>

namespace {
bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
} // namespace

void TZtIniFile::Open(const QString &fileName)
{
    fFileName = fileName;
    Reload();
}

void TZtIniFile::Reload()
{
    fSections.clear();
    const QString text = ReadTextFile(fFileName, true);
    Section *cur = nullptr;
    for (QString line : text.split(u'\n')) {
        line = TrimWs(line);
        if (line.isEmpty() || line[0] == u';' || line[0] == u'#')
            continue;
        if (line[0] == u'[' && line.endsWith(u']')) {
            const QString name = TrimWs(line.mid(1, line.size() - 2));
            cur = findSection(name);
            if (!cur) {
                fSections.append(Section{name, {}});
                cur = &fSections.last();
            }
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!cur || eq <= 0)
            continue;
        const QString key = TrimWs(line.left(eq));
        const QString value = TrimWs(line.mid(eq + 1));
        bool found = false;
        for (Entry &e : cur->entries)
            if (sameName(e.key, key)) {
                e.value = value;
                found = true;
                break;
            }
        if (!found && !key.isEmpty())
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
    if (k.isEmpty() || sec.isEmpty() || k.contains(u'=') || sec.contains(u']'))
        return false;
    QString v = value;
    v.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    v = TrimWs(v);
    Section *s = findSection(sec);
    if (!s) {
        fSections.append(Section{sec, {}});
        s = &fSections.last();
    }
    bool found = false;
    for (Entry &e : s->entries)
        if (sameName(e.key, k)) {
            e.value = v;
            found = true;
            break;
        }
    if (!found)
        s->entries.append(Entry{k, v});
    return save();
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
    Section *s = findSection(TrimWs(section));
    if (!s)
        return true;
    const qsizetype before = s->entries.size();
    s->entries.removeIf([&](const Entry &e) { return sameName(e.key, TrimWs(key)); });
    return s->entries.size() == before ? true : save();
}

bool TZtIniFile::EraseSection(const QString &section)
{
    const qsizetype before = fSections.size();
    fSections.removeIf([&](const Section &s) { return sameName(s.name, TrimWs(section)); });
    return fSections.size() == before ? true : save();
}

bool TZtIniFile::save()
{
    if (fFileName.isEmpty()) {
        fLastWriteOk = false;
        return false;
    }
    QString text;
    for (const Section &s : fSections) {
        if (!text.isEmpty())
            text += u'\n';
        text += u'[' + s.name + QStringLiteral("]\n");
        for (const Entry &e : s.entries)
            text += e.key + u'=' + e.value + u'\n';
    }
    // WriteTextFile with overwrite goes through QSaveFile: temporary file, then rename.
    fLastWriteOk = WriteTextFile(fFileName, text, true, false) >= 0;
    if (!fLastWriteOk)
        qWarning("Settings file %s could not be written", qPrintable(fFileName));
    return fLastWriteOk;
}
