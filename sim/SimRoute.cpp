#include "SimRoute.h"

#include "SimGeo.h"

#include <cmath>

SimRoute::SimRoute(const QList<Node> &nodes)
    : fNodes(nodes)
{
    fCum.reserve(nodes.size());
    double total = 0;
    for (qsizetype k = 0; k < nodes.size(); ++k) {
        if (k > 0)
            total += SimGeo::distance(nodes[k - 1].lat, nodes[k - 1].lon, nodes[k].lat, nodes[k].lon);
        fCum.append(total);
    }
}

SimRoute::Node SimRoute::gridNode(double i, double j)
{
    const double a = GridAngleDeg * M_PI / 180.0;
    const double east = (i * std::cos(a) - j * std::sin(a)) * BlockMetres;
    const double north = (i * std::sin(a) + j * std::cos(a)) * BlockMetres;
    const double lat = CenterLat + north / SimGeo::EarthRadius * 180.0 / M_PI;
    const double lon = CenterLon + east / (SimGeo::EarthRadius * std::cos(CenterLat * M_PI / 180.0)) * 180.0 / M_PI;
    return {lat, lon};
}

SimRoute SimRoute::gridWalk(std::mt19937_64 &rng, int i, int j, int blocks)
{
    static const int dirs[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    std::uniform_real_distribution<double> u(0, 1);
    int dir = int(rng() % 4);
    QList<Node> nodes{gridNode(i, j)};
    for (int b = 0; b < blocks; ++b) {
        if (b > 0 && u(rng) < 0.3)
            dir = (dir + (u(rng) < 0.5 ? 1 : 3)) % 4; // left or right, never back
        // Keep the walk within about 6 km of the centre.
        const int ni = i + dirs[dir][0], nj = j + dirs[dir][1];
        if (std::abs(ni) > 26 || std::abs(nj) > 26) {
            dir = (dir + 1) % 4;
            --b;
            continue;
        }
        i = ni;
        j = nj;
        // Merge straight stretches into one segment.
        const Node n = gridNode(i, j);
        if (nodes.size() >= 2 && b > 0) {
            const Node &p = nodes[nodes.size() - 2];
            const Node &q = nodes.last();
            const double cross = (q.lat - p.lat) * (n.lon - q.lon) - (q.lon - p.lon) * (n.lat - q.lat);
            if (std::abs(cross) < 1e-12) {
                nodes.last() = n;
                continue;
            }
        }
        nodes.append(n);
    }
    return SimRoute(nodes);
}

SimRoute::Node SimRoute::positionAt(double dist, double *bearing, bool reverse) const
{
    if (fNodes.isEmpty())
        return {std::nan(""), std::nan("")};
    if (fNodes.size() == 1 || dist <= 0) {
        if (bearing && fNodes.size() > 1)
            *bearing = reverse ? SimGeo::bearing(fNodes[1].lat, fNodes[1].lon, fNodes[0].lat, fNodes[0].lon)
                               : SimGeo::bearing(fNodes[0].lat, fNodes[0].lon, fNodes[1].lat, fNodes[1].lon);
        return fNodes.first();
    }
    dist = std::min(dist, length());
    // Binary search for the segment that holds the distance.
    qsizetype lo = 0, hi = fCum.size() - 1;
    while (hi - lo > 1) {
        const qsizetype mid = (lo + hi) / 2;
        if (fCum[mid] < dist)
            lo = mid;
        else
            hi = mid;
    }
    const Node &a = fNodes[lo];
    const Node &b = fNodes[hi];
    const double seg = fCum[hi] - fCum[lo];
    const double t = seg > 0 ? (dist - fCum[lo]) / seg : 0;
    if (bearing)
        *bearing = reverse ? SimGeo::bearing(b.lat, b.lon, a.lat, a.lon) : SimGeo::bearing(a.lat, a.lon, b.lat, b.lon);
    return {a.lat + (b.lat - a.lat) * t, a.lon + (b.lon - a.lon) * t};
}
