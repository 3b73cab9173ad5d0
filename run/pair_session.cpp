#include "run/pair_session.h"

#include <algorithm>

#include "data/database_error.h"
#include "run/pair_history.h"
#include "run/run_journal.h"
#include "run/test_run.h"

namespace lovetest {

PairSession::PairSession(TestRun &run, RunHistory &history, RunJournal &journal, PairHistory &pairs)
    : m_run(run), m_history(history), m_journal(journal), m_pairs(pairs)
{}

template <typename Write>
void PairSession::keep(Write &&write)
{
    try {
        write();
    } catch (const DatabaseError &) {
        // The pair goes on in memory; its runs are kept as the journal
        // keeps them.
    }
}

QString PairSession::takerName() const
{
    switch (m_stage) {
    case Stage::First:
        return m_firstName;
    case Stage::HandOver:
    case Stage::Second:
        return m_secondName;
    case Stage::Off:
    case Stage::Compared:
        break;
    }
    return QString();
}

void PairSession::reset()
{
    m_stage = Stage::Off;
    m_starting = false;
    m_testId = 0;
    m_testName.clear();
    m_pair.reset();
    m_secondRecord.reset();
    m_first.reset();
    m_second.reset();
}

void PairSession::setStage(Stage stage)
{
    m_stage = stage;
    if (m_notice)
        m_notice(stage);
}

void PairSession::prepare(const QString &firstName, const QString &secondName)
{
    if (m_run.running())
        return;
    reset();
    m_firstName = firstName;
    m_secondName = secondName;
    m_starting = true;
    setStage(Stage::First);
}

void PairSession::runStarted(qint64 testId, const QString &testName)
{
    if (m_stage == Stage::First && m_starting) {
        m_starting = false;
        m_testId = testId;
        m_testName = testName;
        // Inside the step that begins the first taker's record.
        if (const std::optional<qint64> record = m_journal.currentRecord())
            keep([&] { m_pair = m_pairs.create(m_firstName, m_secondName, *record); });
    } else if (m_stage == Stage::Second && !m_secondRecord && m_pair) {
        if (const std::optional<qint64> record = m_journal.currentRecord())
            keep([&] { m_pairs.link(*record, *m_pair); });
    }
}

void PairSession::verdictShown(const RunResult &result)
{
    if (m_stage == Stage::First) {
        m_first = result;
        // The second taker's record, in the step that keeps the first
        // one's verdict: a kill from here on comes back to the hand-over.
        m_secondRecord = m_history.begin(m_testId, m_testName);
        if (m_secondRecord && m_pair)
            keep([&] { m_pairs.link(*m_secondRecord, *m_pair); });
        // The first verdict is not shown: the next taker is about to sit down.
        m_stage = Stage::HandOver;
        m_run.finish();
        setStage(Stage::HandOver);
    } else if (m_stage == Stage::Second) {
        m_second = result;
        m_lastCompared = this->result();
        setStage(Stage::Compared);
    }
}

void PairSession::runEnded(bool finished)
{
    Q_UNUSED(finished);
    switch (m_stage) {
    case Stage::First:
    case Stage::Second:
        // Quit before its end: the journal dropped the run under way; a
        // finished first run stays, as a run of its own.
        if (m_pair)
            keep([&] { m_pairs.dissolve(*m_pair); });
        reset();
        setStage(Stage::Off);
        break;
    case Stage::Compared:
        reset();
        setStage(Stage::Off);
        break;
    case Stage::HandOver:
    case Stage::Off:
        break;
    }
}

void PairSession::handOver()
{
    if (m_stage != Stage::HandOver || m_run.running())
        return;
    m_journal.continueRecord(m_secondRecord);
    setStage(Stage::Second);
}

void PairSession::abandon()
{
    if (m_run.running() || m_stage == Stage::Off)
        return;
    m_journal.continueRecord(std::nullopt);
    if (m_secondRecord)
        m_history.discard(*m_secondRecord);
    if (m_pair)
        keep([&] { m_pairs.dissolve(*m_pair); });
    reset();
    setStage(Stage::Off);
}

std::optional<std::pair<QString, QString>> PairSession::namesOf(qint64 record) const
{
    const std::optional<PairHistory::Pair> pair = m_pairs.pairOf(record);
    if (!pair)
        return std::nullopt;
    return std::pair{pair->firstName, pair->secondName};
}

PairSession::Stage PairSession::resume(const RunHistory::Unfinished &open)
{
    if (m_run.running())
        return Stage::Off;
    const std::optional<PairHistory::Pair> pair = m_pairs.pairOf(open.record);
    if (!pair || pair->members.isEmpty())
        return Stage::Off;
    reset();
    m_firstName = pair->firstName;
    m_secondName = pair->secondName;
    m_pair = pair->id;
    m_testId = open.testId;
    m_testName = open.testName;
    if (pair->members.first().record == open.record) {
        setStage(Stage::First);
        return Stage::First;
    }
    const PairHistory::Member &first = pair->members.first();
    if (first.finished)
        m_first = m_history.result(first.record);
    if (!m_first) {
        // Nothing to compare with: the run goes on as a run of its own.
        keep([&] { m_pairs.dissolve(pair->id); });
        reset();
        return Stage::Off;
    }
    m_secondRecord = open.record;
    const bool started = std::any_of(open.chosen.begin(), open.chosen.end(), [](int item) { return item >= 0; });
    setStage(started ? Stage::Second : Stage::HandOver);
    return m_stage;
}

} // namespace lovetest
