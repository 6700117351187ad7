#pragma once

#include "MapTool.h"

#include <functional>

// Picks one point of the map: armed with a callback, the next right click
// on the map reports its position (and is no other click); Escape disarms.
class TPickPointTool : public TMapTool
{
public:
    using TOnPick = std::function<void(const TGeoPoint &Point)>;

    // A new arming replaces one that waits.
    void Arm(TOnPick OnPick);
    void Disarm();
    bool Armed() const { return bool(FOnPick); }

    bool Active() const override { return Armed(); }
    bool Press(const TMapToolEvent &Event) override;
    bool Key(const TMapToolEvent &Event) override;

private:
    TOnPick FOnPick;
};
