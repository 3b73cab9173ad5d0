#pragma once
#include <QList>

#include "run/score_range.h"
#include "tools/content_model.h"

namespace lovetest::content {

using lovetest::CombinationCount;
using lovetest::ReachableScores;
using lovetest::SumCount;

// The scores a run of the test can reach (the arithmetic the window uses to
// explain a verdict). Questions whose scores are not all integers are left
// out (the checker reports them).
ReachableScores findReachableScores(const Test &test);
// The exact list, or an empty one when it is not known exactly.
QList<double> reachableScores(const Test &test);
// How many answer combinations give each sum of the test's option scores
// (before the factor), the questions read as findReachableScores reads
// them; nullopt when they are too many to count.
std::optional<std::vector<SumCount>> countScoreCombinations(const Test &test);

} // namespace lovetest::content
