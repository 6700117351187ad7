#include "OSM.AddressCache.h"

#include "ZtUtils.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

void TAddressCacheItem::AssignCsv(const QString &Csv)
{
    // id;count;date;address; -- the address is everything between the third
    // ";" and the line's final one, so an address holding ";" stays whole.
    QString line = Csv;
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    int seps[3] = {-1, -1, -1};
    int from = 0;
    for (int i = 0; i < 3; ++i) {
        seps[i] = line.indexOf(QLatin1Char(';'), from);
        if (seps[i] < 0)
            throw EZtError(QStringLiteral("Bad CSV [%1]").arg(Csv));
        from = seps[i] + 1;
    }
    if (seps[0] == 0)
        throw EZtError(QStringLiteral("Empty OsmId [%1]").arg(Csv));
    QString address = line.mid(seps[2] + 1);
    if (address.endsWith(QLatin1Char(';')))
        address.chop(1);
    OsmId = line.left(seps[0]);
    ReadCount = int32_t(ToInt64Def(line.mid(seps[0] + 1, seps[1] - seps[0] - 1), 0));
    const QString date = line.mid(seps[1] + 1, seps[2] - seps[1] - 1);
    bool ok = false;
    const TDateTime dt = ParseDateTime(date, &ok);
    LastRead = ok && !std::isnan(dt) ? dt : 0;
    Address = address;
}

QString TAddressCacheItem::ToCsvString() const
{
    // A line break inside an address would split its line in the file.
    QString address = Address;
    address.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return OsmId + QLatin1Char(';') + QString::number(ReadCount) + QLatin1Char(';')
           + FormatDateTimeDef(QString(), LastRead) + QLatin1Char(';') + address + QLatin1Char(';');
}

TAddressCache::TAddressCache(const QString &aCacheFile)
    : fCacheFile(aCacheFile)
{
    if (fCacheFile.isEmpty())
        throw EZtError(QStringLiteral("Cache file name is empty"));
    Load();
}

TAddressCache::~TAddressCache()
{
    Save();
}

int TAddressCache::Load()
{
    QFile file(fCacheFile);
    if (!file.exists())
        return -1;
    if (!file.open(QIODevice::ReadOnly))
        throw EZtError(QStringLiteral("Cannot read %1: %2").arg(fCacheFile, file.errorString()));
    const QString text = QString::fromUtf8(file.readAll());
    int added = 0;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        try {
            TAddressCacheItem item(line);
            if (fAddressCache.contains(item.OsmId))
                continue;
            fAddressCache.insert(item.OsmId, item);
            ++added;
        } catch (const EZtError &) {
            // a bad line is skipped
        }
    }
    return added;
}

bool TAddressCache::Save() const
{
    QSaveFile file(fCacheFile);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const TAddressCacheItem &item : fAddressCache) {
        if (item.Address.isEmpty())
            continue;
        file.write((item.ToCsvString() + QLatin1Char('\n')).toUtf8());
    }
    return file.commit();
}

QString TAddressCache::GetAddress(const QString &OsmId)
{
    auto it = fAddressCache.find(OsmId);
    if (it == fAddressCache.end())
        return QString();
    it->ReadCount += 1;
    it->LastRead = Now();
    return it->Address;
}

void TAddressCache::SetAddress(const QString &OsmId, const QString &Address)
{
    if (OsmId.isEmpty())
        return;
    auto it = fAddressCache.find(OsmId);
    if (it != fAddressCache.end()) {
        if (Address.isEmpty()) {
            fAddressCache.erase(it);
            return;
        }
        it->Address = Address;
        it->ReadCount += 1;
        it->LastRead = Now();
        return;
    }
    if (!Address.isEmpty())
        fAddressCache.insert(OsmId, TAddressCacheItem(OsmId, Address));
}

const TAddressCacheItem *TAddressCache::Item(const QString &OsmId) const
{
    auto it = fAddressCache.constFind(OsmId);
    return it == fAddressCache.constEnd() ? nullptr : &*it;
}
