#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// How much and how long each kind of service call may take (set on a
// client with SetCallLimits, CallLimits.h). An answer body
// past its size is cut off at once and the call fails ("answer too large",
// nothing saved); a call past its deadline fails however steadily its bytes
// arrive. The defaults leave room for a track of a million points (about
// 230 bytes of JSON a point) on a slow line.
struct TAnswerLimits
{
    static constexpr qint64 MB = qint64(1) << 20;

    qint64 apiBytes = 512 * MB;          // the JSON answers: lists, records, tracks
    qint64 deviceAnswerBytes = 32 * MB;  // a device's answer to a command, saved as a file
    qint64 photoBytes = 32 * MB;         // an object photo
    int callDeadlineMs = 120 * 1000;     // every call but a track
    int trackDeadlineMs = 600 * 1000;    // a track (the largest answers)

    // The configuration keys answer_max_mb, device_answer_max_mb,
    // photo_max_mb, call_deadline and track_deadline (seconds) over the
    // defaults; a value that is no positive whole number keeps its default,
    // sizes are capped at 2000 MB (the received body is counted in int).
    static TAnswerLimits FromConfig(const std::function<QString(const QString &)> &Value);
};
