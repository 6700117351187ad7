// Map benchmarks on a 1920 x 1080 view (offscreen platform):
//  BM_PanFrame     median frame while panning: one 1,000,000-point track,
//                  1,000 object markers, 100 zones (target <= 33 ms);
//  BM_ColdView     every tile of an empty view from a loopback tile server
//                  answering after 50 ms, beside the three-worker lower bound
//                  ceil(tiles / 3) x 50 ms (target <= 1.3 x the bound);
//  BM_PanSweep     frames while sweeping across the whole track with events
//                  handled between frames (target p99 <= 33 ms);
//  BM_ZoomStep     the frame after a zoom step with the track shown
//                  (target <= 100 ms);
//  BM_WarmFirstPaint  the first full paint of a new map over a filled disk
//                  cache (target <= 50 ms).
#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "OSM.ZtMapControl.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>

namespace {

const TGeoPoint Home{56.27574, 57.998649};

QByteArray TilePng(int seed)
{
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(QColor(242, 239, 233));
    QPainter p(&img);
    std::mt19937 rng(seed);
    for (int i = 0; i < 30; ++i) {
        p.setPen(QPen(QColor(255, 255, 255), 1 + int(rng() % 6)));
        p.drawLine(int(rng() % 256), int(rng() % 256), int(rng() % 256), int(rng() % 256));
    }
    p.end();
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

// A tile server on loopback that answers after a fixed latency.
class TileServer
{
public:
    explicit TileServer(int latencyMs)
    {
        for (int i = 0; i < 16; ++i)
            fTiles.push_back(TilePng(i).toStdString());
        fServer.new_task_queue = [] { return new httplib::ThreadPool(64); };
        // Headers and body leave without waiting, as from a production tile
        // server; with Nagle's algorithm (httplib's default) the body waits
        // for the client's delayed acknowledgement, 40 ms on Linux loopback.
        fServer.set_tcp_nodelay(true);
        fServer.Get(R"(/(\d+)/(\d+)/(\d+)\.png)", [this, latencyMs](const httplib::Request &req, httplib::Response &res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(latencyMs));
            ++fHits;
            res.set_content(fTiles[size_t(std::stoi(req.matches[2]) + std::stoi(req.matches[3])) % fTiles.size()], "image/png");
        });
        fPort = fServer.bind_to_any_port("127.0.0.1");
        fThread = std::thread([this] { fServer.listen_after_bind(); });
        while (!fServer.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TileServer()
    {
        fServer.stop();
        fThread.join();
    }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(fPort); }
    int Hits() const { return fHits; }

private:
    httplib::Server fServer;
    std::thread fThread;
    std::vector<std::string> fTiles;
    std::atomic<int> fHits{0};
    int fPort = 0;
};

std::unique_ptr<TZtMapControl> NewMap(const QString &cacheDir, const QString &url)
{
    auto map = std::make_unique<TZtMapControl>(nullptr, 400000000u, cacheDir, url);
    map->setFrameShape(QFrame::NoFrame);
    map->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    map->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    map->resize(1920, 1080);
    map->show();
    QApplication::processEvents();
    return map;
}

bool WaitIdle(TZtMapControl &map, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (map.NetRequest().QueuedCount() == 0 && map.NetRequest().ActiveCount() == 0)
            return true;
    }
    return false;
}

// The panning scene: a 1,000,000-point track, 1,000 markers with tails and
// 100 zones over the city at zoom 13, tiles from a loopback server.
struct PanScene
{
    TileServer server{0};
    QTemporaryDir dir;
    std::unique_ptr<TZtMapControl> map;
    std::vector<std::unique_ptr<TObjectInfo>> objects;
    std::vector<TObjectInfo *> cells = std::vector<TObjectInfo *>(1000);
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    PanScene();
};

PanScene::PanScene()
{
    map = NewMap(dir.path(), server.Url());
    map->SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    map->SetCenter(13, Home.Lat, Home.Long);
    WaitIdle(*map, 20000);

    // A year of 30-second fixes wandering over the city: one seeded random walk.
    std::mt19937 rng(42);
    std::normal_distribution<double> step(0, 0.00025);
    auto track = std::make_unique<TGeoTrack>(QStringLiteral("1"));
    track->SetStyle(GeoTrackStyle(1));
    double lat = Home.Lat, lon = Home.Long;
    for (int i = 0; i < 1000000; ++i) {
        lat = std::clamp(lat + step(rng), Home.Lat - 0.08, Home.Lat + 0.08);
        lon = std::clamp(lon + step(rng) * 1.9, Home.Long - 0.15, Home.Long + 0.15);
        auto p = std::make_unique<TTrackPointInfo>(i + 1, 1);
        p->lat = lat;
        p->lon = lon;
        p->src = (i / 1000) % 5 == 0 ? 2 : 0;
        p->angle = double(rng() % 360);
        p->IsParking = (i / 500) % 20 == 0;
        track->Points().push_back(std::move(p));
    }
    map->GeoTracks().push_back(std::move(track));

    std::uniform_real_distribution<double> dLat(-0.08, 0.08), dLon(-0.15, 0.15);
    for (int i = 0; i < 1000; ++i) {
        // The tail: the last half hour's positions a minute apart, ending
        // where the marker stands.
        auto o = std::make_unique<TObjectInfo>(i + 1, QString::number(i));
        double oLat = Home.Lat + dLat(rng), oLon = Home.Long + dLon(rng);
        for (int j = 0; j < 30; ++j) {
            auto tp = std::make_unique<TTrackPointInfo>(j, i + 1);
            oLat += step(rng) * 2;
            oLon += step(rng) * 4;
            tp->lat = oLat;
            tp->lon = oLon;
            o->tail.push_back(std::move(tp));
        }
        cells[size_t(i)] = o.get();
        TMapMark *m = map->MapMarks().Add(TGeoPoint{oLon, oLat}, QString());
        m->Data = &cells[size_t(i)];
        objects.push_back(std::move(o));
    }
    for (int i = 0; i < 100; ++i) {
        auto z = std::make_unique<TZoneInfo>(i + 1, i % 2 ? TZoneInfo::Circle : TZoneInfo::Poligon);
        const TGeoPoint c{Home.Long + dLon(rng), Home.Lat + dLat(rng)};
        if (i % 2) {
            z->geom.center = c;
            z->geom.radius = 100 + double(rng() % 400);
        } else {
            for (int k = 0; k < 6; ++k)
                z->geom.nodes << TGeoPoint{c.Long + 0.004 * std::cos(k), c.Lat + 0.002 * std::sin(k)};
        }
        z->visible = true;
        z->UpdateRect();
        zones.push_back(std::move(z));
    }
    map->SetGeoZones(&zones);
}

// Frame times in milliseconds: median, p90, p99 and the worst.
void ReportFrames(benchmark::State &state, std::vector<double> frames)
{
    std::sort(frames.begin(), frames.end());
    auto at = [&frames](double q) { return frames[std::min(frames.size() - 1, size_t(double(frames.size()) * q))]; };
    state.counters["median_ms"] = at(0.5);
    state.counters["p90_ms"] = at(0.9);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = frames.back();
}

void BM_PanFrame(benchmark::State &state)
{
    PanScene scene;
    TZtMapControl *map = scene.map.get();
    QElapsedTimer first;
    first.start();
    map->viewport()->repaint(); // projects the track and draws its tiles in view
    state.counters["first_frame_ms"] = double(first.nsecsElapsed()) / 1e6;
    WaitIdle(*map, 20000);
    // Once the glyph shapes and tiles exist: what a changed track costs.
    map->InvalidateTracks();
    first.start();
    map->viewport()->repaint();
    state.counters["redone_frame_ms"] = double(first.nsecsElapsed()) / 1e6;

    int frame = 0;
    std::vector<double> frames;
    QElapsedTimer t;
    for (auto _ : state) {
        // Back and forth over the view, 24 pixels a frame.
        const int dx = (frame / 40) % 2 ? -24 : 24;
        t.start();
        map->ScrollMapBy(dx, dx / 2);
        map->viewport()->repaint();
        frames.push_back(double(t.nsecsElapsed()) / 1e6);
        ++frame;
    }
    ReportFrames(state, frames);
    state.counters["points"] = 1000000;
    state.counters["frames_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// Sweeping across the whole track as a user drags: 24 pixels a frame from
// one side of the track to the other and back, with the events that arrive
// between frames handled (tiles handed over, timers), each frame timed from
// the scroll to the end of the event handling.
void BM_PanSweep(benchmark::State &state)
{
    PanScene scene;
    TZtMapControl *map = scene.map.get();
    map->viewport()->repaint();
    WaitIdle(*map, 20000);
    // Start a view and a half west of the track; cross to a view and a half east.
    const int span = 1920 * 3 + 2000;
    map->ScrollMapBy(-span / 2, 0);
    map->viewport()->repaint();
    WaitIdle(*map, 20000);
    std::vector<double> frames;
    int x = 0, dir = 1;
    QElapsedTimer t;
    for (auto _ : state) {
        if (x + 24 * dir > span || x + 24 * dir < 0)
            dir = -dir;
        x += 24 * dir;
        t.start();
        map->ScrollMapBy(24 * dir, 0);
        map->viewport()->repaint();
        QApplication::processEvents();
        frames.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    ReportFrames(state, frames);
}

// One zoom step in or out with the track shown: the frame after the zoom
// changes, projecting and sorting the million points again.
void BM_ZoomStep(benchmark::State &state)
{
    PanScene scene;
    TZtMapControl *map = scene.map.get();
    map->viewport()->repaint();
    WaitIdle(*map, 20000);
    std::vector<double> frames;
    int zoom = 13;
    QElapsedTimer t;
    for (auto _ : state) {
        zoom = zoom == 13 ? 14 : 13;
        t.start();
        map->SetCenter(zoom, Home.Lat, Home.Long);
        map->viewport()->repaint();
        frames.push_back(double(t.nsecsElapsed()) / 1e6);
        state.PauseTiming();
        WaitIdle(*map, 20000);
        state.ResumeTiming();
    }
    ReportFrames(state, frames);
}

void BM_ColdView(benchmark::State &state)
{
    const int latency = 50;
    TileServer server(latency);
    int tiles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto map = NewMap(dir.path(), server.Url());
        const int before = server.Hits();
        state.ResumeTiming();
        map->SetCenter(14, Home.Lat, Home.Long);
        map->viewport()->repaint();
        WaitIdle(*map, 60000);
        QApplication::processEvents(); // the last tiles handed over are drawn
        state.PauseTiming();
        tiles = server.Hits() - before;
        map.reset();
        state.ResumeTiming();
    }
    const double bound = std::ceil(tiles / 3.0) * latency / 1000.0;
    state.counters["tiles"] = tiles;
    state.counters["bound_s"] = bound;
}

void BM_WarmFirstPaint(benchmark::State &state)
{
    TileServer server(0);
    QTemporaryDir dir;
    {
        auto map = NewMap(dir.path(), server.Url());
        map->SetCenter(14, Home.Lat, Home.Long);
        map->viewport()->repaint();
        WaitIdle(*map, 30000);
        QApplication::processEvents(); // the last tiles handed over are stored
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto map = NewMap(dir.path(), server.Url());
        state.ResumeTiming();
        map->SetCenter(14, Home.Lat, Home.Long);
        map->viewport()->repaint();
        state.PauseTiming();
        if (map->NetRequest().QueuedCount() != 0) {
            state.SkipWithError("tiles missing from the disk cache");
            break;
        }
        map.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_PanFrame)->Unit(benchmark::kMillisecond)->Iterations(200)->UseRealTime();
BENCHMARK(BM_ColdView)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PanSweep)->Unit(benchmark::kMillisecond)->Iterations(600)->UseRealTime();
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
// Tiles are decoded on other threads: wall-clock time.
BENCHMARK(BM_WarmFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
