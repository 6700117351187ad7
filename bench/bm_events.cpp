// The "Events" list with 100,000 events, as the user waits: the request to a
// loopback server answering with the events (seeded), reading the answer,
// filling the list model and painting the view; then sorting by a column
// (header click) and painting again. Wall-clock, median and p99 over the
// repetitions.

#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "OSM.TripInfo.h"
#include "OSM.ZoneInfo.h"
#include "EventListModel.h"
#include "PanelWidgets.h"
#include "client.h"
#include "common.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QApplication>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTreeView>

#include <algorithm>
#include <random>
#include <thread>

namespace {

// BM_EVENTS_COUNT overrides the count for a quick look.
const int EventCount = qEnvironmentVariableIsSet("BM_EVENTS_COUNT") ? qEnvironmentVariableIntValue("BM_EVENTS_COUNT") : 100000;

std::string makeAnswer()
{
    std::mt19937 rng(20251210);
    std::string a;
    a.reserve(size_t(EventCount) * 420);
    a += "{\"Events\":[";
    char buf[600];
    for (int i = 1; i <= EventCount; ++i) {
        const int s = int(rng() % 86400), d = int(rng() % 3600);
        const int e = std::min(86399, s + d);
        const int obj = 1001 + int(rng() % 6);
        const int trap = 1 + int(rng() % 3);
        const bool open = rng() % 10 == 0, accepted = rng() % 3 == 0;
        int n = std::snprintf(buf, sizeof buf,
            "%s{\"uid\":%d,\"obj_id\":%d,\"trap_id\":%d,\"trap_vid\":1,\"h_point_id\":%d,"
            "\"h_obj_dt\":\"2025-02-03T%02d:%02d:%02dZ\",\"h_gps_dt\":\"2025-02-03T%02d:%02d:%02dZ\","
            "\"h_sys_dt\":\"2025-02-03T%02d:%02d:%02dZ\",\"h_lat\":%.6f,\"h_lon\":%.6f,\"h_speed\":%.1f,\"h_bat\":%d,\"h_sval\":\"%d\"",
            i > 1 ? "," : "", i, obj, trap, i * 3, s / 3600, s / 60 % 60, s % 60, s / 3600, s / 60 % 60, s % 60, s / 3600,
            s / 60 % 60, s % 60, 57.9 + (rng() % 100000) / 1e6, 56.2 + (rng() % 100000) / 1e6, (rng() % 1200) / 10.0,
            int(rng() % 100), int(rng() % 40));
        a.append(buf, size_t(n));
        if (!open) {
            n = std::snprintf(buf, sizeof buf,
                ",\"c_point_id\":%d,\"c_obj_dt\":\"2025-02-03T%02d:%02d:%02dZ\",\"c_sys_dt\":\"2025-02-03T%02d:%02d:%02dZ\","
                "\"c_lat\":%.6f,\"c_lon\":%.6f,\"c_speed\":%.1f,\"c_bat\":%d,\"c_sval\":\"%d\"",
                i * 3 + 1, e / 3600, e / 60 % 60, e % 60, e / 3600, e / 60 % 60, e % 60, 57.9 + (rng() % 100000) / 1e6,
                56.2 + (rng() % 100000) / 1e6, (rng() % 1200) / 10.0, int(rng() % 100), int(rng() % 40));
            a.append(buf, size_t(n));
        }
        if (accepted) {
            n = std::snprintf(buf, sizeof buf, ",\"accept_dt\":\"2025-02-03T%02d:%02d:%02dZ\",\"accept_msg\":\"seen %d\"",
                              e / 3600, e / 60 % 60, e % 60, i);
            a.append(buf, size_t(n));
        }
        a += '}';
    }
    a += "]}";
    return a;
}

// The loopback service: one answer for every events request.
struct EventServer
{
    httplib::Server srv;
    std::thread th;
    int port = 0;
    std::string answer = makeAnswer();

