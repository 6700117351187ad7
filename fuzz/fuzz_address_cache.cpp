// The address cache file: once written back, reading and writing it again
// changes nothing (items without an address are dropped by the first save).

#include "FuzzSupport.h"
#include "OSM.AddressCache.h"

#include <QFile>

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (fuzz::tooLarge(size))
        return 0;
    const QString fn = fuzz::tempDir() + QStringLiteral("fuzz.address");
    const QString fn2 = fuzz::tempDir() + QStringLiteral("fuzz2.address");
    {
        QFile f(fn);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QFile::remove(fn2);
    try {
        {
            TAddressCache first(fn);
            QFile::copy(fn, fn2);
            TAddressCache copy(fn2);
            copy.Save();
        }
        int saved = 0;
        {
            TAddressCache again(fn2);
            saved = again.Count();
        } // saved once more on the way out
        TAddressCache third(fn2);
        if (third.Count() != saved) {
            std::fprintf(stderr, "%d addresses after one save, %d after two\n", saved, third.Count());
            __builtin_trap();
        }
    } catch (const std::exception &) {
    }
    return 0;
}
