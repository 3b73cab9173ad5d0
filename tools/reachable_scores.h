#pragma once
#include <QList>

#include "tools/content_model.h"

namespace lovetest::content {

// The scores a run of the test can reach: each question contributes one of
// its option scores, the sum is multiplied by the factor. Questions whose
// scores are not all integers are left out (the checker reports them).
// Exact where that is cheap; otherwise only the lowest and highest score are
// known and every score between counts as possibly reachable, so the work
// and memory stay bounded whatever the scores.
struct ReachableScores {
    bool exact = true;
    QList<double> scores; // ascending; every reachable score when exact
    double lowest = 0;
    double highest = 0;
};
ReachableScores findReachableScores(const Test &test);
// The exact list, or an empty one when it is not known exactly.
QList<double> reachableScores(const Test &test);

} // namespace lovetest::content
