// The settings file: any file is read, and one write changes its own key
// only; every other key reads as before.

#include "FuzzSupport.h"
#include "ZtIniFile.h"

#include <QFile>

#include <array>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size))
        return 0;
    const QString fn = fuzz::tempDir() + QStringLiteral("fuzz.ini");
    {
        QFile f(fn);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    TZtIniFile ini(fn);
    const QStringList sections = ini.ReadSections();
    QList<std::array<QString, 3>> values;
    for (const QString &s : sections)
        for (const QString &k : ini.ReadSection(s))
            values.append({s, k, ini.ReadString(s, k)});
    // The key written: the first key of the first section, or a new one.
    QString sec = QStringLiteral("Main"), key = QStringLiteral("Fuzz");
    if (!values.isEmpty()) {
        sec = values.first()[0];
        key = values.first()[1];
    }
    const bool written = ini.WriteString(sec, key, QStringLiteral("written"));
    TZtIniFile after(fn);
    if (written && after.ReadString(sec, key) != QLatin1String("written")) {
        std::fprintf(stderr, "the written key reads [%s]\n", qPrintable(after.ReadString(sec, key)));
        __builtin_trap();
    }
    for (const auto &[s, k, v] : values) {
        if (s.compare(sec, Qt::CaseInsensitive) == 0 && k.compare(key, Qt::CaseInsensitive) == 0)
            continue;
        if (after.ReadString(s, k, QStringLiteral("<lost>")) != v) {
            std::fprintf(stderr, "[%s] %s changed by a write of another key\n", qPrintable(s), qPrintable(k));
            __builtin_trap();
        }
    }
    return 0;
}
