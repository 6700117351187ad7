#pragma once

// The real velmora-sim program on a free loopback port, for every test that
// talks to the simulated service: started with the given arguments, it
// reports its address on its first line (and, with --tls, the file of its
// certificate authority on the second); stopped with SIGTERM.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

class TVelmoraClient;

class SimProcess
{
public:
    // How long the program may take to report its address: a loaded
    // two-core machine builds the simulated world slowly.
    static constexpr int StartMs = 30000;
    // How long it may take to stop before it is killed.
    static constexpr int StopMs = 10000;

    SimProcess() = default;
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;
    ~SimProcess();

    // Starts velmora-sim on 127.0.0.1, port 0, with Extra after those.
    bool start(const QStringList &extra = {});
    // SIGTERM; the exit code tells whether the program stopped cleanly (-1
    // when it had to be killed or crashed). Stopping twice is harmless.
    int stop();

    QString url() const { return fUrl; }
    QString tileUrl() const { return fUrl + QStringLiteral("/tiles/{z}/{x}/{y}.png"); }
    // The certificate authority of a --tls start; empty otherwise.
    QString caFile() const { return fCaFile; }
    QProcess &process() { return fProc; }

    // A fresh token of the demo account; empty when the sign-in failed.
    QString demoToken() const;
    // A client signed in as the demo user, logging into Log (which must
    // outlive it); nullptr when the sign-in failed.
    std::unique_ptr<TVelmoraClient> demoClient(QString *Log = nullptr) const;

private:
    QProcess fProc;
    QString fUrl;
    QString fCaFile;
};
