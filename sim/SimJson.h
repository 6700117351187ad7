#pragma once

#include "SimRecords.h"

#include <QByteArray>
#include <QJsonObject>

// Writes the service's JSON records. Track points are written by hand because
// answers of a hundred thousand points must stay fast; the smaller records go
// through QJsonObject.
class SimJson
{
public:
    // The members of a point without braces, for a point object or for the
    // object record that carries its last position in its own members.
    static void pointMembers(QByteArray &out, const SimPoint &p, bool withUid);
    // The point's sensor readings as a "sensors" member, with a leading comma.
    static void pointSensors(QByteArray &out, const SimPoint &p, const QList<SimSensor> &sensors);
    static QString osmId(double lat, double lon);

    static QJsonObject event(const SimEvent &e);
    static QJsonObject zone(const SimZone &z);
    static QJsonObject trap(const SimTrap &t);
    static QJsonObject command(const SimCommand &c);
    static QJsonObject user(const SimAccount &a);

    static QByteArray compact(const QJsonObject &o);
    static QByteArray compact(const QJsonArray &a);
    static void appendString(QByteArray &out, const QString &s);
    static void appendNumber(QByteArray &out, double v);
};
