// A fleet of 10,000 objects, as the main window handles it:
//
//   BM_FleetFirstLoad    the first object list: the request to a loopback
//                        server, reading the answer, filling the object list
//                        and painting it (target: shown within 500 ms);
//   BM_FleetMinuteUpdate the minute update that brings 1,000 changed objects:
//                        the request, merging, repainting the list and moving
//                        their markers on the map, every object ticked
//                        (target: 50 ms);
//   BM_FleetTickAll      every object ticked one by one in the list, each
//                        adding its marker to the map, then the map painted.
//
// The answers are velmora-sim's own (its world with 10,000 objects, seeded),
// taken once and served as they are, so that the figures are the client's.
// Wall-clock, median and p99 over the repetitions. BM_FLEET_OBJECTS
// overrides the count for a quick look.

#include "MonitorMap.h"
#include "OSM.ObjectInfo.h"
#include "ObjListDelegate.h"
#include "ObjListModel.h"
#include "PanelWidgets.h"
#include "SimClock.h"
#include "SimWorld.h"
#include "ZtDates.h"
#include "client.h"
#include "common.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QApplication>
#include <QBuffer>
#include <QHBoxLayout>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

const int ObjectCount = qEnvironmentVariableIsSet("BM_FLEET_OBJECTS") ? qEnvironmentVariableIntValue("BM_FLEET_OBJECTS") : 10000;
const int ChangedCount = ObjectCount / 10;
constexpr qint64 Start = 1'765'350'000'000; // 2025-12-10T07:00:00Z

// The two answers of velmora-sim: every object, then the objects changed by
// a new report each (every tenth object).
struct Answers
{
    std::string full, update;

    Answers()
    {
        SimClock clock(SimClock::Manual{Start});
        SimWorld::Options o;
        o.seed = 18;
        o.objects = ObjectCount;
        o.historyDays = 0.01;
        SimWorld world(o, &clock);
        const SimReply first = world.objects(1, -1);
        full = first.body.toStdString();
        const QJsonObject doc = QJsonDocument::fromJson(first.body).object();
        const qint64 since = SimClock::parse(doc.value(QStringLiteral("dt")).toString());
        const QJsonArray objects = doc.value(QStringLiteral("objects")).toArray();
        for (int i = 0; i < objects.size(); i += 10) {
            const QJsonObject obj = objects[i].toObject();
            SimPoint p;
            p.uid = 900000000 + i;
            p.objId = obj.value(QStringLiteral("uid")).toInt();
            p.sysMs = p.objMs = p.gpsMs = Start + 400;
            p.lat = obj.value(QStringLiteral("lat")).toDouble() + 0.0005;
            p.lon = obj.value(QStringLiteral("lon")).toDouble() + 0.0005;
            p.speed = 20;
            p.bat = 80;
            p.acc = 10;
            world.importPoints(p.objId, {p});
        }
        update = world.objects(1, since).body.toStdString();
    }
};

// The loopback service: the full list, or the update when asked since a time.
struct FleetServer
{
    httplib::Server srv;
    std::thread th;
    int port = 0;
    Answers answers;
    std::string tile;

    FleetServer()
    {
        QImage img(256, 256, QImage::Format_RGB32);
        img.fill(QColor(0xe8, 0xe4, 0xd8));
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        tile = png.toStdString();
        srv.set_tcp_nodelay(true);
        // Sent as they are: httplib would otherwise compress them with brotli.
        auto send = [](httplib::Response &res, const std::string &body, const char *type) {
            res.set_content_provider(body.size(), type, [&body](size_t offset, size_t length, httplib::DataSink &sink) {
                return sink.write(body.data() + offset, std::min(length, body.size() - offset));
            });
        };
        srv.Get("/api/v1/user/objects", [this, send](const httplib::Request &req, httplib::Response &res) {
            send(res, req.has_param("dt") ? answers.update : answers.full, "application/json");
        });
        srv.Get(R"(/tiles/\d+/\d+/\d+\.png)", [this, send](const httplib::Request &, httplib::Response &res) {
            send(res, tile, "image/png");
        });
        port = srv.bind_to_any_port("127.0.0.1");
        th = std::thread([this] { srv.listen_after_bind(); });
        while (!srv.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~FleetServer()
    {
        srv.stop();
        th.join();
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port); }
};

// The object list and the map as the main window lays them out and fills
// them (LoadObjects, UpdateObjects, MoveMarkers).
struct FleetFixture
{
    QTemporaryDir dir;
    FleetServer server;
    std::unique_ptr<TVelmoraClient> client;
    QWidget top;
    QTreeView *view = nullptr;
    TObjListModel model;
    TObjListDelegate *delegate = nullptr;
    std::unique_ptr<TMonitorMap> map;

