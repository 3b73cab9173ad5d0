#pragma once
#include <QList>

#include "run/score_range.h"
#include "tools/content_model.h"

namespace lovetest::content {

using lovetest::ReachableScores;

// The scores a run of the test can reach (the arithmetic the window uses to
// explain a verdict). Questions whose scores are not all integers are left
// out (the checker reports them).
ReachableScores findReachableScores(const Test &test);
// The exact list, or an empty one when it is not known exactly.
QList<double> reachableScores(const Test &test);

} // namespace lovetest::content
