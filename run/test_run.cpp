#include "run/test_run.h"

#include <stdexcept>

#include <QSqlQuery>

#include "data/codepage.h"
#include "data/connection.h"
#include "data/convert.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "data/text_head.h"
#include "run/run_result.h"
#include "run/run_view.h"

namespace lovetest {

namespace {

const QString kParent = QStringLiteral("Parent");
const QString kId = QStringLiteral("ID");
const QString kScore = QStringLiteral("分值");

void refilter(Dataset &dataset, const QString &filter)
{
    dataset.setFiltered(false);
    dataset.setFilter(filter);
    dataset.setFiltered(true);
}

// The number of question rows of the filtered question set; walks it.
int countQuestionRows(Dataset &questions)
{
    int count = 0;
    for (questions.first(); !questions.atEnd(); questions.next()) {
        if (!isTestsOwnRow(questions))
            ++count;
    }
    return count;
}

} // namespace

bool isTestsOwnRow(const Dataset &questions)
{
    // Catalog rows placed under the test (a test under a test) are no
    // questions either.
    if (questions.fieldByName(QStringLiteral("目录"))->asInteger() != 0)
        return true;
    const Field *parent = questions.fieldByName(kParent);
    return !parent->isNull() && parent->asLargeInt() == questions.fieldByName(kId)->asLargeInt();
}

QSet<qint64> testsWithQuestions(Connection &connection)
{
    QSet<qint64> tests;
    if (!connection.connected())
        return tests;
    // The rows isTestsOwnRow takes for questions, by the test they are under.
    QSqlQuery query(connection.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT DISTINCT Parent FROM 量表"
                                   " WHERE COALESCE(目录, 0) = 0 AND Parent IS NOT NULL AND Parent <> ID")))
        return tests;
    while (query.next())
        tests.insert(query.value(0).toLongLong());
    return tests;
}

int verdictIndex(const QList<QByteArray> &thresholds, double score)
{
    for (qsizetype i = 0; i < thresholds.size(); ++i) {
        if (toInteger(fromCp936(thresholds[i])) >= score)
            return int(i);
    }
    return int(thresholds.size());
}

QString TestRun::disclaimer()
{
    return QStringLiteral("声明：本程序所提供的测试仅供娱乐!");
}

TestRun::TestRun(TestDatabase &database, SealedFields &sealed, RunView &view)
    : m_database(database), m_sealed(sealed), m_view(view)
{}

void TestRun::step()
{
    switch (m_role) {
    case StepRole::Start:
        start();
        break;
    case StepRole::Next:
        next();
        break;
    case StepRole::Finish:
        finish();
        break;
    }
}

// An error inside a step ends the run as finish ends it, then goes on to the
// error box; nothing consults the panel the step had already removed.
template <typename Step>
void TestRun::runStep(Step &&step)
{
    try {
        step();
    } catch (...) {
        if (running()) {
            try {
                finish();
            } catch (...) {}
        }
        throw;
    }
}

void TestRun::start()
{
    if (running())
        return;
    Dataset &catalog = m_database.catalog;
    Dataset &questions = m_database.questions;
    // The run holds on to one catalog row; refuse what cannot be run before
    // anything changes.
    if (!catalog.active()) {
        m_view.showMessage(closedDatabaseMessage(m_database.connection.fileName()));
        return;
    }
    const Field *idField = catalog.fieldByName(kId);
    if (catalog.isEmpty() || idField->isNull()) {
        m_view.showMessage(QStringLiteral("请先在目录中选择一个测试。"));
        return;
    }
    const qint64 testId = idField->asLargeInt();
    refilter(questions, QStringLiteral("Parent=") + integerText(testId));
    if (countQuestionRows(questions) == 0) {
        // A catalog row without question rows is a folder of the catalog.
        m_view.showMessage(QStringLiteral("“%1”是一个分类，没有题目：请在它下面选择一个测试。")
                               .arg(boundedLine(catalog.fieldByName(QStringLiteral("Name"))->asString())));
        return;
    }
    runStep([&] { startRun(testId); });
}

void TestRun::startRun(qint64 testId)
{
    Dataset &catalog = m_database.catalog;
    Dataset &questions = m_database.questions;
    m_sealed.refreshDataKey();
    m_view.clearPanel();
    m_role = StepRole::Next;
    setPhase(Phase::Answering);
    // The cleared category and the new record of the run are one commit.
    Connection::Transaction transaction(m_database.connection);
    catalog.edit();
    catalog.fieldByName(kScore)->setAsInteger(0);
    catalog.post();
    refilter(questions, QStringLiteral("Parent=") + integerText(testId));
    m_trail.begin(questions);
    // The trail walked the set: stand on the first question row again.
    questions.first();
    skipOwnRow();
    const QString name = catalog.fieldByName(QStringLiteral("Name"))->asString();
    tell([&](RunListener &listener) { listener.runStarted(testId, name); });
    transaction.commit();
    showCurrentQuestion();
}

