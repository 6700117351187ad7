// A device's answer (configuration, places, filters): key=value lines (or a
// tab or blank between key and value).

#include "FuzzSupport.h"
#include "device_answer.h"

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
    const TZtHash pairs = ReadDeviceAnswer(text);
    // No key is empty, and neither a key nor a value holds a line break:
    // each came from one line.
    for (const TZtHashItem &e : pairs)
        if (e.key.isEmpty() || e.key.contains(QLatin1Char('\n')) || e.key.contains(QLatin1Char('\r'))
            || e.value.contains(QLatin1Char('\n')) || e.value.contains(QLatin1Char('\r')))
            __builtin_trap();
    return 0;
}
