// A device's answer to "get places": places and access points, and the
// commands made back from what was read.

#include "FuzzSupport.h"
#include "place_data.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size))
        return 0;
    QList<TPlaceData> places;
    TWifiList wifi;
    QString error;
    TPlaceData::ParseAnswer(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), places, wifi, error);
    TPlaceData::SetCommand(places);
    TPlaceData::AddCommand(places, wifi);
    return 0;
}
