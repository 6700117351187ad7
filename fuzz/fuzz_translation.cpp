// A translation file with a fixed defaults file behind it: loading, message
// keys, window keys and "$" references.

#include "FuzzSupport.h"
#include "translate.h"

#include <QFile>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    QFile d(fuzz::tempDir() + QStringLiteral("defaults.txt"));
    if (d.open(QIODevice::WriteOnly | QIODevice::Truncate))
        d.write("[Info]\nlang=English\n[Strings]\nhello=Hello\nref=$hello\nloop=$loop2\nloop2=$loop\n[Form]\nCaption=Form\nBtn_text=$hello\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size))
        return 0;
    const QString fn = fuzz::tempDir() + QStringLiteral("lang.txt");
    {
        QFile f(fn);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    TTranslation tr;
    try {
        tr.Load(fn);
        tr.LoadDefaults(fuzz::tempDir() + QStringLiteral("defaults.txt"));
    } catch (const ETranslationError &) {
        return 0;
    }
    // Every key and section the file names, and the defaults' own.
    QStringList keys{QStringLiteral("hello"), QStringLiteral("ref"), QStringLiteral("loop")};
    QStringList forms{QStringLiteral("Form")};
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
            forms << t.mid(1, t.size() - 2);
        else if (t.contains(QLatin1Char('=')))
            keys << t.left(t.indexOf(QLatin1Char('=')));
        if (keys.size() > 200)
            break;
    }
    for (const QString &k : std::as_const(keys)) {
        if (tr.HasString(k))
            (void)tr.GetString(k, {QStringLiteral("a"), 1});
        for (const QString &f : std::as_const(forms))
            (void)tr.GetString(f, k, QStringLiteral(" "));
    }
    return 0;
}
