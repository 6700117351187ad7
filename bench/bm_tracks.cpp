// The track pipeline on 1,000,000 generated, seeded points, stage by stage:
// UpdateInfo, MarkParking, the median and Kalman filters, CSV and GPX export,
// and gpsbabel converting the same track from GPX to CSV in the same run.
//
//   build-x/bin/bm_tracks [--benchmark_filter=...]
//
// The process holds a QApplication, as the program does: the stages are what
// the track windows run, and the application object changes how fast they run
// (see ZtVectorState.h).
//
// Counters: items_per_second is points per second (wall clock, so that the
// exports' I/O and gpsbabel's child process are measured alike); peak_rss_MB
// is the process's peak resident memory after the stage (monotonic: the
// generated track alone holds about 250 MB; MarkParking works on a fresh copy
// per iteration). gpsbabel_peak_rss_MB is the child's own peak.

#include "OSM.GeoTrack.h"
#include "kalman_filter.h"
#include "median_filter.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>

namespace {

constexpr int PointCount = 1000000;
constexpr double ThreeHours = 3.0 / 24.0;

double peakRssMb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;
}

// A drive through a city with a stop every few hundred points: positions
// every 10 s, speed, heading, accuracy, and sensors on some points.
TTrackPointList generate(int count)
{
    QRandomGenerator rng(5);
    TTrackPointList pts;
    pts.reserve(size_t(count));
    double lat = 55.75, lon = 37.62, heading = 0;
    const double t0 = 45352.0; // 2024-03-01
    int stopLeft = 0, steps = 1000;
    for (int i = 0; i < count; ++i) {
        auto p = std::make_unique<TTrackPointInfo>(i + 1, 42);
        if (stopLeft == 0 && rng.bounded(400) == 0)
            stopLeft = 30 + int(rng.bounded(60)); // 5 to 15 minutes
        double speed = 0;
        if (stopLeft > 0) {
            --stopLeft;
            speed = rng.generateDouble();
        } else {
            heading += rng.generateDouble() * 40 - 20;
            speed = 20 + rng.generateDouble() * 40; // km/h
            const double d = speed / 3.6 * 10;     // metres in 10 s
            lat += d * std::cos(heading * M_PI / 180) / 111320.0;
            lon += d * std::sin(heading * M_PI / 180) / (111320.0 * std::cos(lat * M_PI / 180));
        }
        const double jitter = 0.00002;
        p->lat = lat + (rng.generateDouble() - 0.5) * jitter;
        p->lon = lon + (rng.generateDouble() - 0.5) * jitter;
        p->obj_dt = p->gps_dt = t0 + i * 10.0 / 86400.0;
        p->sys_dt = p->obj_dt + 2.0 / 86400.0;
        p->speed = speed;
        p->angle = std::fmod(heading + 3600, 360.0);
        p->alt = 150 + rng.generateDouble() * 20;
        p->acc = 5 + rng.generateDouble() * 20;
        p->bat = 100 - i / 10000;
        p->src = 0;
        if (i % 10 == 0) {
            steps += int(rng.bounded(30));
            p->sensors.push_back(std::make_unique<TTrackPointSensorInfo>(1, "stepCounter", QString::number(steps)));
            p->sensors.push_back(
                    std::make_unique<TTrackPointSensorInfo>(2, "heartRate", QString::number(60 + rng.bounded(40))));
        }
        if (i % 1000 == 0)
            p->sensors.push_back(std::make_unique<TTrackPointSensorInfo>(3, "event", "door & <open>"));
        pts.push_back(std::move(p));
    }
    return pts;
}

// One generated track shared by every stage, and its GPX file for gpsbabel.
struct Fixture
{
    TGeoTrack track{QStringLiteral("42")};
    QTemporaryDir dir;
    QString gpx;

    Fixture()
    {
        track.Points() = generate(PointCount);
        track.SetSign(QStringLiteral("bench"));
        gpx = dir.filePath(QStringLiteral("track.gpx"));
        QString name = gpx;
        track.ExportTrack(name, 2, ThreeHours);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void finish(benchmark::State &state, int64_t points)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * points);
    state.counters["peak_rss_MB"] = peakRssMb();
}

