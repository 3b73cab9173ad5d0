#pragma once
#include <QString>

namespace lovetest {

struct RunResult;

// The page a taker keeps of a finished run, for the report window: the
// test's name, when it was taken, the category, every question with the
// answer chosen, the score with its band and the test's reachable range,
// the verdict and the disclaimer. One HTML fragment, like the content page.
QString resultPage(const RunResult &result);
// The report window's title for it: "《name》测试结果".
QString resultPageTitle(const RunResult &result);

} // namespace lovetest
