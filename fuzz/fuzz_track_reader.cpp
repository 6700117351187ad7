// GetTrack's streaming reader on any answer body.

#include "OSM.TrackPointInfo.h"
#include "FuzzSupport.h"
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
    static TVelmoraClient client(QStringLiteral("http://127.0.0.1:9"), QString(), QStringLiteral("0.125"));
    TTrackPointList points;
    QString error;
    const int n = client.ParseTrackAnswer(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), QStringLiteral("Track"), points, error);
    if ((n < 0) != !error.isEmpty() || (n >= 0 && size_t(n) != points.size()))
        __builtin_trap(); // a failure must say why, a success count what it read
    return 0;
}
