#pragma once

#include <QList>
#include <QString>

#include <mutex>
#include <random>

// Fault injection for reliability tests, from the --faults text:
//
//   RULE[;RULE...]      RULE = PATH:KIND=RATE[@MS][,KIND=RATE[@MS]...]
//
// PATH is a path prefix ("/api/v1/user/objects", "/tiles/") or "*" for every
// path. KIND is one of
//   delay      answer late, by MS milliseconds (default 2000)
//   500, 503   answer with that status and a JSON error
//   malformed  answer with a body that is not JSON
//   truncated  answer with the first half of the JSON body
//   stall      send half the body, wait MS milliseconds (default 5000), then drop
//   drop       close the connection without a body
//   401        refuse the token, as for one the service does not know
// RATE is the chance from 0 to 1. Waits are capped at 30 s so that nothing
// hangs for good.
class SimFaults
{
public:
    enum class Kind { None, Delay, Status500, Status503, Malformed, Truncated, Stall, Drop, Status401 };

    struct Rule
    {
        QString prefix;
        Kind kind = Kind::None;
        double rate = 0;
        int ms = 0;
    };

    struct Decision
    {
        int delayMs = 0;     // wait before answering
        Kind fault = Kind::None; // at most one fault that changes the answer
        int faultMs = 0;
    };

    static constexpr int MaxWaitMs = 30000;

    SimFaults() = default;
    // False with an error text for malformed rules (the rules in force stay).
    // May be called while requests are served.
    bool parse(const QString &rulesText, QString *error);
    void setSeed(quint64 seed) { fRng.seed(seed); }
    bool isEmpty()
    {
        std::lock_guard lock(fMutex);
        return fRules.isEmpty();
    }
    QList<Rule> rules()
    {
        std::lock_guard lock(fMutex);
        return fRules;
    }

    Decision decide(const QString &path);

private:
    QList<Rule> fRules;
    std::mutex fMutex;
    std::mt19937_64 fRng{1};
};
