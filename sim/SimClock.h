#pragma once

#include <QString>

#include <atomic>

// The simulated clock: it starts at the real time and runs `speed` times faster.
class SimClock
{
public:
    explicit SimClock(double speed = 1.0);

    qint64 nowMs() const;
    double speed() const { return fSpeed; }

    // A clock that stands still until moved, for tests.
    struct Manual
    {
        qint64 startMs;
    };
    explicit SimClock(Manual m);
    void advance(qint64 ms) { fManualNow += ms; }

    // "yyyy-MM-ddTHH:mm:ssZ" of a UTC time; empty for 0.
    static QString iso(qint64 ms);
    // Reads the service's time texts (ISO 8601, "Z" optional); -1 when unreadable.
    static qint64 parse(const QString &text);

private:
    qint64 fRealStartMs;
    double fSpeed;
    bool fManual = false;
    std::atomic<qint64> fManualNow{0};
};
