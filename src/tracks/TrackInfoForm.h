#pragma once

// The "Track Info" window: a track's statistics as named values; the row of
// the addresses has a button that opens the track's path.

#include "TrackPopupForm.h"

class QToolButton;
class TAddressCache;
class TGeoTrack;

class TTrackInfoForm : public TTrackPopupForm
{
    Q_OBJECT
public:
    // PathParent: the parent of the path window (the main window), which
    // outlives this pop-up. Cache may be null.
    TTrackInfoForm(TAddressCache *Cache, QWidget *PathParent, QWidget *parent = nullptr);

    void ShowTrackInfo(const TGeoTrack *aTrack);
    // Fills the rows without showing the window.
    void Fill(const TGeoTrack &aTrack);
    // Opens the path window modally; this window stays while it shows.
    void ShowPath();
    const TGeoTrack *Track() const { return fTrack; }

    QToolButton *SbPath = nullptr;

private:
    TAddressCache *fCache;
    QWidget *fPathParent;
    const TGeoTrack *fTrack = nullptr;
};
