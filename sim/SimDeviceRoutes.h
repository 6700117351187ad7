#pragma once

class SimRouter;
class SimWorld;

// The command queue, Wi-Fi access points, trips and address lookup.
class SimDeviceRoutes
{
public:
    static void install(SimRouter &router, SimWorld &world);
};
