#include "run/resume_offer.h"

#include <algorithm>

#include "data/test_database.h"
#include "run/run_journal.h"
#include "run/test_run.h"

namespace lovetest {

ResumeOffer::ResumeOffer(TestDatabase &database, TestRun &run, RunHistory &history, RunJournal &journal)
    : m_database(database), m_run(run), m_history(history), m_journal(journal)
{}

std::optional<RunHistory::Unfinished> ResumeOffer::find()
{
    m_droppedNote.clear();
    std::optional<RunHistory::Unfinished> open = m_history.unfinished();
    if (!open || m_run.running())
        return std::nullopt;
    if (!open->usable) {
        m_history.discard(open->record);
        m_droppedNote = QStringLiteral("上次没做完的测试记录无法读取，已删除。");
        return std::nullopt;
    }
    // A run left before its first answer has nothing to go on with.
    if (std::all_of(open->chosen.begin(), open->chosen.end(), [](int item) { return item < 0; }) &&
        !(m_keepsUnanswered && m_keepsUnanswered(open->record))) {
        m_history.discard(open->record);
        return std::nullopt;
    }
    Dataset &catalog = m_database.catalog;
    if (!catalog.active() || !catalog.locate(QStringLiteral("ID"), open->testId)) {
        m_history.discard(open->record);
        m_droppedNote = QStringLiteral("上次没做完的测试已不在目录中，它的记录已删除。");
        return std::nullopt;
    }
    return open;
}

void ResumeOffer::decline(const RunHistory::Unfinished &open)
{
    m_history.discard(open.record);
}

bool ResumeOffer::accept(const RunHistory::Unfinished &open)
{
    m_journal.continueRecord(open.record);
    m_run.resume(open.chosen);
    if (m_run.running())
        return true;
    // The test can no longer be run: its record goes.
    m_journal.continueRecord(std::nullopt);
    m_history.discard(open.record);
    return false;
}

} // namespace lovetest
