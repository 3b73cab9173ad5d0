// Build, update and export of a generated catalog, each against the cipher
// work it cannot avoid: sealing (build, update) or unsealing (export) the same
// number of fields of the same lengths, and check of its content file against
// a plain JSON parse, timed in the same run as processor time of the thread.
// The counter "ratio" is tool time / cipher time. 1,000 tests run by default; set
// LOVETEST_BENCH_10000=1 to add 10,000 (by hand only: it takes minutes).
#include <cstdlib>
#include <ctime>

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "data/codepage.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "seal/seal_codec.h"
#include "seal/sealing.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "tools/database_export.h"
#include "tools/database_update.h"
#include "tools/reachable_scores.h"

using namespace lovetest;
using namespace lovetest::content;

namespace {

constexpr int kQuestions = 20;

QString chinese(int length, int seed)
{
    static const QString pool = QStringLiteral("爱情心理测试你我他的是在有一个不人这中大为上们来到说时要就出会可也");
    QString text;
    for (int i = 0; i < length; ++i)
        text += pool[(seed * 7 + i * 13) % pool.size()];
    return text;
}

Content generatedCatalog(int tests)
{
    Content content;
    for (int t = 0; t < tests; ++t) {
        content::Test test;
        test.id = 100 * (t + 1);
        test.name = chinese(8, t);
        test.remarks = chinese(100, t + 1);
        for (int q = 0; q < kQuestions; ++q) {
            Question question;
            question.text = chinese(20, t + q);
            for (int o = 0; o < 4; ++o)
                question.options.append(QString::number(o), chinese(8, t + q + o));
            test.questions.append(question);
        }
        Verdict verdict;
        verdict.thresholds = {QStringLiteral("10"), QStringLiteral("30"), QStringLiteral("50")};
        for (int v = 0; v < 4; ++v)
            verdict.texts.append(chinese(60, t + v));
        test.verdicts.append(verdict);
        content.tests.append(test);
    }
    return content;
}

// The plain bytes of every field build seals, as it seals them.
QList<QByteArray> sealedFieldsOf(const Content &content)
{
    QList<QByteArray> fields;
    const QString text = QString::fromLatin1(kTextSeparator), value = QString::fromLatin1(kValueSeparator);
    for (const content::Test &test : content.tests) {
        fields << toCp936(test.categories.values.join(value)) << toCp936(test.categories.captions.join(text));
        for (const Question &question : test.questions)
            fields << toCp936(question.text) << toCp936(question.options.values.join(value))
                   << toCp936(question.options.captions.join(text));
        for (const Verdict &verdict : test.verdicts)
            fields << toCp936(verdict.thresholds.join(value)) << toCp936(verdict.texts.join(text));
    }
    return fields;
}

// Processor time of this thread: on a shared machine wall time mostly
// measures the neighbours.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

template <typename Work>
double timed(Work &&work)
{
    const double start = threadSeconds();
    work();
    return threadSeconds() - start;
}

void report(benchmark::State &state, double tool, double cipher)
{
    state.counters["tool_s"] = tool / double(state.iterations());
    state.counters["cipher_s"] = cipher / double(state.iterations());
    state.counters["ratio"] = tool / cipher;
}

void BM_BuildAgainstSealing(benchmark::State &state)
{
    const Content content = generatedCatalog(int(state.range(0)));
    const QList<QByteArray> fields = sealedFieldsOf(content);
    const QByteArray dataKeyText = deriveDataKeyText();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    double tool = 0, cipher = 0;
    for (auto _ : state) {
        tool += timed([&] { buildDatabase(content, path, {.replace = true, .dropHistory = true}); });
        cipher += timed([&] {
            for (const QByteArray &field : fields)
                benchmark::DoNotOptimize(sealText(field, dataKeyText));
        });
    }
    report(state, tool, cipher);
}

void BM_ExportAgainstUnsealing(benchmark::State &state)
{
    const Content content = generatedCatalog(int(state.range(0)));
    const QByteArray dataKeyText = deriveDataKeyText();
    QList<QByteArray> sealed;
    for (const QByteArray &field : sealedFieldsOf(content))
        sealed.append(sealText(field, dataKeyText));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    buildDatabase(content, path, {.replace = true, .dropHistory = true});
    SealCodec codec;
    double tool = 0, cipher = 0;
    for (auto _ : state) {
        qsizetype bytes = 0;
        tool += timed([&] {
            ContentJsonWriter writer([&bytes](const QByteArray &piece) { bytes += piece.size(); });
            exportDatabase(path, [&writer](const content::Test &test) { writer.write(test); });
            writer.finish();
        });
        benchmark::DoNotOptimize(bytes);
        cipher += timed([&] {
            for (const QByteArray &field : sealed)
                benchmark::DoNotOptimize(codec.unsealField(dataKeyText, field));
        });
    }
    report(state, tool, cipher);
}

// update of 10 tests in a catalog of N against sealing those tests' fields:
// the work follows the tests written, not the file they go into.
void BM_UpdateAgainstSealing(benchmark::State &state)
{
    const Content catalog = generatedCatalog(int(state.range(0)));
    Content changed;
    for (qsizetype t = 0; t < catalog.tests.size(); t += catalog.tests.size() / 10)
        changed.tests.append(catalog.tests[t]);
    const QList<QByteArray> fields = sealedFieldsOf(changed);
    const QByteArray dataKeyText = deriveDataKeyText();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    buildDatabase(catalog, path);
    double tool = 0, cipher = 0;
    for (auto _ : state) {
        QList<Problem> problems;
        tool += timed([&] { benchmark::DoNotOptimize(updateDatabase(path, changed, problems)); });
        cipher += timed([&] {
            for (const QByteArray &field : fields)
                benchmark::DoNotOptimize(sealText(field, dataKeyText));
        });
    }
    report(state, tool, cipher);
}

// check --ranges (reachable scores, verdict shares and their lines) against
// the reachable scores alone. Argument 0: the generated catalog; 1: tests of
// 13 questions with options 0..500 (wide sums: counting stops at its work
// bound), the case that bounds what counting may add.
void BM_RangesAgainstReachableScores(benchmark::State &state)
{
    Content content = generatedCatalog(state.range(0) ? 30 : 1000);
    if (state.range(0)) {
        for (content::Test &test : content.tests) {
            test.questions.resize(13);
            for (Question &question : test.questions) {
                question.options = {};
                for (int o = 0; o <= 500; ++o)
                    question.options.append(QString::number(o), QStringLiteral("项"));
            }
        }
    }
    double tool = 0, anchor = 0;
    for (auto _ : state) {
        tool += timed([&] { benchmark::DoNotOptimize(describeRanges(content)); });
        anchor += timed([&] {
            for (const content::Test &test : content.tests)
                benchmark::DoNotOptimize(findReachableScores(test));
        });
    }
    state.counters["ranges_s"] = tool / double(state.iterations());
    state.counters["reachable_s"] = anchor / double(state.iterations());
    state.counters["ratio"] = tool / anchor;
}

// check of a content file (reading with every key's place, then the
// checker) against parsing the same bytes with QJsonDocument, which keeps no
// places and proves nothing.
void BM_CheckAgainstJsonParse(benchmark::State &state)
{
    const QByteArray json = toContentJson(generatedCatalog(int(state.range(0))));
    double tool = 0, anchor = 0;
    for (auto _ : state) {
        tool += timed([&] {
            const ReadResult read = readContent(json, QStringLiteral("catalog.json"));
            benchmark::DoNotOptimize(checkContent(read.content));
        });
        anchor += timed([&] { benchmark::DoNotOptimize(QJsonDocument::fromJson(json)); });
    }
    state.counters["check_s"] = tool / double(state.iterations());
    state.counters["parse_s"] = anchor / double(state.iterations());
    state.counters["ratio"] = tool / anchor;
}

void sizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Arg(1000);
    if (std::getenv("LOVETEST_BENCH_10000"))
        benchmark->Arg(10000);
    benchmark->Unit(benchmark::kMillisecond)->Iterations(1);
}

BENCHMARK(BM_BuildAgainstSealing)->Apply(sizes);
BENCHMARK(BM_ExportAgainstUnsealing)->Apply(sizes);
BENCHMARK(BM_UpdateAgainstSealing)->Apply(sizes)->Iterations(20);
BENCHMARK(BM_CheckAgainstJsonParse)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RangesAgainstReachableScores)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
