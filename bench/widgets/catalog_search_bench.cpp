#include "bench/support/large_catalog.h"
#include "data/test_database.h"
#include "widgets/catalog_tree_view.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

using namespace lovetest;

namespace {

// A catalog of 10,000 entries: 100 folders, each holding 99 tests, shown in
// the catalog tree the way the main window shows it.
struct LargeCatalogTree {
    QTemporaryDir dir;
    TestDatabase db;
    CatalogTreeView tree;

    LargeCatalogTree()
    {
        const QString path = dir.filePath(QStringLiteral("date.mdb"));
        bench::writeLargeCatalog(path, 10000, [](int id) {
            return id <= 100 ? QStringLiteral("心理分类 %1").arg(id)
                             : QStringLiteral("心理测试第%1号 Love test").arg(id);
        });
        if (!db.openAll(path).isEmpty())
            throw std::runtime_error("cannot open the catalog");
        tree.setDataSource(&db.catalogSource);
        tree.resize(185, 600);
        tree.show();
    }
};

LargeCatalogTree &catalogTree()
{
    static auto *instance = new LargeCatalogTree;
    return *instance;
}

// One keystroke in the search box while a search is on: the tree shows the
// matches of the new text under their folders (the dataset stays whole).
// Arg 0: every row matches both texts; arg 1: few rows match.
void BM_SearchKeystroke(benchmark::State &state)
{
    LargeCatalogTree &fixture = catalogTree();
    const bool broad = state.range(0) == 0;
    const QString texts[] = {broad ? QStringLiteral("心") : QStringLiteral("1"),
                             broad ? QStringLiteral("心理") : QStringLiteral("12")};
    fixture.tree.setSearchText(texts[1]);
    QApplication::processEvents();
    int next = 0;
    for (auto _ : state) {
        fixture.tree.setSearchText(texts[next]);
        next ^= 1;
        QApplication::processEvents();
    }
    fixture.tree.setSearchText(QString());
    QApplication::processEvents();
    state.counters["nodes"] = fixture.tree.nodeCount();
}
BENCHMARK(BM_SearchKeystroke)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Clearing the search box: the whole catalog comes back with its branches
// as they were.
void BM_ClearSearch(benchmark::State &state)
{
    LargeCatalogTree &fixture = catalogTree();
    for (auto _ : state) {
        state.PauseTiming();
        fixture.tree.setSearchText(QStringLiteral("Love"));
        QApplication::processEvents();
        state.ResumeTiming();
        fixture.tree.setSearchText(QString());
        QApplication::processEvents();
    }
    state.counters["nodes"] = fixture.tree.nodeCount();
}
BENCHMARK(BM_ClearSearch)->Unit(benchmark::kMillisecond);

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
