// Any history record in a test database: the resume offer at start, taking
// the run up and stepping it to its verdict, the history lists and the
// result page of every finished record. The input is up to three records,
// separated by 0x1E, each of up to twelve fields separated by 0x1F, in the
// columns' order (test ID first, "finished" last).
#include <cstddef>
#include <cstdint>
#include <exception>

#include <QFile>
#include <QSqlQuery>

#include "data/connection.h"
#include "data/sealed_fields.h"
#include "data/test_database.h"
#include "report/result_page.h"
#include "run/headless_view.h"
#include "run/resume_offer.h"
#include "run/run_history.h"
#include "run/run_journal.h"
#include "run/test_run.h"
#include "seal/seal_codec.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/content_json.h"
#include "tools/database_build.h"

using namespace lovetest;

namespace {

constexpr int kStepsTried = 64;
constexpr qsizetype kRecordsTried = 3;

const QByteArray kContent = R"({"tests": [
  {"id": 10, "name": "两题测试", "factor": 1,
   "questions": [
     {"text": "第一题", "options": [[3, "甲"], [1, "乙"]]},
     {"text": "第二题", "options": [[2, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [2], "texts": ["低", "高"]}]},
  {"id": 20, "name": "分类测试", "factor": 2, "categories": [[1, "男"], [2, "女"]],
   "questions": [{"text": "唯一题", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"category": 1, "thresholds": [0], "texts": ["零", "非零"]},
                {"category": 2, "thresholds": [1], "texts": ["少", "多"]}]}
]})";

const QStringList kColumns{QStringLiteral("测试ID"), QStringLiteral("时间"),   QStringLiteral("测试名称"),
                           QStringLiteral("类别"),   QStringLiteral("分值"),   QStringLiteral("区间"),
                           QStringLiteral("最低分"), QStringLiteral("最高分"), QStringLiteral("结果"),
                           QStringLiteral("答案"),   QStringLiteral("选择"),   QStringLiteral("完成")};

QString baseDatabase()
{
    static const QString path = [] {
        const QString built = fuzz::scratchFile(QStringLiteral("base.mdb"));
        content::buildDatabase(content::parseContentJson(kContent), built);
        return built;
    }();
    return path;
}

// Writes the records of the input into the file's history, made as the
// program makes it.
void plantRecords(const QString &path, const QByteArray &input)
{
    TestDatabase database;
    if (!database.openAll(path).isEmpty())
        __builtin_trap();
    RunHistory history(database.connection);
    (void)history.begin(10, QStringLiteral("两题测试")); // makes the table
    QSqlQuery(database.connection.db()).exec(QStringLiteral("DELETE FROM 记录"));
    const QList<QByteArray> records = input.split('\x1e').mid(0, kRecordsTried);
    for (const QByteArray &record : records) {
        const QList<QByteArray> fields = record.split('\x1f').mid(0, kColumns.size());
        QSqlQuery insert(database.connection.db());
        insert.prepare(QStringLiteral("INSERT INTO 记录 (%1) VALUES (%2)")
                           .arg(kColumns.mid(0, fields.size()).join(QLatin1Char(',')),
                                QStringList(fields.size(), QStringLiteral("?")).join(QLatin1Char(','))));
        for (const QByteArray &field : fields)
            insert.addBindValue(QString::fromUtf8(field));
        insert.exec(); // a record the table refuses is simply not there
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    baseDatabase();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::scratchFile(QStringLiteral("date.mdb"));
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
    if (!QFile::copy(baseDatabase(), path))
        __builtin_trap();
    plantRecords(path, QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));

    TestDatabase database;
    if (!database.openAll(path).isEmpty())
        return 0;
    SealCodec codec;
    SealedFields sealed(database, codec);
    HeadlessRunView view(database, sealed);
    TestRun run(database, sealed, view);
    RunHistory history(database.connection);
    RunJournal journal(history);
    run.addListener(&journal);
    // Errors the program reports are fine; crashes and sanitizer reports are not.
    try {
        ResumeOffer offer(database, run, history, journal);
        if (const std::optional<RunHistory::Unfinished> open = offer.find()) {
            if (offer.accept(*open)) {
                for (int step = 0; step < kStepsTried && run.running() && run.phase() != TestRun::Phase::ShowingVerdict;
                     ++step) {
                    if (!view.choices().items.isEmpty())
                        view.choose(0);
                    run.step();
                }
            }
        }
    } catch (const std::exception &) {}
    try {
        (void)history.testsTaken();
        for (const RunHistory::Entry &entry : history.entries()) {
            if (const std::optional<RunResult> result = history.result(entry.record)) {
                (void)resultPage(*result);
                (void)resultPageTitle(*result);
            }
        }
    } catch (const std::exception &) {}
    return 0;
}
