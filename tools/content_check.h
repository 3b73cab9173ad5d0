#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "tools/content_model.h"

namespace lovetest::content {

struct Problem {
    enum Severity { Error, Warning };
    Severity severity;
    QString where; // the test, question or verdict row concerned
    QString what;
    QString text() const;
};

// Proves a content's scoring sound before it reaches a user: every problem,
// errors first in content order, then warnings.
QList<Problem> checkContent(const Content &content);
bool hasErrors(const QList<Problem> &problems);

// Every score a run of the test can reach: each question contributes one of
// its option scores, the sum is multiplied by the factor. Questions whose
// scores are not all integers are left out (the checker reports them).
QList<double> reachableScores(const Test &test);

// For each test: its reachable score range and which score interval leads
// to which verdict, for tuning thresholds.
QStringList describeRanges(const Content &content);

} // namespace lovetest::content
