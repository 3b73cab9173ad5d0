// Builds the real main window on a copy of a test database and writes
// pictures of its states: lovetest_screenshots DATABASE OUTPUT-FOLDER
#include <algorithm>
#include <cstdio>
#include <optional>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

#include "data/dataset.h"
#include "data/test_database.h"
#include "report/print_dialogs.h"
#include "report/report_window.h"
#include "run/pair_result.h"
#include "run/run_history.h"
#include "run/run_listener.h"
#include "run/test_run.h"
#include "shell/about_window.h"
#include "shell/application_setup.h"
#include "shell/history_window.h"
#include "shell/main_window.h"
#include "shell/pair_companion.h"
#include "shell/run_companion.h"
#include "shell/score_chart.h"
#include "tests/support/dark_palette.h"
#include "tests/support/fake_dialogs.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"
#include "widgets/dialogs.h"
#include "widgets/message_boxes.h"

namespace lovetest {
namespace {

class Shooter {
public:
    explicit Shooter(const QString &folder) : m_folder(folder) { QDir().mkpath(folder); }

    void shoot(QWidget &widget, const QString &name)
    {
        settle();
        const QString file = QDir(m_folder).filePath(name + QStringLiteral(".png"));
        const QImage picture = widget.grab().toImage();
        if (!picture.save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            m_failed = true;
            return;
        }
        std::printf("%s\n", qPrintable(file));
        // Every picture shows a state of its own: two equal ones mean a step
        // of the script did not do what its name says.
        const QByteArray key = QCryptographicHash::hash(QByteArrayView(picture.constBits(), picture.sizeInBytes()),
                                                        QCryptographicHash::Sha256);
        const QString earlier = m_shown.value(key);
        if (!earlier.isEmpty()) {
            std::fprintf(stderr, "%s shows the same as %s\n", qPrintable(name), qPrintable(earlier));
            m_failed = true;
        }
        m_shown.insert(key, name);
    }
    bool failed() const { return m_failed; }
    void fail(const QString &why)
    {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        m_failed = true;
    }
    QString filePath(const QString &name) const { return QDir(m_folder).filePath(name); }
    // A picture the program itself wrote (or put on the clipboard) must be there.
    void expectPicture(const QString &name, const QImage &picture)
    {
        if (picture.isNull()) {
            std::fprintf(stderr, "no picture for %s\n", qPrintable(name));
            m_failed = true;
            return;
        }
        std::printf("%s\n", qPrintable(filePath(name + QStringLiteral(".png"))));
    }
    void note(const QString &name, const QStringList &lines)
    {
        QFile file(QDir(m_folder).filePath(name + QStringLiteral(".txt")));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            QTextStream stream(&file);
            for (const QString &line : lines)
                stream << line << '\n';
        }
    }
    static void settle()
    {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            QTest::qWait(20);
        }
    }

private:
    QString m_folder;
    QHash<QByteArray, QString> m_shown; // picture digest → its name
    bool m_failed = false;
};

// Shows the print preview of the report page without blocking, for one picture.
class PreviewShooter : public PrintDialogs {
public:
    explicit PreviewShooter(Shooter &shooter) : m_shooter(shooter) { PrintDialogs::setInstance(this); }
    ~PreviewShooter() override { PrintDialogs::setInstance(nullptr); }

    bool choosePrinter(QWidget *, QPrinter &) override { return false; }
    void preview(QWidget *parent, QPrinter &printer, const PageRenderer &render) override
    {
        QPrintPreviewDialog dialog(&printer, parent);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&render](QPrinter *target) { render(target); });
        dialog.resize(900, 700);
        dialog.show();
        m_shooter.shoot(dialog, QStringLiteral("06b-print-preview"));
        dialog.close();
    }

private:
    Shooter &m_shooter;
};

void selectTest(MainWindow &form, qint64 id)
{
    form.database().catalog.locate(QStringLiteral("ID"), id);
    Shooter::settle();
}

ChoiceGroup *choicePanel(MainWindow &form)
{
    return form.ui().questionPane->findChild<ChoiceGroup *>();
}

// Answers every question until the run leaves the questions: question i
// with option choices[i], the first option where choices holds none.
void answerAll(MainWindow &form, const QList<int> &choices = {})
{
    for (int question = 0; form.run().phase() == TestRun::Phase::Answering; ++question) {
        ChoiceGroup *panel = choicePanel(form);
        if (!panel)
            return;
        panel->setItemIndex(choices.value(question, 0));
        form.ui().stepButton->click();
    }
}

