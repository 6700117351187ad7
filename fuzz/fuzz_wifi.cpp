// The Wi-Fi access point reader of GetWifi: any body of a 200 answer.

#include "FuzzSupport.h"
#include "OSM.WifiData.h"
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
    TWifiList list;
    c.GetWifi(list, 55.0, 37.0, 56.0, 38.0);
    return 0;
}
