#include "SimTileRenderer.h"

#include "SimGeo.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr int RendererVersion = 1;
const QColor Land(0xF2, 0xEF, 0xE9);
const QColor Water(0xAA, 0xD3, 0xDF);
const QColor GridLine(0xD8, 0xD4, 0xCC);
const QColor StreetCasing(0xD0, 0xC8, 0xBC);
const QColor Street(0xFF, 0xFF, 0xFF);
const QColor MainCasing(0xE0, 0xB8, 0x70);
const QColor MainStreet(0xFC, 0xE4, 0xA8);
}

SimTileRenderer::SimTileRenderer(const QList<SimRoute> &routes, quint64 seed)
    : fRoutes(routes)
    , fSeed(seed)
    , fCache(4000)
{
}

bool SimTileRenderer::validTile(int z, int x, int y)
{
    if (z < 0 || z > 20)
        return false;
    const int n = 1 << z;
    return x >= 0 && y >= 0 && x < n && y < n;
}

QByteArray SimTileRenderer::etag(int z, int x, int y) const
{
    const QByteArray key = QByteArray::number(RendererVersion) + '/' + QByteArray::number(fSeed) + '/' + QByteArray::number(z) + '/'
        + QByteArray::number(x) + '/' + QByteArray::number(y);
    return '"' + QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(20) + '"';
}

QByteArray SimTileRenderer::png(int z, int x, int y)
{
    if (!validTile(z, x, y))
        return QByteArray();
    const quint64 key = (quint64(z) << 48) | (quint64(x) << 24) | quint64(y);
    {
        std::lock_guard lock(fCacheMutex);
        if (const QByteArray *hit = fCache.object(key))
            return *hit;
    }
    const QByteArray bytes = render(z, x, y);
    std::lock_guard lock(fCacheMutex);
    fCache.insert(key, new QByteArray(bytes), 1);
    return bytes;
}

QByteArray SimTileRenderer::render(int z, int x, int y) const
{
    QImage img(TileSize, TileSize, QImage::Format_RGB32);
    img.fill(Land);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double ox = double(x) * TileSize, oy = double(y) * TileSize;
    auto toPixel = [&](double lat, double lon) {
        return QPointF(SimGeo::lonToPixelX(lon, z) - ox, SimGeo::latToPixelY(lat, z) - oy);
    };
    const double west = SimGeo::pixelXToLon(ox, z), east = SimGeo::pixelXToLon(ox + TileSize, z);
    const double north = SimGeo::pixelYToLat(oy, z), south = SimGeo::pixelYToLat(oy + TileSize, z);

    // A river north of the centre, like the Kama: a band that meanders gently.
    if (z >= 8) {
        QPainterPath river;
        bool first = true;
        for (double lon = west - 0.01; lon <= east + 0.01; lon += (east - west) / 32) {
            const double lat = SimRoute::CenterLat + 0.045 + 0.01 * std::sin((lon - SimRoute::CenterLon) * 40);
            const QPointF pt = toPixel(lat, lon);
            first ? river.moveTo(pt) : river.lineTo(pt);
            first = false;
        }
        const double widthPx = std::max(2.0, 600.0 / (156543.0 * std::cos(SimRoute::CenterLat * M_PI / 180) / double(1 << z)));
        p.setPen(QPen(Water, widthPx, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
        p.drawPath(river);
    }

    // Coordinate grid with a step that suits the zoom.
    double step = 10;
    for (double s : {5.0, 1.0, 0.5, 0.1, 0.05, 0.01, 0.005, 0.001})
        if ((east - west) / s < 6)
            step = s;
    p.setPen(QPen(GridLine, 1));
    for (double lon = std::floor(west / step) * step; lon <= east; lon += step)
        p.drawLine(toPixel(north, lon), toPixel(south, lon));
    for (double lat = std::floor(south / step) * step; lat <= north; lat += step)
        p.drawLine(toPixel(lat, west), toPixel(lat, east));

    // The city's street grid, visible from street level zooms.
    if (z >= 13) {
        const double w = z >= 16 ? 7 : z >= 15 ? 4 : 2;
        for (const auto &[color, width] : {std::pair{StreetCasing, w + 2}, std::pair{Street, w}}) {
            p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
            for (int k = -26; k <= 26; ++k) {
                const SimRoute::Node a = SimRoute::gridNode(k, -26), b = SimRoute::gridNode(k, 26);
                const SimRoute::Node c = SimRoute::gridNode(-26, k), d = SimRoute::gridNode(26, k);
                p.drawLine(toPixel(a.lat, a.lon), toPixel(b.lat, b.lon));
                p.drawLine(toPixel(c.lat, c.lon), toPixel(d.lat, d.lon));
            }
        }
    }

    // The routes are the main streets.
    if (z >= 10) {
        const double w = z >= 16 ? 12 : z >= 14 ? 7 : z >= 12 ? 4 : 2;
        for (const auto &[color, width] : {std::pair{MainCasing, w + 2}, std::pair{MainStreet, w}}) {
            p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            for (const SimRoute &r : fRoutes) {
                QPainterPath path;
                bool first = true;
                for (const SimRoute::Node &n : r.nodes()) {
                    const QPointF pt = toPixel(n.lat, n.lon);
                    first ? path.moveTo(pt) : path.lineTo(pt);
                    first = false;
                }
                if (path.boundingRect().adjusted(-width, -width, width, width).intersects(QRectF(0, 0, TileSize, TileSize)))
                    p.drawPath(path);
            }
        }
    }
    p.end();

    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}
