#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The pictures of the main window's tool buttons, by button name
// ("SbDeleteTrack"). They are drawn from SVG, so they stay sharp at any
// device pixel ratio; a name without a picture gives a null icon and the
// button shows its text.
QIcon ToolIcon(const QString &buttonName);
// The same picture drawn in one colour (for dark styles), at one and two
// device pixels per pixel.
QIcon ToolIcon(const QString &buttonName, const QColor &ink);
