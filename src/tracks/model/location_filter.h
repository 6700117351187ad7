#pragma once

// Base of the track filters: takes one point at a time and returns a
// filtered copy in which only the position may differ. The base class passes
// points through unchanged.

#include "OSM.TrackPointInfo.h"

#include <QString>

class TLocationFilter
{
public:
    // SavedLocation is a text written by ToString (empty: nothing restored).
    explicit TLocationFilter(const QString &SavedLocation = QString());
    virtual ~TLocationFilter() = default;
    TLocationFilter(const TLocationFilter &) = delete;
    TLocationFilter &operator=(const TLocationFilter &) = delete;

    // Reads a saved last location: "time,acc,lat,lon[,alt]", time as Unix
    // seconds (0: none).
    virtual void RestoreLocation(const QString &Text);
    // Processes one point and returns the filter's output point, the same
    // object on every call (copy it to keep it). A point without a position
    // leaves the filter as it was and returns the previous output.
    virtual const TTrackPointInfo &FilterLocation(const TTrackPointInfo &location);
    // The text RestoreLocation reads: "%d,%.6f,%.6f,%.6f,%.6f" of the last
    // input's object time, accuracy, latitude, longitude and altitude.
    virtual QString ToString() const;

    const QString &Sign() const { return mSign; }
    const TTrackPointInfo &LastLocation() const { return mLastLocation; }
    const TTrackPointInfo &FilteredLocation() const { return mFilteredLocation; }

protected:
    // Base processing: remembers the input and makes the output a copy of it.
    void PassThrough(const TTrackPointInfo &location);

    QString mSign;
    TTrackPointInfo mLastLocation;
    TTrackPointInfo mFilteredLocation;
};
