#pragma once

class QWidget;

// Draws the user's eye to an input field: three times its background turns
// red for 150 ms and back for 150 ms, then it gets the focus. The flashing
// runs on a timer, so the caller returns at once and the window stays live;
// a field destroyed meanwhile ends it. Flashing a field again while it
// flashes restarts the count.
void FlashControl(QWidget *field);
// Whether the field is showing the red background right now.
bool IsFlashRed(const QWidget *field);
// Whether the field is still flashing.
bool IsFlashing(const QWidget *field);
