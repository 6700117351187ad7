#pragma once

class SimRouter;
class SimWorld;

// /user/login, /user, /user/reg, /user/recovery.
class SimAccountRoutes
{
public:
    static void install(SimRouter &router, SimWorld &world);
};
