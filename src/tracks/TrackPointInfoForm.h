#pragma once

// The "TrackPoint Info" window: one track point with its sensors, events and
// zones as named values.

#include "TrackPopupForm.h"

class TAddressCache;
class TTrackPointInfo;

class TTrackPointInfoForm : public TTrackPopupForm
{
    Q_OBJECT
public:
    explicit TTrackPointInfoForm(TAddressCache *Cache, QWidget *parent = nullptr);

    // Fills and shows; nothing happens for nullptr.
    void ShowTrackPoint(const TTrackPointInfo *tp);
    void Fill(const TTrackPointInfo &tp);

private:
    TAddressCache *fCache;
};
