// GetTrack's reading of a track answer: a million generated points (seeded),
// every 10th with two sensors, every 100th with an event, every 1000th with a
// zone. Counters: points per second, and extra_bytes_per_point, the growth of
// the process's peak resident memory while reading, per point (the answer
// text itself exists before and is not counted; measured on the first pass).

#include "client.h"
#include "OSM.TrackPointInfo.h"
#include "common.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <random>

namespace {

constexpr int PointCount = 1000000;

QByteArray makeAnswer()
{
    std::mt19937 rng(20251210);
    std::uniform_real_distribution<double> jitter(-0.0005, 0.0005);
    QByteArray a;
    a.reserve(PointCount * 330);
    a += '[';
    double lat = 55.75, lon = 37.6;
    char buf[512];
    for (int i = 1; i <= PointCount; ++i) {
        lat += jitter(rng);
        lon += jitter(rng);
        const int s = i % 86400;
        const int n = std::snprintf(buf, sizeof buf,
            "%s{\"uid\":%d,\"obj_id\":7,\"sys_dt\":\"2025-02-03T%02d:%02d:%02dZ\",\"obj_dt\":\"2025-02-03T%02d:%02d:%02dZ\","
            "\"gps_dt\":\"2025-02-03T%02d:%02d:%02dZ\",\"lat\":%.6f,\"lon\":%.6f,\"alt\":%d,\"acc\":%d,\"speed\":%.1f,"
            "\"angle\":%d,\"bat\":%d,\"crd_src\":0",
            i > 1 ? "," : "", i, s / 3600, s / 60 % 60, s % 60, s / 3600, s / 60 % 60, s % 60, s / 3600, s / 60 % 60,
            s % 60, lat, lon, 150 + i % 20, 5 + i % 10, (i % 900) / 10.0, i % 360, 100 - i % 100);
        a.append(buf, n);
        if (i % 10 == 0)
            a += ",\"sensors\":[{\"uid\":1,\"sign\":\"temp\",\"val\":\"21.5\"},{\"uid\":2,\"sign\":\"event\",\"val\":\"move\"}]";
        if (i % 100 == 0)
            a += QByteArray(",\"events\":[{\"uid\":") + QByteArray::number(i)
                + ",\"obj_id\":7,\"trap_id\":3,\"h_obj_dt\":\"2025-02-03T10:00:00Z\",\"h_lat\":55.7,\"h_lon\":37.6}]";
        if (i % 1000 == 0)
            a += ",\"zones\":[{\"uid\":9,\"type_id\":1,\"name\":\"Home\",\"color\":\"#00FF00\","
                 "\"geom\":\"{\\\"center\\\":[37.6,55.75],\\\"radius\\\":100}\"}]";
        a += '}';
    }
    a += ']';
    return a;
}

long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return 0;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

void BM_GetTrackAnswer(benchmark::State &state)
{
    QTemporaryDir dir;
    ExeDir = dir.path() + QLatin1Char('/');
    TVelmoraClient client(QStringLiteral("http://127.0.0.1:1"), QStringLiteral("t"), QStringLiteral("0.125"));
    const QByteArray answer = makeAnswer();
    double extraPerPoint = 0;
    for (auto _ : state) {
        TTrackPointList points;
        QString error;
        resetPeak();
        const long before = statusKb("VmRSS:");
        const int n = client.ParseTrackAnswer(answer, QStringLiteral("Track"), points, error);
        const long peak = statusKb("VmHWM:");
        if (n != PointCount) {
            state.SkipWithError(qPrintable(QStringLiteral("read %1 points: %2").arg(n).arg(error)));
            return;
        }
        // Only the first pass counts: later ones reuse memory the allocator kept.
        if (extraPerPoint == 0)
            extraPerPoint = double(peak - before) * 1024.0 / n;
        state.PauseTiming();
        points.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * PointCount);
    state.counters["points_per_s"] = benchmark::Counter(double(state.iterations()) * PointCount, benchmark::Counter::kIsRate);
    state.counters["extra_bytes_per_point"] = extraPerPoint;
    state.counters["answer_bytes_per_point"] = double(answer.size()) / PointCount;
}

} // namespace

BENCHMARK(BM_GetTrackAnswer)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
