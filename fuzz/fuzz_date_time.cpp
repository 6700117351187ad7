// ParseDateTime, the one reader of date-time texts.

#include "FuzzSupport.h"
#include "ZtDates.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 256)
        return 0; // a date text is short; longer ones only repeat the search
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    bool ok = false;
    const TDateTime t = ParseDateTime(text, &ok);
    if (ok && std::isnan(t))
        __builtin_trap(); // read, yet no time
    ParseDateTimeOrUnix(text);
    return 0;
}
