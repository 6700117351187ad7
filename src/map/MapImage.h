#pragma once

#include "MapView.h"

#include <QImage>
#include <QString>

class TZtMapControl;

// The map of any area and zoom drawn into an image, off the screen: the
// tiles of the view from the map's tile storage, then the map's layers in
// their order, then the tiles' attribution. Missing tiles are asked for and
// waited for (the events are processed meanwhile) up to WaitMs; those still
// missing after that are left blank and counted in Missing.
QImage RenderMapImage(TZtMapControl &Map, const TMapView &View, int WaitMs, int *Missing = nullptr);

// Writes a PNG in one step (the old file stays until the new one is whole).
bool SaveMapImage(const QImage &Image, const QString &Path, QString *Error = nullptr);