    EventServer()
    {
        srv.set_tcp_nodelay(true);
        // Sent as it is: httplib would otherwise compress the answer with
        // brotli at its slowest setting, and the benchmark would time that.
        srv.Get("/api/v1/user/events", [this](const httplib::Request &, httplib::Response &res) {
            res.set_content_provider(answer.size(), "application/json",
                                     [this](size_t offset, size_t length, httplib::DataSink &sink) {
                                         return sink.write(answer.data() + offset, std::min(length, answer.size() - offset));
                                     });
        });
        port = srv.bind_to_any_port("127.0.0.1");
        th = std::thread([this] { srv.listen_after_bind(); });
        while (!srv.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~EventServer()
    {
        srv.stop();
        th.join();
    }
};

// The client with the objects and traps the rows name, and the list as the
// main window lays it out.
struct EventListFixture
{
    QTemporaryDir dir;
    EventServer server;
    TVelmoraClient client{QStringLiteral("http://127.0.0.1:%1").arg(server.port), QStringLiteral("t"), QStringLiteral("0.125")};
    TEventListModel model{&client};
    // Made as the main window makes its lists (rows of varying height).
    std::unique_ptr<QTreeView> list{PanelWidgets::MakeList(QStringLiteral("EventList"), nullptr)};
    QTreeView &view = *list;

    EventListFixture()
    {
        ExeDir = dir.path() + QLatin1Char('/');
        if (qEnvironmentVariableIsSet("BM_EVENTS_LOG"))
            client.SetLogCallback([](const QString &Fmt, const QVariantList &, int) {
                static QElapsedTimer clock;
                if (!clock.isValid())
                    clock.start();
                fprintf(stderr, "%6lld ms %s\n", clock.elapsed(), qPrintable(Fmt));
            });
        for (int k = 0; k < 6; ++k) {
            auto o = std::make_unique<TObjectInfo>(1001 + k, QStringLiteral("id%1").arg(k));
            o->name = QStringLiteral("Object %1").arg(k + 1);
            client.ObjList().push_back(std::move(o));
        }
        for (int k = 1; k <= 3; ++k) {
            auto t = std::make_unique<TTrapInfo>(k, 0);
            t->target_type_id = uint32_t(k + 2);
            t->condition_id = 1;
            t->val = QStringLiteral("10");
            t->is_alarm = k == 2;
            t->fZoneList = &client.ZoneList();
            client.TrapList().push_back(std::move(t));
        }
        view.setModel(&model);
        view.setRootIsDecorated(false);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.header()->setStretchLastSection(true);
        view.header()->setSortIndicator(1, Qt::DescendingOrder);
        view.header()->setSortIndicatorShown(true);
        const int widths[] = {120, 140, 140, 148, 148, 120};
        for (int i = 0; i < 6; ++i)
            view.setColumnWidth(i, widths[i]);
        view.resize(1000, 400);
        view.show();
        QApplication::processEvents();
    }

    // Loads the events as the window does and paints the list.
    int load()
    {
        model.Clear();
        const int n = client.GetEvents(45691.0, 45691.999999);
        std::vector<TEventInfo *> rows;
        rows.reserve(client.EventList().size());
        for (const auto &e : client.EventList())
            rows.push_back(e.get());
        model.SetEvents(rows);
        view.viewport()->repaint();
        return n;
    }
};

double p99(const std::vector<double> &v)
{
    std::vector<double> s(v);
    std::sort(s.begin(), s.end());
    return s.empty() ? 0 : s[std::min(s.size() - 1, size_t(double(s.size()) * 0.99))];
}

EventListFixture *Fx = nullptr;

void BM_EventListLoad(benchmark::State &state)
{
    for (auto _ : state)
        if (Fx->load() != EventCount)
            state.SkipWithError("not every event was read");
    state.SetItemsProcessed(state.iterations() * EventCount);
}

// Reading the answer alone, from bytes in memory: the client's share of
// the load without the transfer, the model and the painting.
void BM_EventsAnswerRead(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QByteArray answer(Fx->server.answer.data(), qsizetype(Fx->server.answer.size()));
        TEventList events;
        QString error;
        state.ResumeTiming();
        Fx->client.ParseEventsAnswer(std::move(answer), QStringLiteral("Events"), events, error);
        if (int(events.size()) != EventCount)
            state.SkipWithError("not every event was read");
        state.PauseTiming();
        events.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * EventCount);
}

void BM_EventListSort(benchmark::State &state)
{
    if (Fx->model.Count() != EventCount)
        Fx->load();
    int column = int(state.range(0));
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        // Each click flips the direction, as a header click does.
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        Fx->view.header()->setSortIndicator(column, order);
        Fx->model.sort(column, order);
        Fx->view.viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations() * EventCount);
}

} // namespace

BENCHMARK(BM_EventListLoad)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(10)
    ->ComputeStatistics("p99", p99);
BENCHMARK(BM_EventsAnswerRead)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(10)
    ->ComputeStatistics("p99", p99);
BENCHMARK(BM_EventListSort)->Arg(1)->Arg(0)->Arg(5)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1)
    ->Repetitions(10)->ComputeStatistics("p99", p99);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    EventListFixture fx;
    Fx = &fx;
    benchmark::RunSpecifiedBenchmarks();
    Fx = nullptr;
    benchmark::Shutdown();
    return 0;
}
