// One step of a test run in the program's own main window: from the click on
// the step button to the next question painted, against the same widgets
// built bare (a captioned group of four radio buttons replaced and painted)
// in the same run. Also the commit that stores each answer, in the journal
// settings the program uses and in the engine's defaults.
//
// Run with --large to add the catalog of 10,000 tests.
#include "bench/support/anchored_timing.h"
#include "bench/support/large_catalog.h"
#include "data/test_database.h"
#include "shell/application_setup.h"
#include "shell/main_window.h"
#include "tests/support/fake_dialogs.h"
#include "widgets/choice_group.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

// Under valgrind --tool=callgrind --collect-atstart=no only the timed steps
// are counted: instruction counts are repeatable where times are not.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>

using namespace lovetest;

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the process in seconds: on a busy shared machine the wall time
// of a step also holds the time it waited for a core.
double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Times one step: wall time as the iteration time, CPU time as a counter.
class StepTimer {
public:
    explicit StepTimer(benchmark::State &state) : m_state(state) {}
    void start()
    {
        m_wall = Clock::now();
        m_cpu = cpuSeconds();
        CALLGRIND_TOGGLE_COLLECT;
    }
    void stop()
    {
        CALLGRIND_TOGGLE_COLLECT;
        m_cpuTotal += cpuSeconds() - m_cpu;
        m_state.SetIterationTime(std::chrono::duration<double>(Clock::now() - m_wall).count());
    }
    ~StepTimer()
    {
        m_state.counters["cpu_ms"] = benchmark::Counter(
            m_cpuTotal * 1000.0 / double(std::max<benchmark::IterationCount>(1, m_state.iterations())));
    }

private:
    benchmark::State &m_state;
    Clock::time_point m_wall;
    double m_cpu = 0;
    double m_cpuTotal = 0;
};

// Lays out and paints what is pending, as the event loop would before the
// next frame.
void paintPending()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

// The main window on a copy of a catalog, standing on the first test.
struct RunningWindow {
    testing::FakeDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> form;
    bool exposed = false;

    explicit RunningWindow(int tests)
    {
        const QString path = dir.filePath(QStringLiteral("date.mdb"));
        QFile::copy(bench::cachedTestCatalog(tests), path);
        form = std::make_unique<MainWindow>(path);
        form->resize(1024, 740);
        form->show();
        exposed = QTest::qWaitForWindowExposed(form.get());
        form->database().catalog.locate(QStringLiteral("ID"), 1);
    }
    ChoiceGroup *panel() const
    {
        return form->ui().questionPane->findChild<ChoiceGroup *>(QStringLiteral("choiceGroup"));
    }
    // The next step would show the verdict (or no run is going on): finish,
    // start again and answer the first question.
    void readyForAQuestionStep()
    {
        ChoiceGroup *current = panel();
        while (!current || current->caption().startsWith(QStringLiteral("20-20."))) {
            if (current) {
                QTest::keyClick(current, Qt::Key_1);
                QTest::mouseClick(form->ui().stepButton, Qt::LeftButton); // to the verdict
            }
            QTest::mouseClick(form->ui().stepButton, Qt::LeftButton); // finish, or start
            current = panel();
        }
        QTest::keyClick(current, Qt::Key_1);
        // What finishing and starting left to paint (the catalog tree turns
        // idle and back) is no part of the step.
        paintPending();
    }
};

void BM_NextQuestion(benchmark::State &state)
{
    RunningWindow window(int(state.range(0)));
    if (!window.exposed) {
        state.SkipWithError("the window was never shown");
        return;
    }
    StepTimer timer(state);
    for (auto _ : state) {
        window.readyForAQuestionStep();
        timer.start();
        QTest::mouseClick(window.form->ui().stepButton, Qt::LeftButton);
        paintPending();
        timer.stop();
    }
    if (!window.dialogs.errors.isEmpty())
        state.SkipWithError(qPrintable(window.dialogs.errors.join(u'\n')));
}
BENCHMARK(BM_NextQuestion)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

