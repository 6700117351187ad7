// The track windows on 1,000,000 generated, seeded points, as the user waits
// (wall clock, inside a QApplication on the offscreen platform):
//
//   BM_ImportDelimited  load, cut and make a track of a 1,000,000-line file;
//                       read_ms (file to points) and stats_ms (the track's
//                       statistics) are the medians of the two stages
//   BM_ImportGpx        the same for a 1,000,000-point GPX file
//   BM_GpsbabelGpx      peer: gpsbabel reading that GPX file (to unicsv, /dev/null)
//   BM_DumpFirstPaint   the dump window made, given the track, shown and painted
//   BM_DumpSort         a sort by the latitude column, painted
//   BM_Chart            the altitude chart made and painted
//
//   build/bin/bm_trackwindows [--benchmark_filter=...]
//
// Counters: median_ms and p99_ms of the iterations (wall clock), cpu_ms the
// median CPU time of the main thread; items_per_second is rows (points) per
// second.

#include "AppPaths.h"
#include "OSM.GeoTrack.h"
#include "TrackDumpForm.h"
#include "TrackDumpModel.h"
#include "TrackImport.h"
#include "common.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QtCharts/QChartView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

constexpr int PointCount = 1000000;

struct Fixture
{
    QTemporaryDir dir;
    QString csv, gpx;
    std::unique_ptr<TGeoTrack> track;

    Fixture()
    {
        QRandomGenerator rng(7);
        track = std::make_unique<TGeoTrack>(QStringLiteral("42"));
        track->SetSign(QStringLiteral("bench"));
        double lat = 55.75, lon = 37.62, heading = 0;
        const double t0 = 45352.0;
        auto &pts = track->Points();
        pts.reserve(PointCount);
        for (int i = 0; i < PointCount; ++i) {
            heading += rng.generateDouble() * 40 - 20;
            const double d = (20 + rng.generateDouble() * 40) / 3.6 * 10;
            lat += d * std::cos(heading * M_PI / 180) / 111320.0;
            lon += d * std::sin(heading * M_PI / 180) / (111320.0 * std::cos(lat * M_PI / 180));
            auto p = std::make_unique<TTrackPointInfo>(i + 1, 42);
            p->sys_dt = p->obj_dt = p->gps_dt = t0 + i * 10 / 86400.0;
            p->lat = lat;
            p->lon = lon;
            p->alt = 150 + 30 * std::sin(i / 500.0) + rng.generateDouble() * 5;
            p->speed = d * 0.36;
            p->angle = std::fmod(heading + 360, 360);
            p->acc = 5 + rng.bounded(20);
            p->bat = 100 - i / 10000;
            pts.push_back(std::move(p));
        }
        track->UpdateInfo();
        csv = dir.filePath(QStringLiteral("t.csv"));
        gpx = dir.filePath(QStringLiteral("t.gpx"));
        track->ExportTrack(csv, 1, 0);
        track->ExportTrack(gpx, 2, 0);
    }
};

Fixture &F()
{
    static Fixture f;
    return f;
}

