// Log box throughput. Every step of every operation is logged, so the box
// must take lines much faster than the program produces them, also once it is
// full and trims.
#include "ZtTtyBox.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

QStringList MakeLines(int n)
{
    QRandomGenerator rng(7);
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("10.12.2026 06:%1:%2: VelmoraClient.GetObjects(%3, GET /user/objects): 200 [%4]")
                   .arg(rng.bounded(60), 2, 10, QLatin1Char('0'))
                   .arg(rng.bounded(60), 2, 10, QLatin1Char('0'))
                   .arg(1000 + rng.bounded(10000))
                   .arg(rng.bounded(50));
    return out;
}

const QStringList &Lines()
{
    static const QStringList lines = MakeLines(4096);
    return lines;
}

// A full box (1000 lines kept), one whole line per call.
void BM_TtyBox_PutString_Line(benchmark::State &state)
{
    TZtTtyBox box;
    box.resize(600, 300);
    if (state.range(0))
        box.show();
    for (int i = 0; i < 1100; ++i)
        box.PutString(QLatin1Char('\r') + Lines().at(i % Lines().size()));
    qint64 n = 0;
    for (auto _ : state)
        box.PutString(QLatin1Char('\r') + Lines().at(n++ % Lines().size()));
    state.SetItemsProcessed(n);
    state.SetLabel(state.range(0) ? "shown" : "hidden");
}
BENCHMARK(BM_TtyBox_PutString_Line)->Arg(0)->Arg(1);

// The usual pattern: a request line, then its status, then the count.
void BM_TtyBox_PutString_ThreeParts(benchmark::State &state)
{
    TZtTtyBox box;
    for (int i = 0; i < 1100; ++i)
        box.PutString(QLatin1Char('\r') + Lines().at(i % Lines().size()));
    qint64 n = 0;
    for (auto _ : state) {
        box.PutString(QStringLiteral("\rVelmoraClient.GetObjects(1234, GET /user/objects): "));
        box.PutString(QStringLiteral("200"));
        box.PutString(QStringLiteral(" [%1]").arg(n++ % 50));
    }
    state.SetItemsProcessed(n);
}
BENCHMARK(BM_TtyBox_PutString_ThreeParts);

// Peer: Qt's plain-text edit capped at 1000 lines, appending whole lines.
void BM_Peer_QPlainTextEdit_Append(benchmark::State &state)
{
    QPlainTextEdit edit;
    edit.setReadOnly(true);
    edit.setMaximumBlockCount(1000);
    edit.resize(600, 300);
    if (state.range(0))
        edit.show();
    for (int i = 0; i < 1100; ++i)
        edit.appendPlainText(Lines().at(i % Lines().size()));
    qint64 n = 0;
    for (auto _ : state)
        edit.appendPlainText(Lines().at(n++ % Lines().size()));
    state.SetItemsProcessed(n);
    state.SetLabel(state.range(0) ? "shown" : "hidden");
}
BENCHMARK(BM_Peer_QPlainTextEdit_Append)->Arg(0)->Arg(1);

} // namespace

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
