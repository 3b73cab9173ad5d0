// Any file as the test database: opening it, walking the catalog, running
// each test with the first option everywhere, and the content page of each.
#include <cstddef>
#include <cstdint>
#include <exception>

#include <QFile>

#include "data/sealed_fields.h"
#include "data/test_database.h"
#include "report/content_report.h"
#include "run/headless_view.h"
#include "run/test_run.h"
#include "seal/seal_codec.h"
#include "tests/fuzz/fuzz_support.h"

using namespace lovetest;

namespace {

// A few tests and questions are enough; a mutated file may claim thousands.
constexpr int kTestsTried = 4;
constexpr int kStepsTried = 64;

void playCurrentTest(TestDatabase &database, SealedFields &sealed)
{
    HeadlessRunView view(database, sealed);
    TestRun run(database, sealed, view);
    run.start();
    for (int step = 0; step < kStepsTried && run.running() && run.phase() != TestRun::Phase::ShowingVerdict; ++step) {
        if (!view.choices().items.isEmpty())
            view.choose(0);
        run.step();
    }
}

void reportCurrentTest(TestDatabase &database, SealedFields &sealed)
{
    ContentReportBuilder builder(database, sealed);
    (void)builder.build();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::scratchFile(QStringLiteral("date.mdb"));
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            __builtin_trap();
    }
    TestDatabase database;
    if (!database.openAll(path).isEmpty())
        return 0;
    SealCodec codec;
    SealedFields sealed(database, codec);
    Dataset &catalog = database.catalog;
    int tried = 0;
    for (catalog.first(); !catalog.atEnd() && tried < kTestsTried; catalog.next(), ++tried) {
        // Errors the program reports are fine; crashes and sanitizer reports are not.
        const Bookmark at = catalog.bookmark();
        try {
            playCurrentTest(database, sealed);
        } catch (const std::exception &) {}
        try {
            catalog.gotoBookmark(at);
            reportCurrentTest(database, sealed);
        } catch (const std::exception &) {}
        try {
            catalog.gotoBookmark(at);
        } catch (const std::exception &) {
            break;
        }
    }
    return 0;
}