void TestRun::showCurrentQuestion()
{
    m_view.fitInstructions();
    m_view.showQuestion(questionNumber(), questionTotal());
    const int stored = m_trail.chosen(m_trail.position());
    if (stored >= 0)
        m_view.showStoredChoice(stored);
    tell([&](RunListener &listener) { listener.questionShown(m_trail.position(), m_trail.size()); });
}

void TestRun::addListener(RunListener *listener)
{
    if (listener && !m_listeners.contains(listener))
        m_listeners.append(listener);
}

void TestRun::removeListener(RunListener *listener)
{
    m_listeners.removeAll(listener);
}

// A listener may add or remove listeners while it hears an event.
template <typename Event>
void TestRun::tell(Event &&event)
{
    const QList<RunListener *> listeners = m_listeners;
    for (RunListener *listener : listeners) {
        if (m_listeners.contains(listener))
            event(*listener);
    }
}

// The answer on the current row (the question's, or the category's on the
// catalog row) and the trail the listeners keep are stored together: one
// commit, or nothing when any of the writes fails.
void TestRun::storeAnswers()
{
    Connection::Transaction transaction(m_database.connection);
    for (Dataset *bound : {&m_database.questions, &m_database.catalog}) {
        if (bound->state() == DatasetState::Edit || bound->state() == DatasetState::Insert)
            bound->post();
    }
    tell([&](RunListener &listener) { listener.answersStored(m_trail); });
    transaction.commit();
}

bool TestRun::canGoBack() const
{
    return (m_phase == Phase::Answering && m_trail.position() > 0) ||
        (m_phase == Phase::ChoosingCategory && m_trail.size() > 0);
}

void TestRun::back()
{
    if (!canGoBack())
        return;
    runStep([&] {
        const int chosen = m_view.chosenIndex();
        if (m_phase == Phase::ChoosingCategory) {
            // The category is asked again on the way forward; until then the
            // test has none, so the evaluation comes back to the choice.
            m_trail.setCategoryChoice(chosen);
            Dataset &catalog = m_database.catalog;
            catalog.edit();
            catalog.fieldByName(kScore)->setAsInteger(0);
            setPhase(Phase::Answering);
        } else if (chosen >= 0) {
            m_trail.setChosen(m_trail.position(), chosen);
        }
        m_view.clearPanel();
        // The choice just made is stored, as the step forward stores it.
        storeAnswers();
        const int previous = m_trail.position() - 1;
        m_trail.setPosition(previous);
        m_database.questions.gotoBookmark(m_trail.bookmark(previous));
        showCurrentQuestion();
    });
}

void TestRun::resume(const QList<int> &chosen)
{
    start();
    if (m_phase != Phase::Answering)
        return;
    m_trail.restore(chosen);
    const int first = m_trail.firstUnanswered();
    if (first == 0)
        return;
    runStep([&] {
        m_view.clearPanel();
        m_trail.setPosition(first);
        if (first == m_trail.size()) {
            evaluate();
            return;
        }
        m_database.questions.gotoBookmark(m_trail.bookmark(first));
        showCurrentQuestion();
    });
}

void TestRun::skipOwnRow()
{
    Dataset &questions = m_database.questions;
    while (!questions.atEnd() && isTestsOwnRow(questions))
        questions.next();
}

void TestRun::next()
{
    if (m_phase != Phase::Answering && m_phase != Phase::ChoosingCategory)
        return;
    if (m_view.chosenIndex() < 0) {
        m_view.showMessage(QStringLiteral("请选择!再进行下一步"));
        return;
    }
    runStep([&] {
        Dataset &questions = m_database.questions;
        const bool answering = m_phase == Phase::Answering;
        if (answering)
            m_trail.setChosen(m_trail.position(), m_view.chosenIndex());
        m_view.clearPanel();
        // The step is one commit: the answers, and on the last one the
        // record of the verdict too.
        Connection::Transaction transaction(m_database.connection);
        if (answering)
            storeAnswers();
        else
            m_database.catalog.post(); // the category
        questions.next();
        skipOwnRow();
        if (answering)
            m_trail.setPosition(m_trail.position() + 1);
        if (!questions.atEnd()) {
            transaction.commit();
            showCurrentQuestion();
            return;
        }
        try {
            evaluate();
        } catch (...) {
            // The answers stay stored when the verdict cannot be shown.
            transaction.commit();
            throw;
        }
        transaction.commit();
    });
}

