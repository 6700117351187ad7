#pragma once

#include "ZtDates.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// One sensor of an object with its last reading, as the service sends it.
class TSensorInfo
{
public:
    TSensorInfo() = default;
    explicit TSensorInfo(int32_t aUid) : uid(aUid) {}
    TSensorInfo(const TSensorInfo &) = default;
    TSensorInfo &operator=(const TSensorInfo &) = default;

    void Assign(const TSensorInfo &src) { *this = src; }

    int32_t uid = 0;
    QString sign;
    QString name;
    QString unit;
    QString val;
    TDateTime obj_dt = NoDateTime; // measured by the device (local time)
    TDateTime sys_dt = NoDateTime; // received by the service (local time)
};

// A list that owns its sensors.
using TSensorList = std::vector<std::unique_ptr<TSensorInfo>>;

TSensorList CopySensorList(const TSensorList &src);
