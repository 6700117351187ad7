#pragma once

// A trap: an alert rule the service evaluates for one object (or, with obj_id
// 0, for all of them, "GENERAL"): a target (zone, sensor, report timeout,
// battery, speed), a condition on it and a value, whether a hit is an alarm,
// how it is accepted and how the user is told.

#include "OSM.ZoneInfo.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class TObjectInfo;

class TTrapInfo
{
public:
    TTrapInfo() = default;
    TTrapInfo(int32_t aUid, int32_t aObjId) : uid(aUid), obj_id(aObjId) {}
    TTrapInfo(const TTrapInfo &) = default;
    TTrapInfo &operator=(const TTrapInfo &) = default;
    // Copies every field, the two references included.
    void Assign(const TTrapInfo &src) { *this = src; }

    // Form body for creating a trap: "uid=" only for a saved trap, every part
    // ending with "&".
    QString ToUrlString() const;

    // "Zone", "Sensor", "Timeout", "Battery", "Speed" or the type number.
    QString TargetType() const;
    // The zone's or the sensor's name, empty when it is not known.
    QString TargetName() const;
    // TargetType + ":" + TargetName.
    QString TrapName() const;
    // "→]" / "[→" for zones, ">90", "..10.." and the like for the others.
    QString Condition() const;

    // The object with uid obj_id in the client's object list; not owned.
    TObjectInfo *fObjInfo = nullptr;
    // The client's zone list, for naming zone targets; not owned.
    const TZoneList *fZoneList = nullptr;

    int32_t uid = 0;
    int32_t obj_id = 0;
    uint32_t target_type_id = 0;
    int32_t target_id = 0;
    int32_t condition_id = 0;
    QString val;
    bool is_alarm = false;
    int32_t accept_type_id = 0;
    QString msg;
    QString subj;
    bool email = false;
    bool telegram = false;
};

// A list that owns its traps.
using TTrapList = std::vector<std::unique_ptr<TTrapInfo>>;
