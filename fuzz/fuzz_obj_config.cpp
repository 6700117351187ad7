// A device's configuration answer: key=value lines (or a tab or blank
// between key and value).

#include "FuzzSupport.h"
#include "ObjConfigForm.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size))
        return 0;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QHash<QString, QString> pairs = TObjConfigForm::ParseAnswer(text);
    // No key is empty or holds a line break: each came from one line.
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
        if (it.key().contains(QLatin1Char('\n')))
            __builtin_trap();
    return 0;
}