void Report(benchmark::State &state, std::vector<double> &ms, int items)
{
    std::sort(ms.begin(), ms.end());
    if (ms.empty())
        return;
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, size_t(std::ceil(ms.size() * 0.99)) - 1)];
    state.SetItemsProcessed(int64_t(state.iterations()) * items);
}

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The import as the user waits for it, in its two stages, each timed on its
// own: reading (load the file, cut the header, every row read into a point)
// and making the track (its statistics, UpdateInfo: a geodesic per pair of
// points). The total is the wall clock of both.
void Import(benchmark::State &state, const QString &file)
{
    std::vector<double> ms, loadMs, readMs, statsMs, cpuMs;
    for (auto _ : state) {
        const double cpu0 = ThreadCpuMs();
        QElapsedTimer t;
        t.start();
        TTrackImport imp(0);
        imp.LoadFile(file);
        imp.ParseSource(QStringLiteral(";"));
        loadMs.push_back(t.nsecsElapsed() / 1e6);
        TTrackImport::TColumns c = imp.GuessColumns();
        if (imp.Kind() == TTrackImport::kDelimited)
            c[TTrackImport::fdTime] = int(imp.Headers().indexOf(QStringLiteral("gps_time")));
        auto track = imp.ReadTrack(c, QStringLiteral("x"), 0, 0);
        const qint64 read = t.nsecsElapsed();
        if (!track || track->Points().size() != size_t(PointCount)) {
            state.SkipWithError("import lost points");
            break;
        }
        track->UpdateInfo();
        const qint64 all = t.nsecsElapsed();
        cpuMs.push_back(ThreadCpuMs() - cpu0);
        ms.push_back(all / 1e6);
        readMs.push_back(read / 1e6);
        statsMs.push_back((all - read) / 1e6);
        // Freeing the million points is not part of the wait.
        state.PauseTiming();
        track.reset();
        state.ResumeTiming();
    }
    Report(state, ms, PointCount);
    state.counters["load_ms"] = Median(loadMs);
    state.counters["read_ms"] = Median(readMs);
    state.counters["stats_ms"] = Median(statsMs);
    state.counters["cpu_ms"] = Median(cpuMs);
}

void BM_ImportDelimited(benchmark::State &state) { Import(state, F().csv); }
void BM_ImportGpx(benchmark::State &state) { Import(state, F().gpx); }

void BM_GpsbabelGpx(benchmark::State &state)
{
    std::vector<double> ms;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const int rc = QProcess::execute(QStringLiteral("gpsbabel"),
                                         {QStringLiteral("-t"), QStringLiteral("-i"), QStringLiteral("gpx"), QStringLiteral("-f"), F().gpx,
                                          QStringLiteral("-o"), QStringLiteral("unicsv"), QStringLiteral("-F"), QStringLiteral("/dev/null")});
        if (rc != 0)
            state.SkipWithError("gpsbabel failed");
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    Report(state, ms, PointCount);
}

void Paint(QWidget &w)
{
    w.repaint();
    QApplication::processEvents();
}

void BM_DumpFirstPaint(benchmark::State &state)
{
    F(); // the generated track is made before timing
    std::vector<double> ms;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        {
            TTrackDumpForm w;
            w.setAttribute(Qt::WA_DeleteOnClose, false);
            w.SetTrack(nullptr, F().track.get(), false);
            w.show();
            Paint(w);
            ms.push_back(t.nsecsElapsed() / 1e6);
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    Report(state, ms, PointCount);
}

void BM_DumpSort(benchmark::State &state)
{
    TTrackDumpForm w;
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.SetTrack(nullptr, F().track.get(), false);
    w.show();
    Paint(w);
    QHeaderView *h = w.DumpTable->horizontalHeader();
    std::vector<double> ms;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        Q_EMIT h->sectionClicked(TTrackDumpModel::cLat); // ascending, then descending
        Paint(w);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    Report(state, ms, PointCount);
}

void BM_Chart(benchmark::State &state)
{
    TTrackDumpForm w;
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.SetTrack(nullptr, F().track.get(), false);
    w.show();
    w.ShowChart();
    Paint(w);
    std::vector<double> ms;
    int entry = 0;
    for (auto _ : state) {
        entry = entry == 1 ? 0 : 1; // altitude and battery in turn, each drawn anew
        QElapsedTimer t;
        t.start();
        w.ChooseValue(entry);
        Paint(w);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    Report(state, ms, PointCount);
}

} // namespace

BENCHMARK(BM_ImportDelimited)->Unit(benchmark::kMillisecond)->Iterations(7)->UseRealTime();
BENCHMARK(BM_ImportGpx)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_GpsbabelGpx)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_DumpFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_DumpSort)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_Chart)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The windows look their texts up: the translations beside the program.
    QTemporaryDir state;
    AppPaths::setBaseDir(state.path() + u'/');
    AppPaths::setTranslationsDir(QCoreApplication::applicationDirPath() + QStringLiteral("/Translations/"));
    InitCommon();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
