#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The time-zone choices of the account and settings dialogs: one entry per
// distinct standard offset of the system's time zones, "UTC+03:00", sorted by
// text.
//
// The sign is the usual one: "+" for zones east of Greenwich (local time ahead
// of UTC), "-" for zones west of it, and the value read back from an entry
// keeps it, so "UTC-05:00" is -300 minutes. The service's tz and the
// configuration value timezone are both offsets east of UTC.
class TTimeZoneList
{
public:
    // Entries for the system's time zones.
    static QStringList Build();
    // Entries for the given offsets (minutes east of UTC), without repeats, sorted.
    static QStringList FromOffsets(const QList<int> &eastMinutes);
    // "UTC", the sign, hours and minutes with two digits each.
    static QString EntryText(int eastMinutes);
    // Minutes east of UTC of an entry; 0 for a text that is not one.
    static int EntryValue(const QString &entry);
    // Index of the first entry whose value is within 0.001 day of the offset
    // (days east of UTC); -1 when none is.
    static int IndexOfDays(const QStringList &entries, double days);
    // Index of the entry of exactly that many minutes; -1 when none is.
    static int IndexOfMinutes(const QStringList &entries, int minutes);
};
