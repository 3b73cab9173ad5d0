#include "run/run_journal.h"

#include "data/database_error.h"
#include "run/answer_trail.h"
#include "run/run_history.h"

namespace lovetest {

void RunJournal::runStarted(qint64 testId, const QString &testName)
{
    m_lastResult.reset();
    m_record = m_continued ? m_continued : m_history.begin(testId, testName);
    m_continued.reset();
}

void RunJournal::answersStored(const AnswerTrail &trail)
{
    if (!m_record)
        return;
    try {
        m_history.storeChoices(*m_record, trail.chosenItems());
    } catch (const DatabaseError &) {
        // A record that no longer follows the answers is not offered later.
        m_history.discard(*m_record);
        m_record.reset();
    }
}

void RunJournal::verdictShown(const RunResult &result)
{
    m_lastResult = result;
    QString failure;
    if (m_record) {
        try {
            m_history.finish(*m_record, result);
            m_record.reset();
            return;
        } catch (const DatabaseError &error) {
            failure = error.message();
            m_history.discard(*m_record);
            m_record.reset();
        }
    }
    try {
        m_history.record(result);
        return;
    } catch (const DatabaseError &error) {
        if (failure.isEmpty())
            failure = error.message();
    }
    if (m_notice)
        m_notice(failure);
}

void RunJournal::runEnded(bool finished)
{
    Q_UNUSED(finished);
    // A run that ends before its verdict leaves nothing behind.
    if (m_record)
        m_history.discard(*m_record);
    m_record.reset();
}

} // namespace lovetest