// A run of 恋爱风格测试 answered with item `item` (or the last one a
// question has) throughout, kept as if finished daysAgo days before.
void takeEarlier(MainWindow &form, int item, int daysAgo)
{
    selectTest(form, 100);
    form.ui().startButton->click();
    while (form.run().phase() == TestRun::Phase::Answering) {
        ChoiceGroup *panel = choicePanel(form);
        if (!panel)
            return;
        panel->setItemIndex(std::min(item, panel->count() - 1));
        form.ui().stepButton->click();
    }
    form.ui().stepButton->click();
    RunHistory &history = form.companion().history();
    const QList<RunHistory::Entry> runs = history.entries(100);
    if (runs.isEmpty())
        return;
    if (std::optional<RunResult> result = history.result(runs.first().record)) {
        result->finishedAt = result->finishedAt.addDays(-daysAgo);
        history.record(*result);
        history.remove(runs.first().record);
    }
}

// The history narrowed to 恋爱风格测试, taken more than once by now: its
// scores over time under the list.
void shootHistoryChart(RunCompanion &companion, Shooter &shooter, const QString &name)
{
    companion.showHistory();
    HistoryWindow *history = companion.historyWindow();
    if (!history)
        return;
    QComboBox *filter = history->ui().filter;
    filter->setCurrentIndex(filter->findData(qint64(100)));
    // The newest run of one's own: a pair's row charts nothing.
    for (int row = 0; row < history->ui().table->rowCount() && history->selectedPair() != 0; ++row)
        history->ui().table->selectRow(row);
    history->resize(720, 440);
    if (!history->ui().chart->isVisible()) {
        shooter.fail(name + QStringLiteral(": no chart for a test taken twice"));
        return;
    }
    shooter.shoot(*history, name);
    filter->setCurrentIndex(0);
    history->hide();
}

// Two takers of 恋爱风格测试 one after the other through 两人一起测, who
// agree on some questions only: the hand-over screen between them and the
// line under the second verdict, named after handOver and compared.
std::optional<PairResult> takePair(MainWindow &form, Shooter &shooter, testing::FakeDialogs &dialogs,
                                   const QString &handOver, const QString &compared)
{
    PairCompanion &pair = form.pairCompanion();
    selectTest(form, 100);
    dialogs.textsAnswers = {{QStringLiteral("小明"), QStringLiteral("小红")}};
    pair.startPair();
    answerAll(form, {0, 1, 0, 1, 0, 0, 1, 0, 1, 0});
    if (!pair.handOverScreen()) {
        shooter.fail(handOver + QStringLiteral(": no hand-over screen"));
        return std::nullopt;
    }
    shooter.shoot(form, handOver);
    pair.continuePair();
    QCoreApplication::processEvents();
    answerAll(form, {0, 1, 1, 1, 2, 0, 2, 0, 2, 1});
    QCoreApplication::processEvents(); // the comparison page follows
    if (!pair.summary() || !pair.session().lastCompared()) {
        shooter.fail(compared + QStringLiteral(": the pair was not compared"));
        return std::nullopt;
    }
    shooter.shoot(form, compared);
    const std::optional<PairResult> result = pair.session().lastCompared();
    form.ui().stepButton->click();
    return result;
}

// The card of the result shown, written by the window's own command.
void saveCard(ReportWindow &report, Shooter &shooter, testing::FakeDialogs &dialogs, const QString &name)
{
    dialogs.nextSaveName = shooter.filePath(name + QStringLiteral(".png"));
    report.ui().saveImageButton->click();
    dialogs.nextSaveName.clear();
    shooter.expectPicture(name, QImage(shooter.filePath(name + QStringLiteral(".png"))));
}

// The card of the result shown as the window puts it on the clipboard.
void copyCard(ReportWindow &report, Shooter &shooter, const QString &name)
{
    report.ui().copyImageButton->click();
    const QImage card = QGuiApplication::clipboard()->image();
    card.save(shooter.filePath(name + QStringLiteral(".png")));
    shooter.expectPicture(name, card);
}

