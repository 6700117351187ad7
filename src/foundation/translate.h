#pragma once

#include "ZtHash.h"

#include <QHash>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <stdexcept>

// Raised by loading; the start-up turns it into the fatal "Load translation:" box.
class ETranslationError : public std::runtime_error
{
public:
    explicit ETranslationError(const QString &msg) : std::runtime_error(msg.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// One language file and, behind it, the defaults file that supplies every key
// the language lacks. A file has the sections [Info] (lang=display name),
// [Strings] (message keys) and one per window, named after the window's
// component name, with keys such as Caption, <control>_text, _hint,
// _columns, _label, _texthint and _items.
class TTranslation
{
public:
    TTranslation();
    ~TTranslation();
    TTranslation(const TTranslation &) = delete;
    TTranslation &operator=(const TTranslation &) = delete;

    // Empties the language part (the defaults stay).
    void Clear();
    // Throws ETranslationError for an empty name, a missing file, or a file
    // without lang= in [Info].
    void Load(const QString &LangFn);
    void LoadDefaults(const QString &LangFn);

    QString Lang() const { return fInfo.GetVal(QStringLiteral("lang")); }
    QString FileName() const { return fFileName; }

    // Message text of a key of [Strings]; "$key" refers to another key. A key
    // that neither file has is fatal (exit code 99).
    QString GetString(const QString &Sig);
    // The same, formatted; the unformatted text when formatting fails.
    QString GetString(const QString &Sig, const QVariantList &Args);
    // Window key: the window's section, then [Strings], then the defaults,
    // then Def (trimmed). Empty everywhere with an empty Def is fatal.
    // Controls pass Def = " " so that a missing key leaves them unchanged.
    QString GetString(const QString &Frm, const QString &Sig, const QString &Def);
    QString GetString(const QString &Frm, const QString &Sig, const QString &Def, const QVariantList &Args);

    // Non-fatal lookup of a message key (through the defaults; no $-resolution).
    bool HasString(const QString &Sig) const;
    // The entries of a window's section, parsed on first use.
    const TZtHash &Section(const QString &Frm);
    const TZtHash &Info() const { return fInfo; }
    const TZtHash &Strings() const { return fStrings; }
    TTranslation *Defaults() const { return fDefaults.get(); }

private:
    QString findString(const QString &Sig) const;
    static QString resolveReference(const QString &text, const std::function<QString(const QString &)> &find);
    QString findWindowString(const QString &Frm, const QString &Sig);

    std::unique_ptr<TTranslation> fDefaults;
    QString fLangFile;
    QString fFileName;
    TZtHash fInfo;
    TZtHash fStrings;
    QHash<QString, TZtHash> fSections;
};

// The file-format rules, shared with the language discovery.
// The body of section [name] (case-insensitive), lines trimmed, joined by CR.
QString TranslationSectionText(const QString &text, const QString &name);
// Body lines "key=value" (not ";" or "#") into the store.
void ParseTranslationEntries(const QString &sectionText, TZtHash &into);
// The first body line whose left part (cut at any of separators) equals key,
// ignoring case; def when there is none.
QString TranslationValue(const QString &sectionText, const QString &key, const QString &separators, const QString &def = QString());

// Lists the *.txt files of dir whose first 100 bytes hold [Info] with lang=:
// key = base name, value = language name, hint = full path. The file named
// exactly "defaults" is never listed.
int DiscoverLanguages(const QString &dir, TZtHintHash &languages);
