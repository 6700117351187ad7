// The track import: a delimited text or GPX file, read, cut at a separator
// (the first byte picks one of the usual four), its columns guessed and made
// into a track.

#include "FuzzSupport.h"
#include "TrackImport.h"

#include <QFile>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || fuzz::tooLarge(size))
        return 0;
    static const char *const separators[] = {",", ";", "\t", "|"};
    const QString separator = QString::fromLatin1(separators[data[0] % 4]);
    const QString path = fuzz::tempDir() + QStringLiteral("/track.txt");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data + 1), qint64(size - 1));
    }
    TTrackImport import(3.0 / 24);
    if (import.LoadFile(path) < 0)
        return 0;
    if (import.Kind() == TTrackImport::kDelimited && !import.ParseSource(separator))
        return 0;
    for (int r = 0; r < std::min(import.RowCount(), 8); ++r)
        for (int c = 0; c < import.ColumnCount(); ++c)
            (void)import.Cell(r, c);
    (void)import.MakeTrack(import.GuessColumns(), QStringLiteral("fuzz"), 0, 0);
    return 0;
}