// Progress, a question reached by going back, the explained verdict, the
// result page and the history of runs.
void shootTakerAids(MainWindow &form, ReportWindow &report, Shooter &shooter, testing::FakeDialogs &dialogs)
{
    RunCompanion &companion = form.companion();
    selectTest(form, 100);
    form.ui().startButton->click();
    for (int i = 0; i < 2; ++i) {
        if (ChoiceGroup *panel = choicePanel(form))
            panel->setItemIndex(1);
        form.ui().stepButton->click();
    }
    shooter.shoot(form, QStringLiteral("10-progress"));
    companion.ui().backButton->click();
    shooter.shoot(form, QStringLiteral("11-back"));
    form.ui().stepButton->click();
    answerAll(form);
    shooter.shoot(form, QStringLiteral("12-explained-verdict"));
    companion.ui().saveButton->click();
    report.resize(760, 560);
    shooter.shoot(report, QStringLiteral("13-result-page"));
    saveCard(report, shooter, dialogs, QStringLiteral("25-result-card"));
    report.hide();
    form.ui().stepButton->click();
    shooter.shoot(form, QStringLiteral("23b-catalog-marks")); // idle: the marks in colour
    companion.showHistory();
    if (HistoryWindow *history = companion.historyWindow()) {
        history->resize(720, 360);
        shooter.shoot(*history, QStringLiteral("14-history"));
        history->hide();
    }

    // What next: from a verdict 下一个测试 selects the test after it, whose
    // verdict comes with the two buttons again, the tests taken marked.
    selectTest(form, 100);
    form.ui().startButton->click();
    answerAll(form);
    if (QPushButton *next = companion.nextTestButton())
        next->click();
    QCoreApplication::processEvents();
    form.ui().startButton->click();
    for (int step = 0; step < 3 && form.run().phase() != TestRun::Phase::ShowingVerdict; ++step) {
        answerAll(form); // then a category, if the test asks for one
        if (ChoiceGroup *panel = choicePanel(form))
            panel->setItemIndex(0);
        if (form.run().phase() == TestRun::Phase::ChoosingCategory)
            form.ui().stepButton->click();
    }
    shooter.shoot(form, QStringLiteral("23-verdict-what-next"));
    form.ui().stepButton->click();
    // Runs on days before, each answered its own way.
    takeEarlier(form, 2, 41);
    takeEarlier(form, 3, 23);
    takeEarlier(form, 1, 9);
    shootHistoryChart(companion, shooter, QStringLiteral("28-history-chart"));
}

