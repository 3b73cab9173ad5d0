// The daily backup of a catalog of 1,000 tests (about 8 MiB), a change still
// in the write-ahead log, against the anchor of copying the same file as
// plain bytes. The backup reads the file through the engine page by page and
// syncs the copy once before renaming it; it runs beside the window on a
// thread of its own, so it only needs to stay a small multiple of the copy.
#include <chrono>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <stdexcept>

#include "bench/support/large_catalog.h"
#include "data/connection.h"
#include "data/daily_backup.h"

using namespace lovetest;

namespace {

double secondsOf(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_DailyBackup(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    if (!QFile::copy(bench::cachedTestCatalog(int(state.range(0))), path))
        throw std::runtime_error("cannot copy the catalog");
    // Open as the window keeps it: write-ahead log, one change not yet
    // checkpointed.
    Connection connection(QStringLiteral("bench"));
    connection.open(path);
    connection.updateRow(QStringLiteral("量表"), 1, {QStringLiteral("Name")}, {QStringLiteral("改名")});
    const QString target = dir.filePath(QStringLiteral("backups/date-20260101.mdb"));
    const QString plain = dir.filePath(QStringLiteral("plain.mdb"));

    double anchor = 0;
    double backup = 0;
    for (auto _ : state) {
        anchor += secondsOf([&] {
            QFile::remove(plain);
            if (!QFile::copy(path, plain))
                throw std::runtime_error("cannot copy");
        });
        const double seconds = secondsOf([&] {
            const QString failure = backupDatabaseFile(path, target);
            if (!failure.isEmpty())
                throw std::runtime_error(failure.toStdString());
        });
        backup += seconds;
        state.SetIterationTime(seconds);
    }
    const double rounds = double(state.iterations());
    state.counters["backup_ms"] = backup / rounds * 1000;
    state.counters["file_copy_ms"] = anchor / rounds * 1000;
    state.counters["ratio_to_file_copy"] = backup / anchor;
}
BENCHMARK(BM_DailyBackup)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(10)->UseManualTime();

} // namespace