    FleetFixture()
    {
        ExeDir = dir.path() + QLatin1Char('/');
        Config.SetVal(QStringLiteral("tile_url"), server.url() + QStringLiteral("/tiles/{z}/{x}/{y}.png"));
        auto *lay = new QHBoxLayout(&top);
        view = PanelWidgets::MakeList(QStringLiteral("ObjList"), &top);
        view->setHeaderHidden(true);
        view->setUniformRowHeights(true); // as the main window's list
        delegate = new TObjListDelegate(&model, &top);
        view->setModel(&model);
        view->setItemDelegate(delegate);
        lay->addWidget(view, 1);
        auto *mapPanel = new QWidget(&top);
        mapPanel->setLayout(new QVBoxLayout);
        lay->addWidget(mapPanel, 3);
        map = std::make_unique<TMonitorMap>(mapPanel, 0, dir.filePath(QStringLiteral("tiles")));
        map->SetCenter(12, 57.998649, 56.27574);
        top.resize(1400, 900);
        top.show();
        QApplication::processEvents();
    }

    ~FleetFixture()
    {
        map->ClearObjectMarks();
        model.Clear();
    }

    // LoadObjects on a client that has no objects yet; the list painted.
    int firstLoad()
    {
        view->setUpdatesEnabled(false);
        map->ClearObjectMarks();
        model.Clear();
        client = std::make_unique<TVelmoraClient>(server.url(), QStringLiteral("t"), QStringLiteral("0.208333"));
        const int n = client->GetObjects();
        QModelIndex first;
        for (const auto &obj : client->ObjList()) {
            const QModelIndex row = model.AddObject(obj.get());
            if (!first.isValid())
                first = row;
        }
        view->expandAll();
        view->setCurrentIndex(first);
        view->setUpdatesEnabled(true);
        view->viewport()->repaint();
        return n;
    }

    // Every object ticked: a marker each, as ObjListChecking adds them.
    void tickAll()
    {
        for (int i = 0; i < model.rowCount(); ++i) {
            const QModelIndex row = model.index(i, 0);
            const TObjectInfo *obj = model.Object(row);
            if (obj && obj->last_point && obj->HasLatLon()) {
                model.SetCheckedSilently(row, true);
                map->AddObjectMark(obj->last_point->lat, obj->last_point->lon, model.DataCell(row));
            }
        }
        map->SetCenter(12, 57.998649, 56.27574);
        map->Widget()->repaint();
    }

    // UpdateObjects with its MoveMarkers; the list and the map painted.
    int minuteUpdate()
    {
        // The answer is the same every time, and its objects are newer than
        // its time stamp: each round moves the same markers again.
        const TDateTime prev = client->ObjListUpdated();
        const int n = client->GetObjects();
        if (n <= 0)
            return n;
        model.RefreshAll();
        view->viewport()->update();
        bool moved = false;
        for (int i = 0; i < map->MarkCount(); ++i) {
            TObjectInfo *const *cell = map->MarkCell(i);
            const TObjectInfo *obj = cell ? *cell : nullptr;
            if (!obj || !obj->last_point)
                continue;
            const double objDt = obj->last_point->obj_dt;
            if (std::isnan(objDt) || std::isnan(prev) || objDt > prev) {
                map->MoveMark(i, obj->last_point->lat, obj->last_point->lon);
                moved = true;
            }
        }
        if (moved)
            map->Repaint();
        view->viewport()->repaint();
        map->Widget()->repaint();
        return n;
    }
};

double p99(const std::vector<double> &v)
{
    std::vector<double> s(v);
    std::sort(s.begin(), s.end());
    return s.empty() ? 0 : s[std::min(s.size() - 1, size_t(double(s.size()) * 0.99))];
}

FleetFixture *Fx = nullptr;

void BM_FleetFirstLoad(benchmark::State &state)
{
    for (auto _ : state)
        if (Fx->firstLoad() != ObjectCount)
            state.SkipWithError("not every object was read");
    state.SetItemsProcessed(state.iterations() * ObjectCount);
}

void BM_FleetMinuteUpdate(benchmark::State &state)
{
    if (!Fx->client || int(Fx->client->ObjList().size()) != ObjectCount)
        Fx->firstLoad();
    if (Fx->map->MarkCount() == 0)
        Fx->tickAll();
    for (auto _ : state)
        if (Fx->minuteUpdate() != ChangedCount)
            state.SkipWithError("the update did not bring the changed objects");
    state.SetItemsProcessed(state.iterations() * ChangedCount);
}

void BM_FleetTickAll(benchmark::State &state)
{
    if (!Fx->client || int(Fx->client->ObjList().size()) != ObjectCount)
        Fx->firstLoad();
    // The first round also loads the tiles under the view: not counted.
    if (Fx->map->MarkCount() == 0)
        Fx->tickAll();
    for (auto _ : state) {
        state.PauseTiming();
        Fx->map->ClearObjectMarks();
        state.ResumeTiming();
        Fx->tickAll();
        if (Fx->map->MarkCount() == 0)
            state.SkipWithError("no object got its marker");
    }
    state.SetItemsProcessed(state.iterations() * ObjectCount);
}

} // namespace

BENCHMARK(BM_FleetFirstLoad)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15)
    ->ComputeStatistics("p99", p99);
BENCHMARK(BM_FleetMinuteUpdate)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(30)
    ->ComputeStatistics("p99", p99);
BENCHMARK(BM_FleetTickAll)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(20)
    ->ComputeStatistics("p99", p99);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        FleetFixture fx;
        Fx = &fx;
        benchmark::RunSpecifiedBenchmarks();
        Fx = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
