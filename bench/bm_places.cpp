// The places dialog on a device answer of many networks (wall clock, inside
// a QApplication on the offscreen platform):
//
//   BM_PlacesShown/N  the answer file of N networks (two access points each,
//                     and three places on some of them) loaded into the
//                     shown dialog and painted
//
//   build/bin/bm_places [--benchmark_filter=...]
//
// Counters: median_ms of the iterations; items_per_second is networks per
// second. Target: 32,000 networks shown in at most 200 ms.

#include "AppPaths.h"
#include "ObjPlacesForm.h"
#include "common.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

// The dialog with its answer loading open to the benchmark, as the program
// calls it after a "get places" answer arrived.
class TBenchPlacesForm : public TObjPlacesForm
{
public:
    using TObjPlacesForm::LoadAnswerFile;
};

QString AnswerFile(const QTemporaryDir &dir, int networks)
{
    const QString path = dir.filePath(QStringLiteral("places-%1.txt").arg(networks));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    QRandomGenerator rng(7);
    QByteArray text;
    for (int p = 0; p < 3; ++p) {
        text += "place" + QByteArray::number(p) + "={\"name\":\"Place" + QByteArray::number(p) + "\",\"ssid\":[";
        for (int k = 0; k < 20; ++k)
            text += (k ? "," : "") + QByteArray("\"Net") + QByteArray::number(rng.bounded(networks)) + "\"";
        text += "]}\n";
    }
    for (int n = 0; n < networks; ++n)
        for (int ap = 0; ap < 2; ++ap) {
            text += (n % 3 ? "vifi" : "wifi") + QByteArray::number(n * 2 + ap) + "={\"ssid\":\"Net" + QByteArray::number(n)
                    + "\",\"bssid\":\"" + QByteArray::number(rng.generate64() & 0xFFFFFFFFFFFFull, 16) + "\",\"std\":"
                    + QByteArray::number(4 + ap) + "}\n";
        }
    f.write(text);
    return path;
}

void BM_PlacesShown(benchmark::State &state)
{
    const int networks = int(state.range(0));
    QTemporaryDir dir;
    const QString file = AnswerFile(dir, networks);
    std::vector<double> ms;
    for (auto _ : state) {
        TBenchPlacesForm form;
        form.show();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        form.LoadAnswerFile(file);
        form.WifiList->repaint();
        QApplication::processEvents();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        state.SetIterationTime(ms.back() / 1000);
        if (form.WifiList->topLevelItemCount() < networks)
            state.SkipWithError("networks missing");
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
    state.SetItemsProcessed(int64_t(state.iterations()) * networks);
}

} // namespace

BENCHMARK(BM_PlacesShown)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir state;
    AppPaths::setBaseDir(state.path() + u'/');
    AppPaths::setTranslationsDir(QCoreApplication::applicationDirPath() + QStringLiteral("/Translations/"));
    InitCommon();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
