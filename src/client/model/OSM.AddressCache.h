#pragma once

#include "ZtDates.h"

#include <QMap>
#include <QString>

#include <cstdint>

// One resolved address. Its line in the cache file is
// "OsmId;ReadCount;dd.mm.yyyy hh:nn:ss;Address;", with a backslash before
// every backslash, ";", CR and LF of the id and the address.
class TAddressCacheItem
{
public:
    TAddressCacheItem() = default;
    // Throws EZtError "Bad CSV [line]" or "Empty OsmId [line]".
    explicit TAddressCacheItem(const QString &Csv) { AssignCsv(Csv); }
    TAddressCacheItem(const QString &aOsmId, const QString &aAddress) : OsmId(aOsmId), Address(aAddress) {}

    void AssignCsv(const QString &Csv);
    QString ToCsvString() const;

    QString OsmId;
    QString Address;
    int32_t ReadCount = 0;
    TDateTime LastRead = 0; // local time; 0 when never read
};

// Address id -> address, in memory and in a file that is replaced whole on
// every save, so that a crash during a save leaves the previous file.
class TAddressCache
{
public:
    // Loads aCacheFile when it exists; throws EZtError for an empty name or
    // a file that cannot be read.
    explicit TAddressCache(const QString &aCacheFile);
    // Saves; errors are ignored here (call Save() to see them).
    ~TAddressCache();

    TAddressCache(const TAddressCache &) = delete;
    TAddressCache &operator=(const TAddressCache &) = delete;

    // The number of items added, or -1 when the file does not exist. Bad lines are skipped.
    int Load();
    // Writes every item with an address; false when the file could not be written.
    bool Save() const;

    int Count() const { return int(fAddressCache.size()); }
    // The address (counting the read), or an empty text.
    QString GetAddress(const QString &OsmId);
    // An empty address removes the item.
    void SetAddress(const QString &OsmId, const QString &Address);
    // Whether the id has an address, without counting a read.
    bool Contains(const QString &OsmId) const { return fAddressCache.contains(OsmId); }
    const TAddressCacheItem *Item(const QString &OsmId) const;
    const QString &CacheFile() const { return fCacheFile; }

private:
    QMap<QString, TAddressCacheItem> fAddressCache; // ordered, so the file is stable
    QString fCacheFile;
};
