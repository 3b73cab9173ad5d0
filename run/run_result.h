#pragma once
#include <optional>

#include <QDateTime>
#include <QList>
#include <QString>

#include "run/score_range.h"

namespace lovetest {

class AnswerTrail;
class SealedFields;
class TestDatabase;

// The scores that select a verdict by its thresholds alone: above `above`
// and up to `upTo`; an end no threshold bounds is open.
struct VerdictBounds {
    std::optional<double> above;
    std::optional<double> upTo;
    bool operator==(const VerdictBounds &) const = default;
};

// A finished run as the taker keeps it: what was asked, what was chosen and
// what came of it.
struct RunResult {
    struct Answer {
        QString question;
        QString answer; // the caption of the item chosen; empty when none
        bool operator==(const Answer &) const = default;
    };
    qint64 testId = 0;
    QString testName;
    QDateTime finishedAt;
    QString category; // the caption of the category chosen; empty for none
    double score = 0;
    QString band; // "得分 23，在 21–30 分之间"
    ScoreRange range;
    QString verdict; // the verdict text, without the disclaimer
    QList<Answer> answers;
    // Every verdict the test could give (for the category chosen), in order,
    // with its band; own marks the one this run reached. Empty when the test
    // is no longer there to tell them.
    struct Verdict {
        QString text;
        QString band; // verdictBandText's words; empty when nothing bounds it
        bool own = false;
        VerdictBounds bounds;
        bool operator==(const Verdict &) const = default;
    };
    QList<Verdict> verdicts;
};

// The line that says where the score lies among the thresholds that
// selected verdict number index: the thresholds before it are all below
// the score, the one at index reaches it. The band names the lowest and the
// highest reachable score that select the same verdict; where the reachable
// scores are not known one by one, the thresholds (whole steps for a whole
// factor) and, at an open end, the reachable range that still holds the score.
QString scoreBandText(double score, const QList<QByteArray> &thresholds, int index, const ReachableScores &reachable);

// The band of verdict number index in the words scoreBandText uses after
// the score ("在 21–30 分之间"), for whichever score selects it; empty when
// nothing bounds it.
QString verdictBandText(const QList<QByteArray> &thresholds, int index, const ReachableScores &reachable);

// The bounds of verdict number index: the highest threshold before it
// (each of them lies below a score that selects it) and its own threshold.
// A threshold that is no number bounds nothing.
VerdictBounds verdictBounds(const QList<QByteArray> &thresholds, int index);

// "本测试可能的得分：0–30 分".
QString scoreRangeText(const ScoreRange &range);

// The lines shown under the verdict: score and band, reachable range, and
// the category when there is one.
QString verdictExplanation(const RunResult &result);

// Each verdict text with its band, the one at index marked as the own.
QList<RunResult::Verdict> verdictList(const QList<QByteArray> &thresholds, const QList<QByteArray> &verdicts, int index,
                                      const ReachableScores &reachable);

// The verdicts of the test a stored result was taken on, read afresh from
// the database through cursors of their own (a run under way keeps its
// place); the own one is the one its score selects. Empty when the test, or
// the category the result names, is no longer in the database.
QList<RunResult::Verdict> storedTestVerdicts(TestDatabase &database, SealedFields &sealed, const RunResult &result);

// The caption of the category whose value the selected catalog row holds.
QString categoryCaption(TestDatabase &database, SealedFields &sealed, const QString &value);

// Reads the questions of the test the question set is filtered to, with the
// caption of the item the trail holds for each. Walks the set.
QList<RunResult::Answer> answeredQuestions(TestDatabase &database, SealedFields &sealed, const AnswerTrail &trail);

} // namespace lovetest
