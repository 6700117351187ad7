#pragma once

#include <QByteArray>

// Pictures the simulated service starts with.
namespace SimPhotos {
// A small JPEG portrait for the first demo object (empty when the JPEG
// writer is missing).
QByteArray demoJpeg();
}
