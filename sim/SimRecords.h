#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cmath>
#include <limits>

// Plain records of the simulated service. Times are milliseconds since the
// Unix epoch in simulated UTC; 0 means "no time".

struct SimAccount
{
    int uid = 0;
    QString login;
    QString password;
    QString name;
    QString email;
    qint64 tgChatId = 0;
    int tz = 0; // seconds east of UTC
    QString lang;
    QStringList tokens;
};

struct SimPoint
{
    int uid = 0;
    int objId = 0;
    qint64 sysMs = 0;
    qint64 objMs = 0;
    qint64 gpsMs = 0; // 0 for positions without a satellite fix
    double lat = std::numeric_limits<double>::quiet_NaN();
    double lon = std::numeric_limits<double>::quiet_NaN();
    double speed = 0; // km/h
    double angle = 0;
    double alt = 0;
    double acc = 0;
    int bat = 0;
    int src = 0; // 0 GNSS, 1 cell, 2 Wi-Fi, 3 place
    bool charging = false;
    double temp = 0;
    int steps = 0;
    int heart = 0;
    QString event; // text of the "event" sensor, empty for most points
};

struct SimSensor
{
    int uid = 0;
    QString sign;
    QString name;
    QString unit;
};

struct SimObject
{
    int uid = 0;
    int ownerUid = 0;
    QString id;
    QString name;
    int typeId = 1; // 1 phone, 2 tracker
    QString trackColor = QStringLiteral("#FF0000");
    QString usersList;
    QString model, hwType, hwInfo, swVer, phone, imei, settings;
    bool isDeleted = false;
    qint64 delMs = 0;
    bool hasImage = false;
    qint64 imageMs = 0;
    QByteArray image;
    QString imageType;
    int tripId = 0;
    int tripStatus = 0;
    qint64 changedMs = 0; // whole seconds, see SimWorld::touch
    bool simulated = false;
    QList<SimSensor> sensors;
};

struct SimZone
{
    int uid = 0;
    int vid = 1;
    int typeId = 1;
    int userId = 0;
    QString name;
    QString desc;
    QString color = QStringLiteral("#FF0000");
    QString geom; // JSON text as the client sends and reads it
    // Parsed geometry (lon, lat pairs for polygons).
    double centerLat = std::numeric_limits<double>::quiet_NaN();
    double centerLon = std::numeric_limits<double>::quiet_NaN();
    double radius = std::numeric_limits<double>::quiet_NaN();
    QList<QPair<double, double>> nodes; // (lon, lat)
};

struct SimTrap
{
    int uid = 0;
    int vid = 1;
    int userId = 0;
    int objId = 0; // 0: every object of the user
    int targetTypeId = 1; // 1 zone, 2 sensor, 3 time-out, 4 battery, 5 speed
    int targetId = 0;
    int conditionId = 1;
    QString val;
    bool isAlarm = false;
    int acceptTypeId = 0;
    QString msg, subj;
    bool email = false;
    bool telegram = false;
};

struct SimEvent
{
    int uid = 0;
    int objId = 0;
    int trapId = 0;
    int trapVid = 0;
    bool isAlarm = false;
    bool manualAccept = false;
    SimPoint h;
    QString hSval; // the sensor's reading, for sensor traps
    bool completed = false;
    SimPoint c;
    QString cSval;
    qint64 acceptMs = 0;
    QString acceptMsg;
    // An alarm stays open until accepted; without manual acceptance it also
    // closes when its condition ends.
    bool isOpenAlarm() const { return isAlarm && acceptMs == 0 && (manualAccept || !completed); }
};

struct SimCommand
{
    int uid = 0;
    int objId = 0;
    QString txt;
    qint64 createMs = 0;
    qint64 sendMs = 0;
    qint64 respMs = 0;
    QString rType;
    QByteArray response;
};

struct SimTrip
{
    int uid = 0;
    int objId = 0;
    QString name;
    int status = 1; // 1 active, 2 complete
    qint64 startMs = 0;
    qint64 stopMs = 0;
    bool isPublic = false;
    QString token;
};

struct SimWifiAp
{
    QString ssid;
    QString bssid;
    int std = 5;
    double lat = 0;
    double lon = 0;
    qint64 updMs = 0;
};
