// Answer times of velmora-sim (in process, over loopback HTTP with a real
// client): the full object list of 1,000 objects and a track of 100,000
// points, with and without the extended point data; and 20 clients at once
// with a fresh connection per request.

#include "SimServer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Fixture
{
    std::unique_ptr<SimServer> server;
    std::unique_ptr<httplib::Client> client;
    httplib::Headers auth;
    int trackObject = 0;
    std::string trackPath;

    Fixture()
    {
        SimOptions o;
        o.port = 0;
        o.objects = 1000;
        o.historyDays = 0.02; // half an hour: every object has a position
        o.seed = 9;
        o.log = QDir::temp().filePath(QStringLiteral("bm_sim.log")); // one line per request would swamp the figures
        server = std::make_unique<SimServer>(o);
        QString error;
        if (!server->start(&error))
            qFatal("bm_sim: %s", qPrintable(error));
        // A 100,000-point history for one object: one point every 10 s.
        trackObject = server->world()->demoObjectUid(0);
        QList<SimPoint> pts;
        const qint64 t0 = 1'700'000'000'000;
        for (int i = 0; i < 100000; ++i) {
            SimPoint p;
            p.uid = 900000000 + i;
            p.objId = trackObject;
            p.sysMs = p.objMs = p.gpsMs = t0 + qint64(i) * 10000;
            p.lat = 57.99 + 0.00001 * (i % 1000);
            p.lon = 56.27 + 0.00001 * (i / 1000);
            p.speed = i % 7 * 9.5;
            p.angle = i % 360;
            p.alt = 150;
            p.acc = 5;
            p.bat = 100 - i % 100;
            p.temp = 21.5;
            p.event = i % 1000 == 0 ? QStringLiteral("stop") : QString();
            pts.append(p);
        }
        server->world()->importPoints(trackObject, pts);
        trackPath = "/api/v1/object/" + std::to_string(trackObject) + "/track?from=2023-11-14T00:00:00Z&to=2023-11-30T00:00:00Z";

        client = std::make_unique<httplib::Client>("127.0.0.1", server->port());
        client->set_read_timeout(60, 0);
        const auto login = client->Post("/api/v1/user/login", "uname=demo&upass=demo", "application/x-www-form-urlencoded");
        const QJsonObject o2 = QJsonDocument::fromJson(QByteArray::fromStdString(login ? login->body : std::string())).object();
        auth = {{"X-Auth-Token", o2.value(QStringLiteral("apiToken")).toString().toStdString()}};
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void report(benchmark::State &state, size_t items, size_t bytes)
{
    state.counters["items/s"] = benchmark::Counter(double(items), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = double(bytes) / 1e6;
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["peak_RSS_MB"] = double(ru.ru_maxrss) / 1024.0;
}

void BM_FullObjectList(benchmark::State &state)
{
    Fixture &f = fixture();
    size_t bytes = 0;
    for (auto _ : state) {
        const auto res = f.client->Get("/api/v1/user/objects", f.auth);
        if (!res || res->status != 200)
            state.SkipWithError("objects failed");
        else
            bytes = res->body.size();
    }
    report(state, 1000, bytes);
}

void BM_Track(benchmark::State &state)
{
    Fixture &f = fixture();
    const std::string path = f.trackPath + (state.range(0) ? "&mode=1" : "");
    size_t bytes = 0;
    for (auto _ : state) {
        const auto res = f.client->Get(path, f.auth);
        if (!res || res->status != 200)
            state.SkipWithError("track failed");
        else
            bytes = res->body.size();
    }
    report(state, 100000, bytes);
}

void BM_Tile(benchmark::State &state)
{
    Fixture &f = fixture();
    int k = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        // A new tile each time: rendering, not the cache.
        const std::string path = "/tiles/15/" + std::to_string(21490 + k % 40) + "/" + std::to_string(9850 + k / 40) + ".png";
        ++k;
        const auto res = f.client->Get(path);
        if (!res || res->status != 200)
            state.SkipWithError("tile failed");
        else
            bytes = res->body.size();
    }
    report(state, 1, bytes);
}

// Load: 20 clients at once, each opening a fresh connection per request (as
// tile loaders and scripts do), while `idle` other connections stay open
// without asking anything (keep-alive, as a client between refreshes).
// Wall-clock time per request, connection set-up included: median, p90, p99
// and the worst over all requests.
void BM_LoadFreshConnections(benchmark::State &state)
{
    Fixture &f = fixture();
    const int clients = 20, perClient = 100, idle = int(state.range(0));
    // The tiles are rendered once beforehand: this measures connections and
    // answers, not the renderer (about 0.1 s a tile with the river in it).
    auto pathOf = [](int k) {
        return k == 100 ? std::string("/")
                        : "/tiles/14/" + std::to_string(10748 + k % 10) + "/" + std::to_string(4930 + k / 10) + ".png";
    };
    for (int k = 0; k < 101; ++k)
        f.client->Get(pathOf(k));
    std::vector<std::unique_ptr<httplib::Client>> held;
    for (int i = 0; i < idle; ++i) {
        auto c = std::make_unique<httplib::Client>("127.0.0.1", f.server->port());
        c->set_keep_alive(true);
        if (!c->Get("/"))
            state.SkipWithError("idle connection failed");
        held.push_back(std::move(c));
    }
    std::vector<double> all;
    std::atomic<int> failed{0};
    for (auto _ : state) {
        std::vector<std::vector<double>> times(clients);
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c)
            threads.emplace_back([&, c] {
                for (int i = 0; i < perClient; ++i) {
                    // The demo's first view: tiles of zoom 14 around the city, then the service root.
                    const int k = (c * perClient + i) % 101;
                    const std::string path = pathOf(k);
                    const auto t0 = std::chrono::steady_clock::now();
                    httplib::Client client("127.0.0.1", f.server->port());
                    client.set_connection_timeout(5, 0);
                    client.set_read_timeout(10, 0);
                    const auto res = client.Get(path);
                    times[size_t(c)].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
                    if (!res || res->status != 200) {
                        if (failed++ < 5)
                            std::fprintf(stderr, "%s after %.0f ms: %s\n", path.c_str(), times[size_t(c)].back(),
                                         res ? std::to_string(res->status).c_str() : httplib::to_string(res.error()).c_str());
                    }
                }
            });
        for (std::thread &t : threads)
            t.join();
        for (const auto &v : times)
            all.insert(all.end(), v.begin(), v.end());
    }
    if (failed > 0)
        state.SkipWithError("requests failed");
    std::sort(all.begin(), all.end());
    auto at = [&all](double q) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, size_t(double(all.size()) * q))]; };
    state.counters["median_ms"] = at(0.5);
    state.counters["p90_ms"] = at(0.9);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = all.empty() ? 0.0 : all.back();
    state.counters["requests/s"] = benchmark::Counter(double(all.size()), benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(idle) + " idle keep-alive connections");
}

} // namespace

BENCHMARK(BM_FullObjectList)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Track)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Tile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(400);
BENCHMARK(BM_LoadFreshConnections)->Arg(0)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
