#pragma once

#include "ZtDates.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The settings file: an INI file with named sections and keys unique within
// a section, both compared without regard to letter case. Every write goes
// to disk at once and replaces the file atomically (temporary file, then
// rename), so a crash never leaves a truncated file. A missing file reads as
// empty and is created by the first write. Text is UTF-8.
//
// A write changes its own line only: it re-reads the file under a lock file,
// edits that line and replaces the file, so comments, keys added by hand and
// keys written meanwhile by another copy of the program (or another object on
// the same file) stay. Reads answer from what the last read or write saw.
class TZtIniFile
{
public:
    TZtIniFile() = default;
    explicit TZtIniFile(const QString &fileName) { Open(fileName); }

    // Reads the file (missing: empty); later writes go to it.
    void Open(const QString &fileName);
    // Re-reads the file from disk.
    void Reload();
    QString FileName() const { return fFileName; }

    QString ReadString(const QString &section, const QString &key, const QString &def = QString()) const;
    // Line breaks cannot be stored in one INI line; they become spaces. A key
    // the file cannot hold (empty, starting with ";", "#" or "[", holding "="
    // or a line break) or such a section name is refused with false.
    bool WriteString(const QString &section, const QString &key, const QString &value);
    qint64 ReadInteger(const QString &section, const QString &key, qint64 def = 0) const;
    bool WriteInteger(const QString &section, const QString &key, qint64 value);
    // Written as 1 or 0; any integer other than 0 reads true.
    bool ReadBool(const QString &section, const QString &key, bool def = false) const;
    bool WriteBool(const QString &section, const QString &key, bool value);
    // Written as "dd.mm.yyyy hh:nn:ss"; unreadable text gives the default.
    TDateTime ReadDateTime(const QString &section, const QString &key, TDateTime def = NoDateTime) const;
    bool WriteDateTime(const QString &section, const QString &key, TDateTime value);

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    QStringList ReadSections() const;
    // The keys of a section, in file order.
    QStringList ReadSection(const QString &section) const;
    bool DeleteKey(const QString &section, const QString &key);
    bool EraseSection(const QString &section);

    // False when the last write could not be saved (the values stay in memory).
    bool LastWriteOk() const { return fLastWriteOk; }

private:
    struct Entry
    {
        QString key;
        QString value;
    };
    struct Section
    {
        QString name;
        QList<Entry> entries;
    };

    const Section *findSection(const QString &name) const;
    Section *findSection(const QString &name);
    void parse();
    // Applies an edit of the file's lines to the file as it is on disk now.
    bool update(const std::function<void(QStringList &)> &edit);

    QString fFileName;
    QStringList fLines; // the file's lines as last read or written
    QList<Section> fSections;
    bool fLastWriteOk = true;
};
