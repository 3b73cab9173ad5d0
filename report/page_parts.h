#pragma once
#include <functional>

#include <QDateTime>
#include <QList>
#include <QString>

#include "data/text_head.h"
#include "run/run_result.h"

namespace lovetest {

// The pieces the pages of results share, so that a single result and the
// comparison of two read alike. Every text of the data goes through
// pageText: escaped, and only as its head.

inline const QString kPageIndent = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");

// A text of the database or the history for a page: its line breaks (CR, LF
// or both) as breaks of the page, every character that means markup
// escaped, cut to its head of limit characters. The page is laid out whole,
// and a single long text could otherwise hold the window for minutes.
QString pageText(const QString &text, qsizetype limit = kShownHeadLength);

// The centred title over a page: "[label]:" and the test's name.
QString pageTitle(const QString &label, const QString &testName);
// "测试时间：2026-12-10 09:05" with its break.
QString pageTimeLine(const QDateTime &time);
// A section's heading, "[text]:", on a line of its own.
QString pageHeading(const QString &text);

// The section "其他可能的结果": each verdict with its band. owners(i) names
// who reached verdict number i ("你", or the takers' names), empty for
// nobody; a named one is in bold with "（names的结果）".
QString otherVerdictsSection(const QList<RunResult::Verdict> &verdicts,
                             const std::function<QString(qsizetype)> &owners);

} // namespace lovetest
