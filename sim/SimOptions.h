#pragma once

#include <QString>
#include <QStringList>

// The command line of velmora-sim.
struct SimOptions
{
    QString host = QStringLiteral("127.0.0.1");
    int port = 8080;
    bool tls = false;
    QString cert;
    QString key;
    QString state;
    double speed = 1.0;
    quint64 seed = 1;
    QString faults;
    bool faultsControl = false; // PUT /sim/faults replaces the rules
    QString log;
    int objects = 6;
    double historyDays = 3;
    bool sharedObject = false; // olga's car, shared with demo
    int threads = 16;
    bool help = false;

    // Reads the arguments after the program name; false with an error text.
    bool parse(const QStringList &args, QString *error);
    static QString usage();
};
