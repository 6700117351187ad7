#pragma once

// A Wi-Fi place of a device: a name and the networks seen there. The device
// lists its places and the networks it knows or sees in its answer to
// "get places"; "set places" replaces its list and "add places" adds to it.

#include "OSM.WifiData.h"

#include <QList>
#include <QString>
#include <QStringList>

class TPlaceData
{
public:
    QString Sign;
    // Network names, each kept whole: a name may hold blanks, commas, quotes.
    QStringList Ssids;
    // Saved in the dialog since the answer was loaded.
    bool Modified = false;

    bool operator==(const TPlaceData &o) const { return Sign == o.Sign && Ssids == o.Ssids; }

    // The networks as one line for the list.
    QString SsidText() const { return Ssids.join(QStringLiteral(", ")); }

    // The places and access points of a "get places" answer (read as
    // ReadDeviceAnswer reads), in file order. A place that cannot be read
    // stops the reading: false, with Error naming its key, and what was read
    // before it in the lists.
    static bool ParseAnswer(const QByteArray &Text, QList<TPlaceData> &Places, TWifiList &Wifi, QString &Error);
    // "set places place0=... place1=..."; places without networks are left
    // out; "set places" alone clears the device's list.
    static QString SetCommand(const QList<TPlaceData> &Places);
    // "add places place0=..." with every access point of each network.
    static QString AddCommand(const QList<TPlaceData> &Places, const TWifiList &Wifi);
};
