#include "TrackWorkflow.h"

#include "OSM.AddressCache.h"
#include "OSM.ObjectInfo.h"
#include "client.h"
#include "location_filter.h"

#include <QSet>

#include <algorithm>
#include <cmath>

TTrackWorkflow::TTrackWorkflow(TVelmoraClient &Client, TAddressCache *Cache, TLogCallback Log)
    : fClient(Client), fCache(Cache), fLog(std::move(Log))
{
}

void TTrackWorkflow::Log(const QString &Text) const
{
    if (fLog)
        fLog(Text, {}, -1);
}

void TTrackWorkflow::LogFmt(const QString &Fmt, const QVariantList &Args) const
{
    if (fLog)
        fLog(Fmt, Args, int(Args.size()));
}

TTrackWorkflow::TResult TTrackWorkflow::BuildFromClient(const TObjectInfo &Object, int Count)
{
    TResult r;
    r.Count = Count;
    if (Count < 0) {
        r.ErrorMessage = fClient.ErrorMessage();
        return r;
    }
    if (Count == 0)
        return r;
    r.Track = std::make_unique<TGeoTrack>(Object.id);
    // The points move into the track; the client keeps none.
    r.Track->Points() = fClient.TakeTrackList();
    return r;
}

TTrackWorkflow::TResult TTrackWorkflow::RequestTrack(const TObjectInfo &Object, const TRequest &Request)
{
    const int n = fClient.GetTrack(Object.uid, Request.Dt1, Request.Dt2, Request.Mode, Request.tMode);
    LogFmt(QStringLiteral("\r  -> %d "), {n});
    TResult r = BuildFromClient(Object, n);
    if (!r.Track)
        return r;
    TGeoTrack &t = *r.Track;
    t.SetSign(Object.name + u'-' + Request.Sign);
    t.SetLayer(0);
    t.SetStyle(GeoTrackStyle(Request.Style));
    LookupAddresses(t.Points());
    if (Request.Markup)
        t.MarkParking();
    t.UpdateInfo();
    LogFmt(QStringLiteral("\r  points: total=%d good=%d park=%d"),
           {t.Info().PointsCount, t.Info().GoodPointsCount, t.Info().ParkPointsCount});
    return r;
}

TTrackWorkflow::TResult TTrackWorkflow::RequestMessages(const TObjectInfo &Object, int Hours, TDateTime Now)
{
    // Fewer than one hour (a 0 or a negative setting) would ask for nothing.
    Hours = std::max(1, Hours);
    // Both ends in whole seconds, as the service reads them: with the end
    // sent truncated but the start meant to the millisecond, the answer
    // could begin up to a second before the period the caller was told.
    const TDateTime dt2 = std::floor(std::round(Now * 86400000.0) / 1000.0) / 86400.0;
    const TDateTime dt1 = dt2 - Hours * 3600 / 86400.0;
    LogFmt(QStringLiteral("id=%d for %d hour(s) [%s .. %s]"),
           {Object.uid, Hours, FormatDateTimeDef(QStringLiteral("hh:nn"), dt1), FormatDateTimeDef(QStringLiteral("hh:nn"), dt2)});
    const int n = fClient.GetTrack(Object.uid, dt1, dt2, 1, 1);
    LogFmt(QStringLiteral("\r  -> %d "), {n});
    TResult r = BuildFromClient(Object, n);
    r.Dt1 = dt1;
    r.Dt2 = dt2;
    if (!r.Track)
        return r;
    TGeoTrack &t = *r.Track;
    t.SetSign(QStringLiteral("%1 %2 hour").arg(Object.name).arg(Hours));
    t.MarkParking();
    t.UpdateInfo();
    LogFmt(QStringLiteral(" points: %d / %d / %d"), {t.Info().PointsCount, t.Info().GoodPointsCount, t.Info().ParkPointsCount});
    return r;
}

int TTrackWorkflow::LookupAddresses(const TTrackPointList &Points)
{
    if (!fCache)
        return 0;
    int calls = 0;
    QStringList batch;
    QSet<QString> seen;
    auto flush = [&] {
        if (batch.isEmpty())
            return;
        fClient.OsmLookup(batch, *fCache);
        ++calls;
        batch.clear();
    };
    for (const auto &p : Points) {
        if (p->osm_id.isEmpty() || seen.contains(p->osm_id))
            continue;
        // Ids already resolved need no request.
        seen.insert(p->osm_id);
        if (fCache->Contains(p->osm_id))
            continue;
        batch.append(p->osm_id);
        if (batch.size() == AddressBatch)
            flush();
    }
    flush();
    return calls;
}

std::unique_ptr<TGeoTrack> TTrackWorkflow::FilterTrack(const TGeoTrack &Source, TLocationFilter &Filter, int Style)
{
    auto t = std::make_unique<TGeoTrack>();
    t->SetSign(Source.Sign() + u'-' + Filter.Sign());
    t->SetStyle(GeoTrackStyle(Style));
    t->Points().reserve(Source.Points().size());
    for (const auto &p : Source.Points()) {
        // A point without a position leaves the filter as it was, and its
        // output would be the previous point again: keep the point itself.
        if (!p->HasLatLon()) {
            t->Points().push_back(std::make_unique<TTrackPointInfo>(*p));
            continue;
        }
        t->Points().push_back(std::make_unique<TTrackPointInfo>(Filter.FilterLocation(*p)));
    }
    LogFmt(QStringLiteral("\r  -> %d"), {int(t->Points().size())});
    t->ClearParking();
    t->MarkParking();
    t->UpdateInfo();
    return t;
}
