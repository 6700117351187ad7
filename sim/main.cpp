// velmora-sim: the simulated monitoring service for the demo and the
// end-to-end tests.

#include "SimOptions.h"
#include "SimServer.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {
std::atomic<bool> gStop{false};

void onSignal(int)
{
    gStop = true;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SimOptions options;
    QString error;
    if (!options.parse(app.arguments().mid(1), &error)) {
        std::fprintf(stderr, "velmora-sim: %s\n\n%s", qPrintable(error), qPrintable(SimOptions::usage()));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(SimOptions::usage()), stdout);
        return 0;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif

    SimServer server(options);
    if (!server.start(&error)) {
        std::fprintf(stderr, "velmora-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(server.baseUrl()));
    if (!server.caFile().isEmpty())
        std::printf("ca_file=%s\n", qPrintable(server.caFile()));
    std::fflush(stdout);

    while (!gStop)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    server.stop();
    std::fprintf(stderr, "velmora-sim: stopped\n");
    return 0;
}