void BM_UpdateInfo(benchmark::State &state)
{
    TGeoTrack &t = fixture().track;
    for (auto _ : state) {
        t.UpdateInfo();
        benchmark::DoNotOptimize(t.Info().Distance);
    }
    finish(state, PointCount);
}

void BM_MarkParking(benchmark::State &state)
{
    const TGeoTrack &src = fixture().track;
    TGeoTrack t;
    for (auto _ : state) {
        state.PauseTiming();
        t.Assign(src.Points());
        state.ResumeTiming();
        t.MarkParking();
        benchmark::DoNotOptimize(t.Points().size());
    }
    state.counters["parkings"] = double(t.Points().size() - src.Points().size());
    finish(state, PointCount);
}

template <typename Filter>
void runFilter(benchmark::State &state, Filter &&makeFilter)
{
    const TGeoTrack &t = fixture().track;
    for (auto _ : state) {
        auto f = makeFilter();
        double sum = 0;
        for (const auto &p : t.Points())
            sum += f->FilterLocation(*p).lat;
        benchmark::DoNotOptimize(sum);
    }
    finish(state, PointCount);
}

void BM_MedianFilter(benchmark::State &state)
{
    runFilter(state, [] { return std::make_unique<TMedianFilter>(5); });
}

void BM_KalmanFilter(benchmark::State &state)
{
    runFilter(state, [] { return std::make_unique<TKalmanFilter>(0.001, 0.2); });
}

void runExport(benchmark::State &state, int format)
{
    Fixture &f = fixture();
    const QString name = f.dir.filePath(format == 1 ? QStringLiteral("out.csv") : QStringLiteral("out.gpx"));
    qint64 bytes = 0;
    for (auto _ : state) {
        QString n = name;
        bytes = f.track.ExportTrack(n, format, ThreeHours);
        if (bytes <= 0)
            state.SkipWithError("export failed");
    }
    state.counters["MB_written"] = double(bytes) / 1e6;
    finish(state, PointCount);
}

void BM_ExportCsv(benchmark::State &state)
{
    runExport(state, 1);
}

void BM_ExportGpx(benchmark::State &state)
{
    runExport(state, 2);
}

// The peer, gpsbabel, converting the GPX file our export wrote to CSV; with
// withOutput false it only reads the file, so that the difference of the two
// is its share for writing, which is what our export does.
void runGpsbabel(benchmark::State &state, bool withOutput)
{
    Fixture &f = fixture();
    const QString out = f.dir.filePath(QStringLiteral("babel.csv"));
    QStringList args{"-f", "%M", "gpsbabel", "-t", "-i", "gpx", "-f", f.gpx};
    if (withOutput)
        args << "-o" << "unicsv" << "-F" << out;
    double peakKb = 0;
    for (auto _ : state) {
        // Through /usr/bin/time for the child's own peak memory (a child
        // forked from this process would first count the parent's pages).
        QProcess p;
        p.start(QStringLiteral("/usr/bin/time"), args);
        if (!p.waitForStarted(10000) || !p.waitForFinished(600000) || p.exitCode() != 0) {
            state.SkipWithError("gpsbabel failed or is not installed");
            break;
        }
        const QList<QByteArray> lines = p.readAllStandardError().trimmed().split('\n');
        peakKb = lines.isEmpty() ? 0 : lines.last().trimmed().toDouble();
    }
    state.counters["gpsbabel_peak_rss_MB"] = peakKb / 1024.0;
    finish(state, PointCount);
}

void BM_GpsbabelGpxToCsv(benchmark::State &state)
{
    runGpsbabel(state, true);
}

void BM_GpsbabelGpxReadOnly(benchmark::State &state)
{
    runGpsbabel(state, false);
}

} // namespace

BENCHMARK(BM_UpdateInfo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MarkParking)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MedianFilter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_KalmanFilter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ExportGpx)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GpsbabelGpxToCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GpsbabelGpxReadOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

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
