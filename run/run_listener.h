#pragma once
#include <QList>
#include <QString>

namespace lovetest {

class AnswerTrail;
struct RunResult;

// Hears how a test run goes on, for what the window shows beside the run
// (progress, the explained verdict) and for the run history. Every step has
// already happened when it is reported; the defaults do nothing.
class RunListener {
public:
    virtual ~RunListener() = default;

    virtual void runStarted(qint64 testId, const QString &testName)
    {
        Q_UNUSED(testId);
        Q_UNUSED(testName);
    }
    // Question index (from 0) of total is on screen.
    virtual void questionShown(int index, int total)
    {
        Q_UNUSED(index);
        Q_UNUSED(total);
    }
    virtual void categoryShown() {}
    // The answers of the trail are stored in the question rows.
    virtual void answersStored(const AnswerTrail &trail) { Q_UNUSED(trail); }
    virtual void verdictShown(const RunResult &result) { Q_UNUSED(result); }
    // Back in Idle; finished tells whether the run had reached its verdict.
    virtual void runEnded(bool finished) { Q_UNUSED(finished); }
};

} // namespace lovetest
