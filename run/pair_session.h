#pragma once
#include <functional>
#include <optional>

#include <QString>

#include "run/pair_result.h"
#include "run/run_history.h"
#include "run/run_listener.h"

namespace lovetest {

class PairHistory;
class RunJournal;
class TestRun;

// Two people taking one test together: the first takes the whole test, the
// program is handed over without showing the first one's answers, the
// second takes it, and the two results are compared. The runs are ordinary
// runs of the test; this keeps which taker's run is going, links both
// records as one pair in the history, and picks the pair up again after the
// program ended halfway.
//
// The second taker's record is begun as the first one's verdict is kept, in
// the same step, so the hand-over itself is kept: taken up after a kill, it
// comes back to the hand-over. A pair given up before its end leaves the
// first taker's finished run as a run of its own.
class PairSession : public RunListener {
public:
    enum class Stage { Off, First, HandOver, Second, Compared };

    PairSession(TestRun &run, RunHistory &history, RunJournal &journal, PairHistory &pairs);

    // The next run started is the first taker's. The caller starts it, and
    // calls abandon() when it did not start.
    void prepare(const QString &firstName, const QString &secondName);
    // At the hand-over: the next run started is the second taker's.
    void handOver();
    // Gives the pair up: at the hand-over, or before a run started.
    void abandon();
    // Takes up a pair the program left unfinished, from one of its run
    // records: the stage to go on at. At First or Second the caller goes on
    // with the run under way (ResumeOffer::accept); at HandOver it shows the
    // hand-over. Off when the record belongs to no pair.
    Stage resume(const RunHistory::Unfinished &open);
    // The pair of an unfinished run record, for the question that offers it.
    std::optional<std::pair<QString, QString>> namesOf(qint64 record) const;

    Stage stage() const { return m_stage; }
    // The nickname of the taker whose run is going or comes next; empty
    // when no pair is under way.
    QString takerName() const;
    const QString &firstName() const { return m_firstName; }
    const QString &secondName() const { return m_secondName; }
    // The test the pair takes.
    qint64 testId() const { return m_testId; }
    // Both runs and names; whole once the stage is Compared.
    PairResult result() const
    {
        return {m_firstName, m_secondName, m_first.value_or(RunResult{}), m_second.value_or(RunResult{})};
    }
    // The last pair compared, kept after its run ended, for its page.
    const std::optional<PairResult> &lastCompared() const { return m_lastCompared; }

    // Told after every change of stage, once the step that made it is done
    // with the run.
    void setStageNotice(std::function<void(Stage)> notice) { m_notice = std::move(notice); }

    void runStarted(qint64 testId, const QString &testName) override;
    void verdictShown(const RunResult &result) override;
    void runEnded(bool finished) override;

private:
    void setStage(Stage stage);
    void reset();
    // Runs a write that may fail: the pair goes on unkept.
    template <typename Write>
    void keep(Write &&write);

    TestRun &m_run;
    RunHistory &m_history;
    RunJournal &m_journal;
    PairHistory &m_pairs;
    Stage m_stage = Stage::Off;
    bool m_starting = false;
    QString m_firstName;
    QString m_secondName;
    qint64 m_testId = 0;
    QString m_testName;
    std::optional<qint64> m_pair;
    std::optional<qint64> m_secondRecord;
    std::optional<RunResult> m_first;
    std::optional<RunResult> m_second;
    std::optional<PairResult> m_lastCompared;
    std::function<void(Stage)> m_notice;
};

} // namespace lovetest
