#include "MapView.h"

#include <algorithm>
#include <cmath>

QPoint TMapView::GeoToMap(const TGeoPoint &Geo) const
{
    const TMapZoomLevel z = ZoomLevel();
    return QPoint(int(LongToMapX(z, Geo.Long)), int(LatToMapY(z, Geo.Lat)));
}

TGeoPoint TMapView::MapToGeo(const QPoint &MapPt) const
{
    if (MapPt.x() < 0 || MapPt.y() < 0)
        throw EGeoAssertion();
    const TMapZoomLevel z = ZoomLevel();
    return TGeoPoint{MapXToLong(z, quint32(MapPt.x())), MapYToLat(z, quint32(MapPt.y()))};
}

TGeoPoint TMapView::ViewToGeo(const QPoint &ViewPt) const
{
    const QPoint m = ViewToMap(ViewPt);
    const int size = int(std::min<qint64>(MapPixels(), std::numeric_limits<int>::max()));
    return MapToGeo(QPoint(std::clamp(m.x(), 0, size), std::clamp(m.y(), 0, size)));
}

double TMapView::MetresPerPixel(double Lat) const
{
    return MetersPerPixel[ZoomLevel()] * std::cos(Lat * M_PI / 180);
}
