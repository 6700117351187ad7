#pragma once

// One Wi-Fi access point, as the service records them around a place or as a
// device lists the networks it knows or sees.

#include <QList>
#include <QString>

struct TWifiData
{
    QString ssid;
    QString bssid;
    // Wi-Fi generation 4, 5 or 6; 0 when not given.
    int std = 0;
    // The device has this network configured (false: it merely sees it).
    bool known = false;
};

using TWifiList = QList<TWifiData>;
