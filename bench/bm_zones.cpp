// Zone editing benchmark on a 1920 x 1080 view (offscreen platform):
//  BM_ZoneNodeDrag     one frame of dragging a node of a 1,000-node polygon
//                      zone: the mouse move that moves the node and the
//                      repaint it asks for, run by the event loop as on
//                      screen, with 100 other zones and 1,000 object markers
//                      on the map (target: median <= 16 ms).
//  BM_ZoneFullRepaint  a fresh paint of the whole view of the same scene (as
//                      after a zoom or a resize), for comparison.
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "OSM.ZtMapControl.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <random>
#include <thread>

namespace {

const TGeoPoint Home{56.27574, 57.998649};

// A loopback tile server with one plain tile, so that the view is whole.
class TileServer
{
public:
    TileServer()
    {
        QImage img(256, 256, QImage::Format_RGB32);
        img.fill(QColor(242, 239, 233));
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        fTile = png.toStdString();
        fServer.set_tcp_nodelay(true);
        fServer.Get(R"(/(\d+)/(\d+)/(\d+)\.png)",
                    [this](const httplib::Request &, httplib::Response &res) { res.set_content(fTile, "image/png"); });
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

private:
    httplib::Server fServer;
    std::thread fThread;
    std::string fTile;
    int fPort = 0;
};

// Median and p99 of the frames as counters.
void Report(benchmark::State &state, std::vector<double> &frames);

// Counts the view's paints and the pixels they cover: a frame that paints
// nothing would measure nothing.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    double pixels = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint) {
            ++paints;
            for (const QRect &r : static_cast<QPaintEvent *>(e)->region())
                pixels += double(r.width()) * r.height();
        }
        return false;
    }
};

void SendMouse(QWidget *w, QEvent::Type type, const QPoint &pt, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pt), w->mapToGlobal(QPointF(pt)), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// 1,000 markers, 100 zones and the edited 1,000-node polygon on a 1920 x 1080
// view whose tiles are all cached.
struct Scene
{
    TileServer server;
    QTemporaryDir dir;
    TZtMapControl map{nullptr, 400000000u, dir.path(), server.Url()};
    std::vector<std::unique_ptr<TObjectInfo>> objects;
    std::vector<TObjectInfo *> cells = std::vector<TObjectInfo *>(1000);
    std::vector<std::unique_ptr<TZoneInfo>> zones;
    TZoneInfo *edited = nullptr;

    Scene();
    ~Scene() { map.SetGeoZones(nullptr); }
};

Scene::Scene()
{
    map.setFrameShape(QFrame::NoFrame);
    map.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    map.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    map.resize(1920, 1080);
    map.show();
    map.SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    map.SetCenter(14, Home.Lat, Home.Long);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 20000 && (map.NetRequest().QueuedCount() || map.NetRequest().ActiveCount() || wait.elapsed() < 300))
        QApplication::processEvents(QEventLoop::AllEvents, 5);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dLat(-0.02, 0.02), dLon(-0.04, 0.04);
    for (int i = 0; i < 1000; ++i) {
        auto o = std::make_unique<TObjectInfo>(i + 1, QString::number(i));
        cells[size_t(i)] = o.get();
        TMapMark *m = map.MapMarks().Add(TGeoPoint{Home.Long + dLon(rng), Home.Lat + dLat(rng)}, QString());
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
    // The edited zone: 1,000 nodes on a wobbly ring around the centre.
    auto edited = std::make_unique<TZoneInfo>(1000, TZoneInfo::Poligon);
    for (int k = 0; k < 1000; ++k) {
        const double a = 2 * M_PI * k / 1000, r = 1 + 0.05 * std::sin(12 * a);
        edited->geom.nodes << TGeoPoint{Home.Long + 0.012 * r * std::cos(a), Home.Lat + 0.006 * r * std::sin(a)};
    }
    edited->visible = true;
    edited->edited = true;
    edited->UpdateRect();
    this->edited = edited.get();
    zones.push_back(std::move(edited));
    map.SetGeoZones(&zones);
    map.viewport()->repaint();
}

void BM_ZoneNodeDrag(benchmark::State &state)
{
    Scene scene;
    TZtMapControl &map = scene.map;
    TZoneInfo *ez = scene.edited;
    QWidget *vp = map.viewport();
    const QPoint start = map.GeoPointToInnerPoint(ez->geom.nodes[250]);
    if (!TZtMapControl::IsNodeHit(map.ZoneHitTest(start, ez))) {
        state.SkipWithError("the node is not under the mouse");
        return;
    }
    SendMouse(vp, QEvent::MouseButtonPress, start, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    PaintCounter counter;
    vp->installEventFilter(&counter);
    std::vector<double> frames;
    int frame = 0;
    QElapsedTimer t;
    for (auto _ : state) {
        // Round and round a small circle, a few pixels a frame.
        const double a = frame++ * 0.3;
        const QPoint pt = start + QPoint(int(std::lround(30 * std::cos(a))), int(std::lround(30 * std::sin(a))));
        t.start();
        SendMouse(vp, QEvent::MouseMove, pt, Qt::LeftButton);
        // The repaint that the move asked for, as the event loop runs it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        frames.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    SendMouse(vp, QEvent::MouseButtonRelease, start, Qt::NoButton);
    vp->removeEventFilter(&counter);
    if (counter.paints < int(frames.size()) * 9 / 10)
        state.SkipWithError("the drag did not repaint");
    state.counters["painted_share"] = counter.pixels / std::max(counter.paints, 1) / (vp->width() * vp->height());
    Report(state, frames);
}

void BM_ZoneFullRepaint(benchmark::State &state)
{
    Scene scene;
    QWidget *vp = scene.map.viewport();
    std::vector<double> frames;
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        vp->repaint();
        frames.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    Report(state, frames);
}

} // namespace

BENCHMARK(BM_ZoneNodeDrag)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_ZoneFullRepaint)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(50);

namespace {
void Report(benchmark::State &state, std::vector<double> &frames)
{
    std::sort(frames.begin(), frames.end());
    state.counters["median_ms"] = frames[frames.size() / 2];
    state.counters["p99_ms"] = frames[std::min(frames.size() - 1, frames.size() * 99 / 100)];
    state.counters["frames_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