void TestRun::evaluate()
{
    Dataset &catalog = m_database.catalog;
    Dataset &questions = m_database.questions;
    Dataset &verdictSet = m_database.verdicts;
    m_view.hideInstructions();
    double score = 0;
    for (questions.first(); !questions.atEnd(); questions.next()) {
        if (!isTestsOwnRow(questions))
            score += questions.fieldByName(kScore)->asInteger();
    }
    score *= catalog.fieldByName(QStringLiteral("参数"))->asFloat();
    m_score = score;

    const QString testId = integerText(catalog.fieldByName(kId)->asLargeInt());
    if (!catalog.fieldByName(QStringLiteral("分值范围"))->asString().isEmpty()) {
        const int category = catalog.fieldByName(kScore)->asInteger();
        if (category == 0) {
            setPhase(Phase::ChoosingCategory);
            m_view.showCategoryChoice();
            const int stored = m_trail.takeCategoryChoice();
            if (stored >= 0)
                m_view.showStoredChoice(stored);
            tell([](RunListener &listener) { listener.categoryShown(); });
            return;
        }
        refilter(verdictSet, QStringLiteral("lbid=") + testId + QStringLiteral(" and 类别=") + integerText(category));
    } else {
        refilter(verdictSet, QStringLiteral("lbid=") + testId);
    }
    const QList<QByteArray> thresholds =
        m_sealed.unsealList(*verdictSet.fieldByName(QStringLiteral("分值范围")), kValueSeparator);
    const QList<QByteArray> verdicts =
        m_sealed.unsealList(*verdictSet.fieldByName(QStringLiteral("结果")), kTextSeparator);
    const int index = verdictIndex(thresholds, score);
    showVerdict(index, verdicts);
    // What is told beside the verdict must never take the verdict away.
    try {
        reportVerdict(thresholds, index, verdicts);
    } catch (const std::exception &) {}
}

void TestRun::reportVerdict(const QList<QByteArray> &thresholds, int index, const QList<QByteArray> &verdicts)
{
    // Reading the questions again is for listeners only.
    if (m_listeners.isEmpty())
        return;
    Dataset &catalog = m_database.catalog;
    RunResult result;
    result.testId = catalog.fieldByName(kId)->asLargeInt();
    result.testName = catalog.fieldByName(QStringLiteral("Name"))->asString();
    result.finishedAt = QDateTime::currentDateTime();
    result.score = m_score;
    result.verdict = fromCp936(verdicts[index]);
    if (!catalog.fieldByName(QStringLiteral("分值范围"))->asString().isEmpty())
        result.category = categoryCaption(m_database, m_sealed, catalog.fieldByName(kScore)->asString());
    const ReachableScores reachable = runningTestReachableScores(m_database, m_sealed);
    result.range = reachable.range();
    result.band = scoreBandText(m_score, thresholds, index, reachable);
    result.verdicts = verdictList(thresholds, verdicts, index, reachable);
    result.answers = answeredQuestions(m_database, m_sealed, m_trail);
    tell([&](RunListener &listener) { listener.verdictShown(result); });
}

void TestRun::showVerdict(int index, const QList<QByteArray> &verdicts)
{
    if (index < 0 || index >= verdicts.size())
        throw std::out_of_range(QStringLiteral("List index out of bounds (%1)").arg(index).toStdString());
    m_view.showVerdict(disclaimer() + QStringLiteral("\r\r") + fromCp936(verdicts[index]));
    m_role = StepRole::Finish;
    setPhase(Phase::ShowingVerdict);
}

void TestRun::finish()
{
    const bool finished = m_phase == Phase::ShowingVerdict;
    m_view.clearPanel();
    m_view.showRemarks();
    m_view.hideInstructions();
    m_role = StepRole::Start;
    setPhase(Phase::Idle);
    tell([&](RunListener &listener) { listener.runEnded(finished); });
}

void TestRun::setPhase(Phase phase)
{
    m_phase = phase;
    RunView::Controls controls;
    switch (phase) {
    case Phase::Idle:
        controls = {QStringLiteral("开始测试"), false, true};
        break;
    case Phase::Answering:
    case Phase::ChoosingCategory:
        controls = {QStringLiteral("下一步"), true, false};
        break;
    case Phase::ShowingVerdict:
        controls = {QStringLiteral("完成"), false, false};
        break;
    }
    m_view.setRunControls(controls);
}

} // namespace lovetest