int shootAll(const QString &database, const QString &folder)
{
    Shooter shooter(folder);
    testing::FakeDialogs dialogs;

    QTemporaryDir work;
    const QString copy = work.filePath(QStringLiteral("date.mdb"));
    if (!QFile::copy(database, copy)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(database));
        return 1;
    }

    MainWindow form(copy);
    AboutWindow about(form.siteAddress());
    ReportWindow report;
    form.setWindows(&about, &report);
    form.resize(1000, 680);
    form.show();
    shooter.shoot(form, QStringLiteral("01-idle"));

    // 恋爱风格测试: its first question comes with instructions.
    selectTest(form, 100);
    form.ui().startButton->click();
    if (ChoiceGroup *panel = choicePanel(form))
        panel->setItemIndex(1);
    shooter.shoot(form, QStringLiteral("02-question-with-instructions"));
    form.ui().quitButton->click();

    // A category test: the questions, then the category, then the verdict.
    selectTest(form, 200);
    form.ui().startButton->click();
    answerAll(form);
    shooter.shoot(form, QStringLiteral("03-category"));
    if (ChoiceGroup *panel = choicePanel(form))
        panel->setItemIndex(0);
    form.ui().stepButton->click();
    shooter.shoot(form, QStringLiteral("04-verdict"));
    form.ui().stepButton->click();

    form.ui().searchBox->setText(QStringLiteral("恋"));
    shooter.shoot(form, QStringLiteral("05-search"));
    form.ui().searchBox->clear();

    // The question before a folder goes, as the real box asks it; Enter
    // answers it with its default, 取消.
    selectTest(form, 40);
    form.ui().catalogTree->setFocus();
    Dialogs::setInstance(nullptr);
    QTimer::singleShot(0, [&shooter] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            std::fprintf(stderr, "no question before deleting a folder\n");
            return;
        }
        useChineseButtonTexts(*box);
        shooter.shoot(*box, QStringLiteral("22-folder-delete"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    QTest::keyClick(form.ui().catalogTree, Qt::Key_Delete);
    Dialogs::setInstance(&dialogs);
    if (!form.ui().catalogTree->hasNode(40)) {
        std::fprintf(stderr, "Enter on the question deleted the folder\n");
        return 1;
    }

    selectTest(form, 100);
    form.ui().contentButton->click();
    report.resize(760, 560);
    shooter.shoot(report, QStringLiteral("06-report"));
    {
        PreviewShooter preview(shooter);
        report.ui().previewButton->click();
    }
    form.ui().aboutAction->trigger();
    shooter.shoot(about, QStringLiteral("07-about"));
    about.hide();
    report.hide();

    shootTakerAids(form, report, shooter, dialogs);

    // Two takers compared: the page and the card of both.
    const std::optional<PairResult> pair =
        takePair(form, shooter, dialogs, QStringLiteral("35-pair-hand-over"), QStringLiteral("36-pair-compared"));
    if (pair) {
        report.showPair(*pair);
        report.resize(760, 560);
        shooter.shoot(report, QStringLiteral("31-pair-page"));
        saveCard(report, shooter, dialogs, QStringLiteral("32-pair-card"));
        report.hide();
    }

    // The longest question of the samples at the design size: its caption
    // wraps inside the pane.
    selectTest(form, 900);
    form.resize(688, 454);
    form.ui().startButton->click();
    shooter.shoot(form, QStringLiteral("15-long-question"));
    form.ui().quitButton->click();

    // The question with instructions and five options at the first size:
    // its last option stays above the progress line.
    selectTest(form, 600);
    form.ui().startButton->click();
    for (int i = 0; i < 8; ++i) {
        if (auto *choices = form.ui().questionPane->findChild<ChoiceGroup *>())
            choices->setItemIndex(0);
        form.ui().stepButton->click();
    }
    shooter.shoot(form, QStringLiteral("18-question-9"));
    form.ui().quitButton->click();

    // The smallest window, idle, in a question and at the verdict: every
    // button whole.
    selectTest(form, 100);
    form.resize(form.minimumSize());
    shooter.shoot(form, QStringLiteral("19-minimum-idle"));
    form.ui().startButton->click();
    shooter.shoot(form, QStringLiteral("20-minimum-question"));
    while (auto *choices = form.ui().questionPane->findChild<ChoiceGroup *>()) {
        choices->setItemIndex(0);
        form.ui().stepButton->click();
    }
    shooter.shoot(form, QStringLiteral("21-minimum-verdict"));
    form.ui().stepButton->click();
    form.resize(1000, 680);

    // Under a dark desktop palette the fixed colours keep their own
    // backgrounds.
    {
        const QPalette saved = QApplication::palette();
        QApplication::setPalette(testing::darkDesktopPalette());
        MainWindow dark(copy);
        dark.resize(1000, 680);
        dark.show();
        selectTest(dark, 100);
        dark.ui().startButton->click();
        if (ChoiceGroup *panel = choicePanel(dark))
            panel->setItemIndex(0);
        shooter.shoot(dark, QStringLiteral("16-dark-question"));
        answerAll(dark);
        shooter.shoot(dark, QStringLiteral("17-dark-verdict"));
        // The result page and its card; the card keeps the program's own
        // colours under any desktop palette.
        ReportWindow darkReport;
        darkReport.resize(760, 560);
        dark.setWindows(nullptr, &darkReport);
        dark.companion().ui().saveButton->click();
        shooter.shoot(darkReport, QStringLiteral("26-dark-result-page"));
        copyCard(darkReport, shooter, QStringLiteral("27-dark-result-card"));
        if (pair) {
            darkReport.showPair(*pair);
            shooter.shoot(darkReport, QStringLiteral("33-dark-pair-page"));
            copyCard(darkReport, shooter, QStringLiteral("34-dark-pair-card"));
        }
        darkReport.hide();
        dark.ui().stepButton->click(); // 完成
        takePair(dark, shooter, dialogs, QStringLiteral("37-dark-pair-hand-over"),
                 QStringLiteral("38-dark-pair-compared"));
        darkReport.hide();
        shootHistoryChart(dark.companion(), shooter, QStringLiteral("29-dark-history-chart"));
        dark.hide();
        QApplication::setPalette(saved);
    }

    // A start without the database file.
    dialogs.errors.clear();
    MainWindow empty(work.filePath(QStringLiteral("missing/date.mdb")));
    empty.resize(1000, 680);
    empty.show();
    shooter.shoot(empty, QStringLiteral("08-no-database"));
    shooter.note(QStringLiteral("08-no-database-errors"), dialogs.errors);
    if (!dialogs.errors.isEmpty()) {
        QMessageBox box(QMessageBox::Critical, applicationTitle(), errorBoxText(dialogs.errors.first()),
                        QMessageBox::Ok);
        useChineseButtonTexts(box);
        box.show();
        shooter.shoot(box, QStringLiteral("09-error-box"));
    }
    shooter.note(QStringLiteral("messages"), dialogs.messages);
    return shooter.failed() || !pair ? 1 : 0;
}

} // namespace
} // namespace lovetest

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: lovetest_screenshots DATABASE [OUTPUT-FOLDER]\n");
        return 2;
    }
    const QString folder = args.size() > 2 ? args[2] : QStringLiteral("build/screenshots");
    return lovetest::shootAll(args[1], folder);
}
