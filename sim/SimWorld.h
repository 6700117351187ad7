#pragma once

#include "SimClock.h"
#include "SimDevice.h"
#include "SimMover.h"
#include "SimRecords.h"
#include "SimReply.h"

#include <QHash>
#include <QMap>
#include <QString>

#include <memory>
#include <mutex>

using SimFields = QMap<QString, QString>;

// The simulated monitoring service: accounts, objects moving around the city,
// zones, traps and their events, device command queues, photos and trips.
// Every operation locks the world, first brings the simulation up to the
// present, and answers as the service would. Thread-safe.
class SimWorld
{
public:
    struct Options
    {
        quint64 seed = 1;
        int objects = 6;
        double historyDays = 3;
        // Another account's car, shared with demo (off: tests that take
        // "the last object" for an own one keep working).
        bool sharedObject = false;
        QString host = QStringLiteral("127.0.0.1");
    };

    SimWorld(const Options &options, const SimClock *clock);
    ~SimWorld();

    // Persistence: loads the state file when it exists, then writes it
    // (atomically) after every change. False with an error text when the file
    // exists but cannot be used.
    bool attachStateFile(const QString &path, QString *error);
    bool saveNow(QString *error);

    // Accounts
    SimReply login(const QString &login, const QString &password);
    int accountOfToken(const QString &token);
    SimReply getUser(int uid);
    SimReply updateUser(int uid, const SimFields &fields);
    SimReply reg(const QString &login);
    SimReply recovery(const QString &login);

    // Objects and tracks; times in ms, `sinceMs` -1 for a full list.
    SimReply objects(int uid, qint64 sinceMs);
    SimReply object(int uid, int objUid);
    SimReply createObject(int uid, const SimFields &fields);
    SimReply updateObject(int uid, int objUid, const SimFields &fields);
    SimReply deleteObject(int uid, int objUid);
    SimReply track(int uid, int objUid, qint64 fromMs, qint64 toMs, int mode, int tmode);

    // Zones, traps, events
    SimReply zones(int uid);
    SimReply createZone(int uid, const SimFields &fields);
    SimReply updateZone(int uid, int zoneUid, const SimFields &fields);
    SimReply deleteZone(int uid, int zoneUid);
    SimReply zoneHistory(int uid, int zoneUid, qint64 fromMs, qint64 toMs, int mode, int tmode);
    SimReply traps(int uid);
    SimReply createTrap(int uid, const SimFields &fields);
    SimReply updateTrap(int uid, int trapUid, const SimFields &fields);
    SimReply deleteTrap(int uid, int trapUid);
    SimReply events(int uid, qint64 fromMs, qint64 toMs);
    SimReply acceptEvent(int uid, int eventUid, const QString &msg);

    // Device command queue, Wi-Fi, photos, trips, addresses
    SimReply sendCommand(int uid, int objUid, const QString &text);
    SimReply commandLog(int uid, int objUid, int count, const QString &txt);
    SimReply commandResponse(int uid, int cmdUid);
    SimReply wifiAps(double minLat, double minLon, double maxLat, double maxLon);
    SimReply getPhoto(int uid, int objUid);
    SimReply postPhoto(int uid, int objUid, const QByteArray &data, const QString &contentType);
    SimReply deletePhoto(int uid, int objUid);
    SimReply startTrip(int uid, int objUid, const QString &name);
    SimReply stopTrip(int uid, int objUid);
    SimReply trips(int uid, qint64 fromMs, qint64 toMs);
    SimReply osmLookup(const QStringList &ids);

    // The routes, drawn as streets on the map tiles.
    QList<SimRoute> routes() const;
    // A synthetic address, the same for the same id; empty for an unknown id.
    static QString addressOf(const QString &osmId);

    // For load tests: appends points to an object's history, oldest first.
    void importPoints(int objUid, const QList<SimPoint> &points);
    int demoObjectUid(int index) const;

private:
    struct ObjectSim
    {
        SimObject obj;
        std::unique_ptr<SimMover> mover;
        QList<SimPoint> points; // oldest first
        SimDevice device;
    };

    void build();
    void advanceLocked(qint64 nowMs);
    void addPointLocked(ObjectSim &os, const SimPoint &p, qint64 nowMs, bool evaluate);
    void evaluateTrapsLocked(ObjectSim &os, const SimPoint &p, qint64 nowMs);
    // True when it raised a new event.
    bool setTrapStateLocked(const SimTrap &trap, ObjectSim &os, bool holds, const SimPoint &p);
    void processCommandsLocked(qint64 nowMs);
    // What the trap, alarm and trip windows show at once: template fields in
    // the trap messages, an open alarm to accept, a public trip.
    void addDemoExtrasLocked(qint64 nowMs);
    QString sensorValueLocked(const SimTrap &trap, const ObjectSim &os, const SimPoint &p) const;
    void touch(SimObject &o, qint64 nowMs);
    void changedLocked();
    ObjectSim *ownObject(int uid, int objUid);
    // The user's own object, or one that its owner shares with the user.
    ObjectSim *visibleObject(int uid, int objUid);
    // Whether the owner listed the user's login among the object's users.
    bool sharedWith(const SimObject &o, int uid) const;
    // Another account's tracker, shared with the demo user.
    void addSharedObjectLocked(quint64 seed, qint64 startMs);
    SimAccount *account(int uid);
    // The object as the user `viewer` sees it (is_alien when shared with them).
    QByteArray objectJson(const ObjectSim &os, int viewer) const;
    // The object record with the open alarms given (gathered by the caller).
    void appendObjectJson(QByteArray &out, const ObjectSim &os, const QList<const SimEvent *> &alarms, int viewer) const;
    void pointJson(QByteArray &out, const ObjectSim &os, const SimPoint &p, bool extended,
                   const QHash<int, QList<const SimEvent *>> &eventsByPoint, int userUid) const;
    QList<const SimPoint *> pointsBetween(const ObjectSim &os, qint64 fromMs, qint64 toMs, bool bySysTime) const;
    SimReply applyZoneFields(SimZone &z, const SimFields &fields, bool creating);
    SimReply applyTrapFields(int uid, SimTrap &t, const SimFields &fields);
    QJsonObject tripJson(const SimTrip &t) const;
    QJsonObject stateJson() const;
    bool loadStateJson(const QJsonObject &o, QString *error);

    Options fOptions;
    const SimClock *fClock;
    mutable std::recursive_mutex fMutex;
    QString fStateFile;
    std::mt19937_64 fRng;

    QList<SimAccount> fAccounts;
    std::map<int, std::unique_ptr<ObjectSim>> fObjects;
    QList<SimZone> fZones;
    QList<SimTrap> fTraps;
    QList<SimEvent> fEvents;
    QHash<QPair<int, int>, int> fOpenEvents; // (trap, object) -> event uid while the condition holds
    QList<SimCommand> fCommands;
    QList<SimTrip> fTrips;
    QList<SimWifiAp> fWifiAps;
    QList<int> fDemoUids;
    int fNextAccount = 1, fNextObject = 1001, fNextZone = 1, fNextTrap = 1, fNextEvent = 1, fNextCommand = 1, fNextTrip = 1;
    qint64 fLastAdvance = 0;
};
