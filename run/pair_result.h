#pragma once
#include <QList>
#include <QString>

#include "run/run_result.h"

namespace lovetest {

// Two people who took the same test one after the other, as the comparison
// page shows them: their nicknames and each one's finished run.
struct PairResult {
    QString firstName; // "甲" unless the takers named themselves
    QString secondName; // "乙" likewise
    RunResult first;
    RunResult second;
};

// Where the two runs of a pair agree: question by question, the same item
// chosen counts as alike; every other question is a difference, shown with
// both answers.
struct PairComparison {
    struct Difference {
        int number = 0; // of the question, from 1
        QString question;
        QString firstAnswer; // empty when none was given
        QString secondAnswer;
        bool operator==(const Difference &) const = default;
    };
    int questionCount = 0;
    int alike = 0;
    QList<Difference> differences;
};

PairComparison comparePair(const PairResult &pair);
// Every question of the pair by position with both answers, in the shape of
// a difference: the first run's question text, the second's where the
// first's list is shorter.
QList<PairComparison::Difference> pairedAnswers(const PairResult &pair);

// "10 题中有 7 题选得一样".
QString agreementCount(const PairComparison &comparison);
// One line chosen by the share of questions answered alike, in four bands:
// from 80 %, from 60 %, from 40 % and below. Empty when there was no
// question to compare.
QString agreementLine(const PairComparison &comparison);

// The names the pages show for the two takers: each nickname on one line,
// "甲" and "乙" for one not given.
QString firstTakerName(const PairResult &pair);
QString secondTakerName(const PairResult &pair);

} // namespace lovetest
