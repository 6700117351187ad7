// A device's "get filters" answer: filterN=<JSON> lines. What was read is
// written as the set command and shown without fault.

#include "FuzzSupport.h"
#include "sms_filter.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size) || fuzz::tooDeep(data, size))
        return 0;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    std::vector<TSmsFilter> filters;
    QString error;
    (void)TSmsFilter::ParseAnswer(text, filters, error);
    for (const TSmsFilter &f : filters) {
        (void)f.Display();
        // A filter read back from its own JSON is the same filter.
        std::vector<TSmsFilter> again;
        QString why;
        if (!TSmsFilter::ParseAnswer(("filter0=" + f.ToJsonStr()).toUtf8(), again, why) || again.size() != 1
            || again[0].Hash() != f.Hash())
            __builtin_trap();
    }
    (void)TSmsFilter::SetCommand(filters);
    return 0;
}
