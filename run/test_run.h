#pragma once
#include <QList>
#include <QSet>
#include <QString>

#include "run/answer_trail.h"
#include "run/run_listener.h"
#include "run/run_state.h"

namespace lovetest {

class Connection;
class Dataset;
class RunView;
class SealedFields;
class TestDatabase;

// Carries one test from its start to its verdict: start starts a run,
// next takes the current answer and moves on, finish ends the run. The
// step button runs whichever of the three its role names.
//
// A step that takes an answer stores it explicitly: the answer's row and
// whatever the listeners write on answersStored (the resume record) are one
// transaction, one durable commit, before the step moves on.
class TestRun {
public:
    enum class Phase { Idle, Answering, ChoosingCategory, ShowingVerdict };
    enum class StepRole { Start, Next, Finish };

    TestRun(TestDatabase &database, SealedFields &sealed, RunView &view);

    void start();
    void next();
    void finish();
    // A click on the step button stepButton.
    void step();
    // Back to the previous question (from the category choice: to the last
    // one), keeping the choice shown as the step forward would.
    void back();
    bool canGoBack() const;
    // Starts a run on the selected test and goes on at the first question
    // without one of the choices an unfinished run made.
    void resume(const QList<int> &chosen);
    // Listeners hear the run's steps in the order they were added. Not owned.
    void addListener(RunListener *listener);
    void removeListener(RunListener *listener);
    const AnswerTrail &trail() const { return m_trail; }
    // Where the run stands, from the trail: the number (from 1) of the
    // question on screen, one past the last once the questions are done,
    // and the number of questions.
    int questionNumber() const { return m_trail.position() + 1; }
    int questionTotal() const { return m_trail.size(); }

    Phase phase() const { return m_phase; }
    StepRole stepRole() const { return m_role; }
    bool running() const { return m_phase != Phase::Idle; }
    RunState &state() { return m_state; }
    const RunState &state() const { return m_state; }
    // The score of the last evaluation.
    double score() const { return m_score; }

    static QString disclaimer();

private:
    template <typename Step>
    void runStep(Step &&step);
    void startRun(qint64 testId);
    void skipOwnRow();
    void showCurrentQuestion();
    void storeAnswers();
    template <typename Event>
    void tell(Event &&event);
    void reportVerdict(const QList<QByteArray> &thresholds, int index, const QList<QByteArray> &verdicts);
    void evaluate();
    void showVerdict(int index, const QList<QByteArray> &verdicts);
    void setPhase(Phase phase);

    TestDatabase &m_database;
    SealedFields &m_sealed;
    RunView &m_view;
    RunState m_state;
    Phase m_phase = Phase::Idle;
    StepRole m_role = StepRole::Start;
    double m_score = 0;
    AnswerTrail m_trail;
    QList<RunListener *> m_listeners;
};

// The index of the first threshold that reaches the score, or the number of
// thresholds when none does. A threshold that is no decimal integer raises
// "'%s' is not a valid integer value".
int verdictIndex(const QList<QByteArray> &thresholds, double score);

// Whether the current row of a question set is no question: the test's own
// row, or a catalog row placed under the test.
bool isTestsOwnRow(const Dataset &questions);

// The IDs of the catalog rows that have question rows, the ones start()
// runs (the rest are folders), in one query over the test table.
QSet<qint64> testsWithQuestions(Connection &connection);

} // namespace lovetest
