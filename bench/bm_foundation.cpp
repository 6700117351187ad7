#include "ZtDates.h"
#include "ZtHash.h"

#include <QDateTime>
#include <QStringList>

#include <QApplication>

#include <benchmark/benchmark.h>

#include <random>

namespace {
// Service-style UTC times, seeded so that every run reads the same texts.
QStringList isoTimes(int n)
{
    std::mt19937 rng(42);
    std::uniform_int_distribution<qint64> secs(0, 5LL * 365 * 86400);
    const QDateTime base(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << base.addSecs(secs(rng)).toString(Qt::ISODate);
    return out;
}

void BM_ParseDateTime(benchmark::State &state)
{
    const QStringList texts = isoTimes(1000);
    for (auto _ : state)
        for (const QString &t : texts)
            benchmark::DoNotOptimize(ParseDateTime(t));
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_ParseDateTime);

// The peer: Qt's own ISO reader on the same texts.
void BM_QDateTimeFromIso(benchmark::State &state)
{
    const QStringList texts = isoTimes(1000);
    for (auto _ : state)
        for (const QString &t : texts)
            benchmark::DoNotOptimize(QDateTime::fromString(t, Qt::ISODate));
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_QDateTimeFromIso);

// Lookups in a store of n keys (a translation section has a few hundred).
void BM_KeyIndex(benchmark::State &state)
{
    const int n = int(state.range(0));
    TZtHash h;
    for (int i = 0; i < n; ++i)
        h.SetVal(QStringLiteral("Control%1_text").arg(i), QStringLiteral("Text %1").arg(i));
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, n - 1);
    QStringList keys;
    for (int i = 0; i < 256; ++i)
        keys << QStringLiteral("CONTROL%1_TEXT").arg(pick(rng));
    for (auto _ : state)
        for (const QString &k : keys)
            benchmark::DoNotOptimize(h.KeyIndex(k));
    state.SetItemsProcessed(state.iterations() * keys.size());
}
BENCHMARK(BM_KeyIndex)->Arg(20)->Arg(200);

void BM_AssignJson(benchmark::State &state)
{
    QString json = QStringLiteral("{");
    for (int i = 0; i < 40; ++i)
        json += QStringLiteral("\"key%1\": \"value, %1\", \"n%1\": %1, ").arg(i);
    json += QStringLiteral("\"nested\": {\"a\": 1, \"b\": [1, 2, 3]}}");
    for (auto _ : state) {
        TZtHash h;
        benchmark::DoNotOptimize(h.AssignJson(json, true));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AssignJson);
} // namespace

// The readers run in the program's windows: the process holds the same
// application object.
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
