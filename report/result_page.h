#pragma once
#include <QString>

namespace lovetest {

struct RunResult;

// The page a taker keeps of a finished run, for the report window: the
// test's name, when it was taken, the category, the verdict with the
// disclaimer, the score with its band and the test's reachable range, every
// question with the answer chosen, and last the test's other verdicts with
// their bands when they are known. One HTML fragment, like the content page;
// every text of the data is escaped and nothing is loaded.
QString resultPage(const RunResult &result);
// The report window's title for it: "《name》测试结果".
QString resultPageTitle(const RunResult &result);

} // namespace lovetest
