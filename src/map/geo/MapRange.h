#pragma once

// The positions the map takes: the one range check behind TGeoPoint, the
// pixel conversions, the scale bar and the track drawing.

// The latitudes the map takes, north and south: a little beyond the Mercator
// limit (about 85.0511) on purpose.
inline constexpr double MaxMapLatitude = 85.1;

// Whether a position in degrees lies within the map's range: longitude
// -180 .. 180, latitude -MaxMapLatitude .. MaxMapLatitude, NaN outside.
inline bool IsMapPosition(double Long, double Lat)
{
    // Written as positive tests so that NaN fails them.
    return Long >= -180.0 && Long <= 180.0 && Lat >= -MaxMapLatitude && Lat <= MaxMapLatitude;
}
