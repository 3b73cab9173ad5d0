// Reading the verdicts of a past result's test from the database, as the
// history window does when it opens a record: on catalogs of N tests, against
// the same read on the catalog of 100 tests measured in the same run. The
// ratio says how the read grows with the catalog.
//
// Run with --large to add the catalog of 10,000 tests.
#include "bench/support/anchored_timing.h"
#include "bench/support/large_catalog.h"
#include "data/sealed_fields.h"
#include "data/test_database.h"
#include "run/run_result.h"
#include "seal/seal_codec.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

using namespace lovetest;

namespace {

using Clock = std::chrono::steady_clock;

// A database of `tests` tests, open, and a result of its first test.
class PastResult {
public:
    explicit PastResult(int tests)
    {
        ready = database.openAll(bench::cachedTestCatalog(tests)).isEmpty();
        if (!ready)
            return;
        database.catalog.first();
        result.testId = database.catalog.fieldByName(QStringLiteral("ID"))->asLargeInt();
        result.score = 0;
    }

    // Seconds for one read; false in ok when no verdict came back.
    double timeRead(bool &ok)
    {
        const auto start = Clock::now();
        const QList<RunResult::Verdict> verdicts = storedTestVerdicts(database, sealed, result);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        ok = !verdicts.isEmpty();
        return seconds;
    }

    TestDatabase database;
    SealCodec codec;
    SealedFields sealed{database, codec};
    RunResult result;
    bool ready = false;
};

void BM_PastVerdicts(benchmark::State &state)
{
    PastResult anchor(100);
    PastResult measured(int(state.range(0)));
    if (!anchor.ready || !measured.ready) {
        state.SkipWithError("the database was not ready");
        return;
    }
    bool ok = true;
    bench::timeAgainstAnchor(
        state, [&] { return anchor.timeRead(ok); }, [&] { return measured.timeRead(ok); }, "ratio_to_100");
    if (!ok)
        state.SkipWithError("no verdicts were read");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool large = false;
    std::vector<char *> arguments = bench::argumentsWithoutLarge(argc, argv, large);
    auto *benchmark = benchmark::RegisterBenchmark("BM_PastVerdicts", BM_PastVerdicts);
    benchmark->ArgName("tests")->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
    if (large)
        benchmark->Arg(10000);
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
