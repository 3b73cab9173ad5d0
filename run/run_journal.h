#pragma once
#include <functional>
#include <optional>

#include "run/run_listener.h"
#include "run/run_result.h"

namespace lovetest {

class RunHistory;

// Keeps the history as the run goes: a run under way is written down when it
// starts and with every answer stored, becomes a record at its verdict, and
// is dropped when it is quit. A write the file refuses never stops the run:
// the run under way stops being written down, the result is recorded at the
// end if the file takes it, and the failure is told once.
class RunJournal : public RunListener {
public:
    explicit RunJournal(RunHistory &history) : m_history(history) {}

    // The next run to start takes up this unfinished run's record (nullopt:
    // a new record again).
    void continueRecord(std::optional<qint64> record) { m_continued = record; }

    void runStarted(qint64 testId, const QString &testName) override;
    void answersStored(const AnswerTrail &trail) override;
    void verdictShown(const RunResult &result) override;
    void runEnded(bool finished) override;

    // Told, with the engine's words, when a run's result could not be kept
    // in the history; the run itself goes on.
    void setFailureNotice(std::function<void(const QString &reason)> notice) { m_notice = std::move(notice); }

    // The record of the run under way, while it is written down.
    const std::optional<qint64> &currentRecord() const { return m_record; }

    // The result of the last run that reached its verdict.
    const std::optional<RunResult> &lastResult() const { return m_lastResult; }

private:
    RunHistory &m_history;
    std::optional<qint64> m_record;
    std::optional<qint64> m_continued;
    std::optional<RunResult> m_lastResult;
    std::function<void(const QString &)> m_notice;
};

} // namespace lovetest
