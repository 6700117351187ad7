#pragma once

// The track panel's work without its widgets: a track requested for an
// object and a period, the quick dump of the last hours, the address look-up
// along a track in batches, and a filtered copy of a track. The panel asks
// the user (dialogs) and shows the results (map, list, windows); this unit
// talks to the service and builds the tracks.

#include "OSM.GeoTrack.h"
#include "common.h"

#include <QStringList>

#include <functional>
#include <memory>

class TAddressCache;
class TLocationFilter;
class TObjectInfo;
class TVelmoraClient;

class TTrackWorkflow
{
public:
    // What the user is told: a track, no data, or the client's error message.
    struct TResult
    {
        std::unique_ptr<TGeoTrack> Track;
        int Count = 0;        // points the service sent; -1 when the request failed
        QString ErrorMessage; // the client's message of a failed request
        // The period asked for, as the service reads it (whole seconds).
        TDateTime Dt1 = NoDateTime, Dt2 = NoDateTime;
        bool Failed() const { return Count < 0; }
        bool NoData() const { return Count == 0; }
    };

    // One track request's choices (from the request dialog, or the defaults
    // of a request with both dates given).
    struct TRequest
    {
        TDateTime Dt1 = NoDateTime;
        TDateTime Dt2 = NoDateTime;
        QString Sign;
        int Style = 0;
        int Mode = 0;
        int tMode = 0;
        bool Markup = true;
    };

    // Largest number of ids in one address look-up.
    static constexpr int AddressBatch = 50;

    // Cache may be null: addresses are then not looked up.
    TTrackWorkflow(TVelmoraClient &Client, TAddressCache *Cache, TLogCallback Log);

    // Asks the service for the object's track and builds it: "<name>-<sign>",
    // the chosen style, addresses looked up, parkings marked unless told not.
    TResult RequestTrack(const TObjectInfo &Object, const TRequest &Request);
    // The last Hours (at least 1) before Now of the object's messages,
    // extended and by the service's time, labelled "<name> <hours> hour";
    // parkings marked. Now is the present in the account's zone, the zone
    // every service time is shown in, which need not be the computer's.
    // The service reads whole seconds, so the period ends at Now's whole
    // second: every message of the answer lies within Dt1 .. Dt2 <= Now.
    TResult RequestMessages(const TObjectInfo &Object, int Hours, TDateTime Now);
    // Looks up the distinct address ids of the points, AddressBatch at a time,
    // in the order they first appear; returns the number of look-ups made.
    int LookupAddresses(const TTrackPointList &Points);
    // A new track of the source's points run through the filter; points
    // without a position are taken over as they are. Parkings marked, then
    // the statistics of the filtered points.
    std::unique_ptr<TGeoTrack> FilterTrack(const TGeoTrack &Source, TLocationFilter &Filter, int Style);

private:
    void Log(const QString &Text) const;
    void LogFmt(const QString &Fmt, const QVariantList &Args) const;
    TResult BuildFromClient(const TObjectInfo &Object, int Count);

    TVelmoraClient &fClient;
    TAddressCache *fCache;
    TLogCallback fLog;
};
