// Wi-Fi access points recorded by the service around a place.

#include "client.h"

#include "OSM.WifiData.h"

#include "ZtSmallUtils.h"
#include "ZtUtils.h"

int TVelmoraClient::GetWifi(TWifiList &WifiList, double Lat1, double Lon1, double Lat2, double Lon2)
{
    try {
        const QString query = QStringLiteral("minlat=%1&minlon=%2&maxlat=%3&maxlon=%4")
                                  .arg(FloatToStrN(Lat1, 4), FloatToStrN(Lon1, 4), FloatToStrN(Lat2, 4),
                                       FloatToStrN(Lon2, 4));
        if (DoGet(QStringLiteral("GetWifi"), QStringLiteral("/wifi_aps"), query) != 200 || !ResultData())
            return -1;
        const auto arr = JsonArray(ResultData(), QStringLiteral("GetWifi"));
        if (!arr) {
            if (fAnswerError.isEmpty()) // a cut or broken answer is named by the envelope
                LogText(QStringLiteral("\r  X: no data"));
            return -1;
        }
        TWifiList found;
        for (const QJsonValue &v : *arr) {
            const QJsonObject o = v.toObject();
            TWifiData w;
            w.ssid = StripQuotes(RemoveControlChars(JsonStr(&o, QStringLiteral("ssid"))));
            w.bssid = JsonStr(&o, QStringLiteral("bssid"));
            w.std = int(JsonInt(&o, QStringLiteral("std"), 0));
            w.known = false;
            if (!w.ssid.isEmpty() && !w.bssid.isEmpty())
                found.append(w);
        }
        WifiList.append(found);
        LogText(QStringLiteral("\r  -> %1").arg(found.size()));
        return int(found.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}
