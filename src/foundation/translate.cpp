#include "translate.h"

#include "ZtFiles.h"
#include "ZtFormat.h"
#include "ZtSmallUtils.h"
#include "common.h"

#include <QFileInfo>

QString TranslationSectionText(const QString &text, const QString &name)
{
    const QString header = u'[' + TrimWs(name).toUpper() + u']';
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    const QStringList lines = t.split(u'\n');
    qsizetype i = 0;
    while (i < lines.size() && TrimWs(lines[i]).toUpper() != header)
        ++i;
    if (i >= lines.size())
        return QString();
    QStringList body;
    for (++i; i < lines.size(); ++i) {
        const QString l = TrimWs(lines[i]);
        if (l.startsWith(u'['))
            break;
        body << l;
    }
    return body.join(u'\r');
}

void ParseTranslationEntries(const QString &sectionText, TZtHash &into)
{
    for (const QString &raw : sectionText.split(u'\r')) {
        const QString l = TrimWs(raw);
        if (l.isEmpty() || l[0] == u';' || l[0] == u'#')
            continue;
        const qsizetype eq = l.indexOf(u'=');
        if (eq < 0)
            continue;
        into.SetVal(l.left(eq), TrimWs(l.mid(eq + 1)));
    }
}

QString TranslationValue(const QString &sectionText, const QString &key, const QString &separators, const QString &def)
{
    const QString k = TrimWs(key).toUpper();
    for (const QString &raw : sectionText.split(u'\r')) {
        const QString l = TrimWs(raw);
        if (l.isEmpty() || l[0] == u';')
            continue;
        qsizetype p = -1;
        for (const QChar c : separators) {
            const qsizetype q = l.indexOf(c);
            if (q >= 0 && (p < 0 || q < p))
                p = q;
        }
        if (p < 0)
            continue;
        if (TrimWs(l.left(p)).toUpper() != k)
            continue;
        // "lang = English" splits at the space; the "=" after it is not
        // part of the value.
        QString v = l.mid(p + 1);
        while (!v.isEmpty() && (v[0].unicode() <= 32 || separators.contains(v[0])))
            v.remove(0, 1);
        return TrimWs(v);
    }
    return def;
}

int DiscoverLanguages(const QString &dir, TZtHintHash &languages)
{
    int found = 0;
    const QString list = ListFiles(dir, QStringLiteral("*.txt"), true);
    if (list.isEmpty())
        return 0;
    for (const QString &path : list.split(QStringLiteral("\r\n"))) {
        const QFileInfo fi(path);
        if (!fi.isFile())
            continue;
        const QString head = ReadTextFile(path, true, 100);
        const QString info = TranslationSectionText(head, QStringLiteral("Info"));
        const QString lang = TranslationValue(info, QStringLiteral("lang"), QStringLiteral("= \t"));
        const QString code = fi.completeBaseName();
        if (info.isEmpty() || lang.isEmpty() || code == QLatin1String("defaults"))
            continue;
        languages.SetVal(code, lang);
        languages.SetHint(code, fi.absoluteFilePath());
        ++found;
    }
    return found;
}

// A text "$key" stands for the text of that key, which may itself be a
// reference, in this file or the defaults. A reference that is found nowhere,
// or that leads back to a key already passed, stays as it is.
QString TTranslation::resolveReference(const QString &text, const std::function<QString(const QString &)> &find)
{
    QString r = text;
    QStringList seen;
    while (r.startsWith(u'$')) {
        const QString key = r.mid(1);
        if (seen.contains(key, Qt::CaseInsensitive))
            return text;
        seen << key;
        const QString next = find(key);
        if (next.isEmpty())
            return r;
        r = next;
    }
    return r;
}

TTranslation::TTranslation() = default;
TTranslation::~TTranslation() = default;

void TTranslation::Clear()
{
    fLangFile.clear();
    fFileName.clear();
    fInfo.Clear();
    fStrings.Clear();
    fSections.clear();
}

void TTranslation::Load(const QString &LangFn)
{
    Clear();
    if (LangFn.isEmpty())
        throw ETranslationError(QStringLiteral("Translation file is empty."));
    if (!QFileInfo(LangFn).isFile())
        throw ETranslationError(QStringLiteral("Translation file [") + LangFn + QStringLiteral("] not found."));
    fLangFile = ReadTextFile(LangFn);
    fFileName = LangFn;
    ParseTranslationEntries(TranslationSectionText(fLangFile, QStringLiteral("Info")), fInfo);
    ParseTranslationEntries(TranslationSectionText(fLangFile, QStringLiteral("Strings")), fStrings);
    if (Lang().isEmpty())
        throw ETranslationError(QStringLiteral("Invalid translation file [") + LangFn + QStringLiteral("]."));
}

void TTranslation::LoadDefaults(const QString &LangFn)
{
    if (LangFn.isEmpty())
        throw ETranslationError(QStringLiteral("Defaults translation file is empty."));
    if (!QFileInfo(LangFn).isFile())
        throw ETranslationError(QStringLiteral("Defaults translation file [") + LangFn + QStringLiteral("] not found."));
    if (!fDefaults)
        fDefaults = std::make_unique<TTranslation>();
    fDefaults->Load(LangFn);
}

QString TTranslation::findString(const QString &Sig) const
{
    QString r = fStrings.GetVal(Sig);
    if (r.isEmpty() && fDefaults)
        r = fDefaults->findString(Sig);
    return r;
}

bool TTranslation::HasString(const QString &Sig) const { return !findString(Sig).isEmpty(); }

QString TTranslation::GetString(const QString &Sig)
{
    if (Sig.isEmpty())
        return QString();
    QString r = findString(Sig);
    if (r.isEmpty())
        FatalError(QString(), QStringLiteral("GetString(") + Sig + QStringLiteral("): no string"));
    return resolveReference(r, [this](const QString &key) { return findString(key); });
}

QString TTranslation::GetString(const QString &Sig, const QVariantList &Args)
{
    return FormatStr(GetString(Sig), Args);
}

const TZtHash &TTranslation::Section(const QString &Frm)
{
    auto it = fSections.find(Frm);
    if (it == fSections.end()) {
        TZtHash entries;
        ParseTranslationEntries(TranslationSectionText(fLangFile, Frm), entries);
        it = fSections.insert(Frm, entries);
    }
    return it.value();
}

QString TTranslation::findWindowString(const QString &Frm, const QString &Sig)
{
    QString r = Section(Frm).GetVal(Sig);
    if (r.isEmpty())
        r = fStrings.GetVal(Sig);
    if (r.isEmpty() && fDefaults)
        r = fDefaults->findWindowString(Frm, Sig);
    return r;
}

QString TTranslation::GetString(const QString &Frm, const QString &Sig, const QString &Def)
{
    if (Sig.isEmpty())
        return QString();
    QString r = findWindowString(Frm, Sig);
    if (r.isEmpty())
        r = Def;
    if (r.isEmpty())
        FatalError(QString(), QStringLiteral("GetString(") + Frm + u'.' + Sig + QStringLiteral("): no string"));
    return resolveReference(TrimWs(r), [this, &Frm](const QString &key) { return TrimWs(findWindowString(Frm, key)); });
}

QString TTranslation::GetString(const QString &Frm, const QString &Sig, const QString &Def, const QVariantList &Args)
{
    return FormatStr(GetString(Frm, Sig, Def), Args);
}
