#pragma once

// One entry of an object's command log: a text command posted for the device,
// when it was fetched and what the device answered.

#include <QString>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class TCommandInfo
{
public:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    TCommandInfo() = default;
    explicit TCommandInfo(uint32_t aUid) : uid(aUid) {}

    uint32_t uid = 0;
    // JSON "obj_id".
    uint32_t obj_uid = 0;
    QString txt;
    double create_dt = NaN;
    // Zero while the command waits for the device.
    double send_dt = NaN;
    // Content type of the device's answer; empty while there is none.
    QString r_type;
    uint32_t r_size = 0;
    // JSON "resp_dt".
    double r_dt = NaN;
};

// A list that owns its entries.
using TCommandList = std::vector<std::unique_ptr<TCommandInfo>>;
