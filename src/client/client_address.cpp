// Address lookup: the service resolves address ids; the cache keeps them.

#include "client.h"

#include "OSM.AddressCache.h"

int TVelmoraClient::OsmLookup(const QString &OsmIds, TAddressCache &Cache)
{
    if (OsmIds.isEmpty())
        return -1;
    try {
        if (DoPost(QStringLiteral("OsmLookup"), QStringLiteral("/osm/lookup"), QStringLiteral("ids=") + OsmIds) != 200
            || !ResultData())
            return -1;
        const auto list = JsonArray(ResultData(), QStringLiteral("OsmLookup"));
        if (!list) {
            if (fAnswerError.isEmpty()) // a cut or broken answer is named by the envelope
                LogText(QStringLiteral("\r  X: no data"));
            return -1;
        }
        int result = 0;
        for (const QJsonValue &v : *list) {
            QJsonObject holder;
            const QJsonObject *item = AsObject(v, holder);
            const QString osmId = JsonStr(item, QStringLiteral("osm_id"));
            const QString address = JsonStr(item, QStringLiteral("address"));
            if (osmId.isEmpty() || address.isEmpty())
                continue;
            Cache.SetAddress(osmId, address);
            ++result;
        }
        LogText(QStringLiteral(" [") + QString::number(result) + QLatin1Char(']'));
        // Saved at once, so that a crash later loses nothing already fetched.
        if (result > 0 && !Cache.Save())
            LogText(QStringLiteral("\r  X: cannot write the address cache ") + Cache.CacheFile());
        return result;
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

int TVelmoraClient::OsmLookup(const QStringList &OsmIds, TAddressCache &Cache)
{
    QStringList missing;
    for (const QString &id : OsmIds)
        if (!id.isEmpty() && !Cache.Contains(id) && !missing.contains(id))
            missing.append(id);
    if (missing.isEmpty())
        return -1;
    return OsmLookup(missing.join(QLatin1Char(',')), Cache);
}
