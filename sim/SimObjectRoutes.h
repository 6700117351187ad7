#pragma once

class SimRouter;
class SimWorld;

// /user/objects, /object, /object/{uid}, its track and its photo.
class SimObjectRoutes
{
public:
    static void install(SimRouter &router, SimWorld &world);
};
