// The key/value store's line form (the configuration file's syntax).

#include "FuzzSupport.h"
#include "ZtHash.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size))
        return 0;
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    TZtHash h;
    h.Assign(text);
    // What it read, written out and read again, is the same store.
    TZtHash again;
    again.Assign(h.AsText(QStringLiteral("="), QStringLiteral("\r")), true, QStringLiteral("="));
    (void)again.Count();
    for (int i = 0; i < h.Count(); ++i)
        (void)h.AsInteger(h.GetKey(i));
    return 0;
}
