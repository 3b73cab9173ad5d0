// Long content in the program's own windows: starting a test whose question
// or option text is 1 MB, and opening a history record whose verdict is
// 10 MB, each timed up to the window painted. The anchor is the same step
// with a short text in the same place, measured in the same run; the ratio
// stays near 1 when every place shows only a bounded head.
//
// The texts hold no break opportunity (one letter repeated): the worst case
// for line breaking.
#include "bench/support/anchored_timing.h"
#include "data/test_database.h"
#include "report/report_window.h"
#include "run/run_history.h"
#include "shell/application_setup.h"
#include "shell/history_window.h"
#include "shell/main_window.h"
#include "shell/run_companion.h"
#include "tests/support/fake_dialogs.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "widgets/choice_group.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace lovetest;

namespace {

using Clock = std::chrono::steady_clock;

enum Place { QuestionText, OptionText, HistoryVerdict };

const QString kShortText = QStringLiteral("遇到一个让你心动的人，你通常会怎么做？");

QString longTextFor(Place place)
{
    return QString(place == HistoryVerdict ? 10 << 20 : 1 << 20, QLatin1Char('x'));
}

// One test of two questions; text stands in the place measured.
QByteArray contentWith(Place place, const QString &text)
{
    const QString question = place == QuestionText ? text : kShortText;
    const QString option = place == OptionText ? text : QStringLiteral("马上想办法制造见面的机会");
    return QStringLiteral(R"({"tests": [{"id": 10, "name": "长文测试", "remarks": "", "factor": 1,
  "questions": [{"text": "%1", "options": [[1, "%2"], [2, "先加个联系方式，慢慢聊"]]},
                {"text": "第二题？", "options": [[1, "是"], [2, "否"]]}],
  "verdicts": [{"thresholds": [3], "texts": ["低分结论", "高分结论"]}]}]})")
        .arg(question, option)
        .toUtf8();
}

void paintPending()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

// The main window on a database holding text in place, standing on its test.
struct Window {
    testing::FakeDialogs dialogs;
    ReportWindow report;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> form;
    bool ready = false;

    Window(Place place, const QString &text)
    {
        const QString path = dir.filePath(QStringLiteral("date.mdb"));
        content::buildDatabase(
            content::parseContentJson(contentWith(place, place == HistoryVerdict ? kShortText : text)), path);
        form = std::make_unique<MainWindow>(path);
        form->setWindows(nullptr, &report);
        form->resize(1024, 740);
        form->show();
        ready = QTest::qWaitForWindowExposed(form.get()) && form->database().catalog.locate(QStringLiteral("ID"), 10);
        if (ready && place == HistoryVerdict)
            ready = recordRunWithVerdict(path, text);
        paintPending();
    }

    ChoiceGroup *panel() const
    {
        return form->ui().questionPane->findChild<ChoiceGroup *>(QStringLiteral("choiceGroup"));
    }

    // Takes the test once, then gives its record the verdict text.
    bool recordRunWithVerdict(const QString &path, const QString &verdict)
    {
        for (int step = 0; step < 3; ++step) {
            form->ui().stepButton->click();
            if (step < 2 && panel())
                panel()->setItemIndex(0);
        }
        form->ui().stepButton->click(); // finish
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("long-verdict"));
            db.setDatabaseName(path);
            if (!db.open())
                return false;
            QSqlQuery query(db);
            query.prepare(QStringLiteral("UPDATE 记录 SET 结果 = ?"));
            query.addBindValue(verdict);
            if (!query.exec())
                return false;
        }
        QSqlDatabase::removeDatabase(QStringLiteral("long-verdict"));
        return form->companion().history().entries().size() == 1;
    }

    // Seconds for one step of place: starting the test (ended again
    // afterwards, untimed), or opening the record from the history window.
    double timeStep(Place place)
    {
        const auto start = Clock::now();
        if (place == HistoryVerdict) {
            form->companion().ui().historyAction->trigger();
            form->companion().historyWindow()->openSelected();
        } else {
            form->ui().startButton->click();
        }
        paintPending();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (place == HistoryVerdict) {
            report.hide();
            form->companion().historyWindow()->hide();
        } else {
            form->ui().quitButton->click();
        }
        paintPending();
        return seconds;
    }
};

void BM_LongContent(benchmark::State &state)
{
    const auto place = Place(state.range(0));
    Window anchor(place, kShortText);
    Window measured(place, longTextFor(place));
    if (!anchor.ready || !measured.ready) {
        state.SkipWithError("the window or its content was not ready");
        return;
    }
    // The measured window's first step is its warm-up.
    bench::timeAgainstAnchor(
        state, [&] { return anchor.timeStep(place); }, [&] { return measured.timeStep(place); }, "ratio_to_short");
    if (!measured.dialogs.errors.isEmpty() || !anchor.dialogs.errors.isEmpty())
        state.SkipWithError("an error box was shown");
}
// 0: a 1 MB question, 1: a 1 MB option, 2: a 10 MB verdict in the history.
BENCHMARK(BM_LongContent)
    ->ArgName("place")
    ->Arg(QuestionText)
    ->Arg(OptionText)
    ->Arg(HistoryVerdict)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
