#pragma once

#include <QIcon>
#include <QString>

// The pictures of the main window's tool buttons, by button name
// ("SbDeleteTrack"). They are drawn from SVG, so they stay sharp at any
// device pixel ratio; a name without a picture gives a null icon and the
// button shows its text.
QIcon ToolIcon(const QString &buttonName);

// The program's own picture (its desktop icon), for the tray.
QIcon ProgramIcon();
