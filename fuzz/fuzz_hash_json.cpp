// The key/value store's JSON form (device answers, the zone editor's changes).

#include "FuzzSupport.h"
#include "ZtHash.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size) || fuzz::tooDeep(data, size))
        return 0;
    TZtHash h;
    h.AssignJson(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    // Nested values are kept as text and read again the same way.
    for (int i = 0; i < h.Count() && i < 8; ++i) {
        TZtHash inner;
        inner.AssignJson(h.GetValByIndex(i));
    }
    return 0;
}
