// GetTrack's reading of a track answer: a million generated points (seeded),
// every 10th with two sensors, every 100th with an event, every 1000th with a
// zone. Counters: points per second, and extra_bytes_per_point, the growth of
// the process's peak resident memory while reading, per point (the answer
// text itself exists before and is not counted; measured on the first pass).

#include "OSM.GeoTrack.h"
#include "OSM.ZtMapControl.h"
#include "client.h"
#include "OSM.TrackPointInfo.h"
#include "common.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QApplication>
#include <QFile>
#include <QBuffer>
#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <random>
#include <thread>

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


// The service of the end-to-end run on loopback: one generated track answer
// (a drive through the city with stops, points every 10 s, sensors on every
// tenth), made before the run and sent from where it lies, so that the
// server's side adds nothing to the peak measured; map tiles are one small PNG.
class TrackServer
{
public:
    TrackServer()
    {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(QColor(242, 239, 233));
        QBuffer buf(&fTile);
        buf.open(QIODevice::WriteOnly);
        tile.save(&buf, "PNG");
        fServer.set_tcp_nodelay(true);
        Generator gen;
        for (std::string chunk = gen.next(5000); !chunk.empty(); chunk = gen.next(5000))
            fAnswer += chunk;
        fServer.Get(R"(/api/v1/object/(\d+)/track)", [this](const httplib::Request &, httplib::Response &res) {
            res.set_content_provider(fAnswer.size(), "application/json",
                                     [this](size_t offset, size_t length, httplib::DataSink &sink) {
                                         return sink.write(fAnswer.data() + offset, std::min<size_t>(length, 1 << 20));
                                     });
        });
        fServer.Get(R"(/tiles/(\d+)/(\d+)/(\d+)\.png)", [this](const httplib::Request &, httplib::Response &res) {
            res.set_content(fTile.constData(), size_t(fTile.size()), "image/png");
        });
        fPort = fServer.bind_to_any_port("127.0.0.1");
        fThread = std::thread([this] { fServer.listen_after_bind(); });
        while (!fServer.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TrackServer()
    {
        fServer.stop();
        fThread.join();
    }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1").arg(fPort); }

private:
    struct Generator
    {
        std::mt19937 rng{5};
        std::uniform_real_distribution<double> u{0.0, 1.0};
        int i = 0, stopLeft = 0;
        double lat = 57.99, lon = 56.25, heading = 0;
        QDate day0{2024, 3, 1};
        std::string next(int count)
        {
            std::string out;
            if (i > PointCount)
                return out;
            if (i == 0)
                out += '[';
            char buf[512];
            for (int k = 0; k < count && i < PointCount; ++k, ++i) {
                double speed = 0;
                if (stopLeft == 0 && u(rng) < 1.0 / 400)
                    stopLeft = 30 + int(u(rng) * 60);
                if (stopLeft > 0) {
                    --stopLeft;
                    speed = u(rng);
                } else {
                    heading += u(rng) * 40 - 20;
                    speed = 20 + u(rng) * 40;
                    const double d = speed / 3.6 * 10;
                    lat += d * std::cos(heading * M_PI / 180) / 111320.0;
                    lon += d * std::sin(heading * M_PI / 180) / (111320.0 * std::cos(lat * M_PI / 180));
                    // Stay within the city: turn back at its edges.
                    if (std::fabs(lat - 57.99) > 0.08 || std::fabs(lon - 56.25) > 0.15)
                        heading += 180;
                }
                const qint64 t = qint64(i) * 10;
                const QByteArray date = day0.addDays(t / 86400).toString(Qt::ISODate).toLatin1();
                const int s = int(t % 86400);
                const int n = std::snprintf(buf, sizeof buf,
                    "%s{\"uid\":%d,\"obj_id\":7,\"sys_dt\":\"%sT%02d:%02d:%02dZ\",\"obj_dt\":\"%sT%02d:%02d:%02dZ\","
                    "\"gps_dt\":\"%sT%02d:%02d:%02dZ\",\"lat\":%.6f,\"lon\":%.6f,\"alt\":%d,\"acc\":%d,\"speed\":%.1f,"
                    "\"angle\":%d,\"bat\":%d,\"crd_src\":0%s}",
                    i > 0 ? "," : "", i + 1, date.constData(), s / 3600, s / 60 % 60, s % 60, date.constData(),
                    s / 3600, s / 60 % 60, s % 60, date.constData(), s / 3600, s / 60 % 60, s % 60, lat, lon,
                    150 + i % 20, 5 + i % 10, speed, int(std::fmod(heading + 3600, 360.0)), 100 - i / 10000,
                    i % 10 == 0 ? ",\"sensors\":[{\"uid\":1,\"sign\":\"temp\",\"val\":\"21.5\"}]" : "");
                out.append(buf, size_t(n));
            }
            if (i == PointCount) {
                out += ']';
                ++i;
            }
            return out;
        }
    };

    httplib::Server fServer;
    std::thread fThread;
    QByteArray fTile;
    std::string fAnswer;
    int fPort = 0;
};

// A million-point track request as the user waits for it, in one process
// with the real client: GetTrack over loopback HTTP, the points handed to a
// track, MarkParking, UpdateInfo, and the first frame of the map with the
// track on it (1920 x 1080, zoom 13). Wall-clock time of the whole chain and
// of each stage; peak_bytes_per_point is the growth of the process's peak
// resident memory over the chain, per point (first pass).
void BM_TrackRequestEndToEnd(benchmark::State &state)
{
    QTemporaryDir dir;
    ExeDir = dir.path() + QLatin1Char('/');
    TrackServer server;
    // Before the client: its destructor still logs.
    QString log;
    TVelmoraClient client(server.Url(), QStringLiteral("t"), QStringLiteral("0"));
    client.SetLogCallback([&log](const QString &text, const QVariantList &args, int) {
        log += text;
        for (const QVariant &a : args)
            log += QLatin1Char(' ') + a.toString();
    });
    TZtMapControl map(nullptr, 400000000u, dir.filePath(QStringLiteral("tiles")), server.Url() + QStringLiteral("/tiles/{z}/{x}/{y}.png"));
    map.setFrameShape(QFrame::NoFrame);
    map.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    map.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    map.resize(1920, 1080);
    map.show();
    map.SetCenter(13, 57.99, 56.25);
    QApplication::processEvents();

    double perPoint = 0, get = 0, assign = 0, parking = 0, info = 0, frame = 0;
    int points = 0;
    QElapsedTimer t;
    for (auto _ : state) {
        resetPeak();
        const long before = statusKb("VmRSS:");
        t.start();
        points = client.GetTrack(7, 45352.0, 45352.0 + 120);
        get += double(t.nsecsElapsed()) / 1e6;
        if (points != PointCount) {
            state.SkipWithError(qPrintable(QStringLiteral("GetTrack gave %1 points: %2").arg(points).arg(log.right(300))));
            return;
        }
        qint64 mark = t.nsecsElapsed();
        auto track = std::make_unique<TGeoTrack>(QStringLiteral("7"));
        track->SetStyle(GeoTrackStyle(1));
        track->Assign(std::move(client.TrackList()));
        assign += double(t.nsecsElapsed() - mark) / 1e6;
        mark = t.nsecsElapsed();
        track->MarkParking();
        parking += double(t.nsecsElapsed() - mark) / 1e6;
        mark = t.nsecsElapsed();
        track->UpdateInfo();
        info += double(t.nsecsElapsed() - mark) / 1e6;
        mark = t.nsecsElapsed();
        map.GeoTracks().push_back(std::move(track));
        map.InvalidateTracks();
        map.viewport()->repaint();
        frame += double(t.nsecsElapsed() - mark) / 1e6;
        const long peak = statusKb("VmHWM:");
        if (perPoint == 0)
            perPoint = double(peak - before) * 1024.0 / PointCount;
        state.PauseTiming();
        map.GeoTracks().clear();
        map.InvalidateTracks();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["get_ms"] = get / n;
    state.counters["assign_ms"] = assign / n;
    state.counters["parking_ms"] = parking / n;
    state.counters["info_ms"] = info / n;
    state.counters["frame_ms"] = frame / n;
    state.counters["peak_bytes_per_point"] = perPoint;
}

} // namespace

BENCHMARK(BM_GetTrackAnswer)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TrackRequestEndToEnd)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char **argv)
{
    // GetTrack runs for the track windows: the same application object as
    // the program.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
