#pragma once

// A bearing as read from any source (the service's "angle", a GPX <course>,
// a CSV column), in degrees from north in [0, 360): reduced modulo 360 (-90
// is 270, 1e306 its remainder); a value that is not finite is no bearing
// (NaN). Every reader passes its bearings through here, so that what the
// track glyphs turn into pixel offsets is always a small angle.
double NormalBearing(double deg);