// The anchor: the same kind of widgets, built bare in a scroll area of the
// same size: a captioned group of four radio buttons with wrapping captions
// replaces the last one, is laid out and painted.
void BM_BareQuestion(benchmark::State &state)
{
    QScrollArea window;
    window.resize(1024, 740);
    window.setWidgetResizable(true);
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    window.setWidget(content);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("the window was never shown");
        return;
    }
    QGroupBox *group = nullptr;
    int step = 0;
    StepTimer timer(state);
    for (auto _ : state) {
        timer.start();
        delete group;
        group = new QGroupBox(
            QStringLiteral("20-%1.当你和恋人意见不合、彼此都不肯让步的时候，你通常会怎样做？").arg(++step % 20));
        auto *items = new QGridLayout(group);
        int row = 0;
        for (const char *caption : {"先冷静下来，等双方都平静了再谈", "坚持自己的看法，直到对方让步",
                                    "为了不吵架，先顺着对方", "找朋友评理，请第三方来判断"}) {
            items->addWidget(new QRadioButton, row, 0);
            auto *label = new QLabel(QString::fromUtf8(caption));
            label->setWordWrap(true);
            items->addWidget(label, row++, 1);
        }
        layout->addWidget(group);
        paintPending();
        timer.stop();
    }
}
BENCHMARK(BM_BareQuestion)->UseManualTime()->Unit(benchmark::kMillisecond);

// One answer's commit: an UPDATE of one row in its own transaction.
// Arg 0: the engine's defaults (rollback journal, full sync);
// arg 1: write-ahead log with full sync, as the program runs.
void BM_AnswerCommit(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    bench::writeTestCatalog(path, 5, 20, true);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("commit-bench"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        if (state.range(0) == 1) {
            query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            query.exec(QStringLiteral("PRAGMA synchronous=FULL"));
        }
        query.prepare(QStringLiteral("UPDATE 量表 SET 分值=? WHERE rowid=?"));
        int value = 0;
        for (auto _ : state) {
            query.addBindValue(++value % 4 + 1);
            query.addBindValue(2 + value % 20);
            query.exec();
        }
        query = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("commit-bench"));
}
BENCHMARK(BM_AnswerCommit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Remembers each benchmark's time per iteration for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                millis[run.benchmark_name()] = run.GetAdjustedRealTime();
                const auto cpu = run.counters.find("cpu_ms");
                if (cpu != run.counters.end())
                    cpuMillis[run.benchmark_name()] = cpu->second.value;
            }
        }
    }
    std::map<std::string, double> millis;
    std::map<std::string, double> cpuMillis;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    bool large = false;
    std::vector<char *> arguments = bench::argumentsWithoutLarge(argc, argv, large);
    if (large)
        benchmark::RegisterBenchmark("BM_NextQuestion", BM_NextQuestion)
            ->Arg(10000)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto bare = reporter.millis.find("BM_BareQuestion/manual_time");
    if (bare != reporter.millis.end()) {
        const double bareCpu = reporter.cpuMillis[bare->first];
        std::printf("\nnext question / bare widgets (goal: ratio <= 2, and under 5 ms)\n");
        std::printf("  %-36s %9s %7s %9s %7s\n", "", "wall ms", "ratio", "CPU ms", "ratio");
        for (const auto &[name, millis] : reporter.millis) {
            if (name.rfind("BM_NextQuestion", 0) != 0)
                continue;
            const double cpu = reporter.cpuMillis[name];
            std::printf("  %-36s %9.2f %7.2f %9.2f %7.2f\n", name.c_str(), millis, millis / bare->second, cpu,
                        bareCpu > 0 ? cpu / bareCpu : 0.0);
        }
    }
    benchmark::Shutdown();
    return 0;
}
