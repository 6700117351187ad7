#include "PickPointTool.h"

void TPickPointTool::Arm(TOnPick OnPick)
{
    FOnPick = std::move(OnPick);
    if (FOnPick)
        SetCursor(Qt::CrossCursor);
}

void TPickPointTool::Disarm()
{
    if (!FOnPick)
        return;
    FOnPick = nullptr;
    SetCursor(std::nullopt);
}

bool TPickPointTool::Press(const TMapToolEvent &Event)
{
    if (Event.Button != Qt::RightButton || !FOnPick)
        return false;
    const TGeoPoint point = View().ViewToGeo(Event.Pos);
    // Disarmed before the call: the callback may arm it again.
    TOnPick pick = std::exchange(FOnPick, nullptr);
    SetCursor(std::nullopt);
    pick(point);
    return true;
}

bool TPickPointTool::Key(const TMapToolEvent &Event)
{
    if (Event.Key != Qt::Key_Escape || !FOnPick)
        return false;
    Disarm();
    return true;
}
