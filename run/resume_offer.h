#pragma once
#include <functional>
#include <optional>

#include "run/run_history.h"

namespace lovetest {

class RunJournal;
class TestDatabase;
class TestRun;

// Taking up a run the program left unfinished: which run to offer at start,
// and going on with it or dropping it. The window only asks the user.
class ResumeOffer {
public:
    ResumeOffer(TestDatabase &database, TestRun &run, RunHistory &history, RunJournal &journal);

    // The unfinished run to offer, with its test selected in the catalog;
    // nullopt when there is none or a run is going on. A run left before its
    // first answer, or whose test is gone, is dropped here.
    std::optional<RunHistory::Unfinished> find();
    // Whether a run left before its first answer is still worth taking up
    // (one that waits for its taker); such runs are dropped otherwise.
    void setKeepsUnanswered(std::function<bool(qint64 record)> keeps) { m_keepsUnanswered = std::move(keeps); }
    // Why find() dropped a run it could not offer (its test is gone, its
    // record cannot be read), for the status line; empty when it did not.
    const QString &droppedNote() const { return m_droppedNote; }
    // Declined: the run is dropped and not offered again.
    void decline(const RunHistory::Unfinished &open);
    // Goes on at the first question without an answer, in the run's own
    // record. False, and the run dropped, when the test can no longer run.
    bool accept(const RunHistory::Unfinished &open);

private:
    TestDatabase &m_database;
    TestRun &m_run;
    RunHistory &m_history;
    RunJournal &m_journal;
    QString m_droppedNote;
    std::function<bool(qint64)> m_keepsUnanswered;
};

} // namespace lovetest
