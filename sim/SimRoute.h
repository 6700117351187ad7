#pragma once

#include <QList>

#include <random>

// A street-like polyline: it follows the blocks of a slightly rotated street
// grid around the city centre, so routes share streets the way real ones do.
class SimRoute
{
public:
    struct Node
    {
        double lat;
        double lon;
    };

    static constexpr double CenterLat = 57.998649;
    static constexpr double CenterLon = 56.27574;
    static constexpr double BlockMetres = 220.0;
    static constexpr double GridAngleDeg = 18.0;

    SimRoute() = default;
    explicit SimRoute(const QList<Node> &nodes);

    // A walk of `blocks` grid blocks from grid crossing (i, j): it mostly goes
    // straight, sometimes turns, and never turns straight back.
    static SimRoute gridWalk(std::mt19937_64 &rng, int i, int j, int blocks);
    // The position of grid crossing (i, j).
    static Node gridNode(double i, double j);

    const QList<Node> &nodes() const { return fNodes; }
    double length() const { return fCum.isEmpty() ? 0 : fCum.last(); }
    // Position and heading at a distance along the route, clamped to its ends.
    // `reverse` gives the heading of travel from the end towards the start.
    Node positionAt(double dist, double *bearing = nullptr, bool reverse = false) const;

private:
    QList<Node> fNodes;
    QList<double> fCum; // cumulative length at each node
};
