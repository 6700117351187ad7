#pragma once

class SimRouter;
class SimWorld;

// Zones and their history, traps, events and their acceptance.
class SimZoneRoutes
{
public:
    static void install(SimRouter &router, SimWorld &world);
};
