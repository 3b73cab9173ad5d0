#include "bench/support/large_catalog.h"
#include "data/test_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <stdexcept>

using namespace lovetest;

namespace {

// A catalog of 10,000 rows in a fresh date.mdb, opened the way the main
// window opens it.
struct LargeCatalog {
    QTemporaryDir dir;
    TestDatabase db;

    LargeCatalog()
    {
        QDir::setCurrent(dir.path());
        bench::writeLargeCatalog(dir.filePath(QStringLiteral("date.mdb")), 10000, [](int id) {
            return id % 97 == 0 ? QStringLiteral("爱情测试 xyz %1").arg(id)
                                : QStringLiteral("心理测试第%1号 Love test").arg(id);
        });
        const QStringList errors = db.openAll();
        if (!errors.isEmpty())
            throw std::runtime_error(errors.join(u'\n').toStdString());
    }
};

LargeCatalog &catalog()
{
    static LargeCatalog instance;
    return instance;
}

void refilter(Dataset &set, const QString &text)
{
    set.setFiltered(false);
    set.setFilter(text);
    set.setFiltered(true);
}

void BM_SearchFilter(benchmark::State &state)
{
    Dataset &set = catalog().db.catalog;
    const QString text = QStringLiteral("name like '*xyz*'");
    for (auto _ : state) {
        refilter(set, text);
        benchmark::DoNotOptimize(set.recordCount());
    }
    state.counters["rows"] = set.recordCount();
}
BENCHMARK(BM_SearchFilter)->Unit(benchmark::kMillisecond);

void BM_ParentFilter(benchmark::State &state)
{
    Dataset &set = catalog().db.questions;
    int parent = 0;
    for (auto _ : state) {
        refilter(set, QStringLiteral("Parent=") + QString::number(++parent % 100 + 1));
        benchmark::DoNotOptimize(set.recordCount());
    }
}
BENCHMARK(BM_ParentFilter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
