// The zone history reader of GetZoneHistory: any body of a 200 answer.

#include "FuzzSupport.h"
#include "ZtDates.h"
#include "client.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size) || fuzz::tooDeep(data, size))
        return 0;
    fuzz::setAnswer(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    TVelmoraClient c(fuzz::answerServer(), QStringLiteral("TOKEN"), QStringLiteral("0.125"));
    c.GetZoneHistory(9, 1, 1, EncodeDateTime(2025, 2, 3, 0, 0, 0), EncodeDateTime(2025, 2, 4, 0, 0, 0));
    return 0;
}
