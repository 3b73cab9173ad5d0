#pragma once
#include <QString>

namespace lovetest {

struct PairResult;

// The page of two takers of one test, for the report window: the test's
// name and when the pair finished, both verdicts side by side with score,
// band and category, how many questions they answered alike with a line
// about it, the questions they answered differently with both answers, then
// every question with both answers (a test has tens of questions: the whole
// list stays readable and is what a printed page should keep), and last the
// test's verdicts with each taker's own marked by name. Built like the
// result page: every text of the data is escaped and nothing is loaded.
QString comparisonPage(const PairResult &pair);
// The report window's title for it: "《name》两人测试结果".
QString comparisonPageTitle(const PairResult &pair);

} // namespace lovetest
