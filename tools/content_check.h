#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "tools/content_model.h"

namespace lovetest::content {

// Proves a content's scoring sound before it reaches a user: every problem,
// errors first in content order, then warnings.
QList<Problem> checkContent(const Content &content);

// Errors before warnings, each in the order of files (a file not named
// there after them), then by line and column; problems at the same place
// keep their order.
void sortProblems(QList<Problem> &problems, const QStringList &files);
// What --strict does: every warning counts as an error.
void makeWarningsErrors(QList<Problem> &problems);

// For each test: its reachable score range (each score when they are few),
// which score interval leads to which verdict and the share of the answer
// combinations that reach it, for tuning thresholds. A verdict that almost
// no answers or most of them reach is a warning.
struct RangeReport {
    QStringList lines;
    QList<Problem> warnings;
};
RangeReport describeRanges(const Content &content);

// The shares a verdict may take before it is worth a warning.
constexpr int kRareVerdictPercent = 2;
constexpr int kCommonVerdictPercent = 80;
// Reachable scores up to this many are listed one by one.
constexpr qsizetype kListedScores = 12;

} // namespace lovetest::content
