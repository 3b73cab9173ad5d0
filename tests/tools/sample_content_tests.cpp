#include <gtest/gtest.h>

#include <QDir>
#include <map>

#include "data/convert.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/player.h"

using namespace lovetest::content;
namespace content = lovetest::content;

namespace {

Content sampleContent()
{
    QStringList files;
    for (const QString &name :
         QDir(QStringLiteral(SAMPLE_CONTENT_DIR)).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        files.append(QStringLiteral(SAMPLE_CONTENT_DIR "/") + name);
    return readContentFiles(files);
}

// For every reachable sum of option scores, one way to answer that reaches it.
std::map<qint64, QList<int>> answersBySum(const content::Test &test)
{
    std::map<qint64, QList<int>> paths{{0, {}}};
    for (const Question &question : test.questions) {
        std::map<qint64, QList<int>> next;
        for (const auto &[sum, path] : paths) {
            for (qsizetype i = 0; i < question.options.values.size(); ++i) {
                const qint64 total = sum + lovetest::toInteger(question.options.values[i]);
                if (!next.count(total))
                    next[total] = path + QList<int>{int(i)};
            }
        }
        paths = std::move(next);
    }
    return paths;
}

TEST(SampleContent, IsLargeAndSound)
{
    const Content content = sampleContent();
    int categoryTests = 0;
    int tests = 0;
    for (const content::Test &test : content.tests) {
        categoryTests += test.categories.isEmpty() ? 0 : 1;
        tests += test.folder ? 0 : 1;
    }
    EXPECT_GE(tests, 12);
    EXPECT_GE(categoryTests, 3);
    QStringList texts;
    for (const Problem &problem : checkContent(content))
        texts.append(problem.text());
    EXPECT_TRUE(texts.isEmpty()) << texts.join('\n').toStdString();
}

// Every verdict of every sample test is reached by some answers, through the
// real run controller on the built sample database.
TEST(SampleContent, EveryVerdictIsReachedThroughTheController)
{
    const Content content = sampleContent();
    for (const content::Test &test : content.tests) {
        if (test.folder)
            continue;
        const auto paths = answersBySum(test);
        for (const Verdict &verdict : test.verdicts) {
            for (qsizetype index = 0; index < verdict.texts.size(); ++index) {
                const auto path = std::find_if(paths.begin(), paths.end(), [&](const auto &entry) {
                    const double score = double(entry.first) * test.factor;
                    qsizetype i = 0;
                    while (i < verdict.thresholds.size() && lovetest::toInteger(verdict.thresholds[i]) < score)
                        ++i;
                    return i == index;
                });
                ASSERT_NE(path, paths.end()) << test.name.toStdString() << " verdict " << index + 1;
                PlayRequest request;
                request.databasePath = QStringLiteral(SAMPLE_DATABASE);
                request.testId = *test.id;
                request.answers = path->second;
                if (verdict.category)
                    request.category = lovetest::toInteger(*verdict.category);
                QStringList lines = playTest(request);
                // The score and category lines follow the verdict.
                while (!lines.isEmpty() &&
                       (lines.last().startsWith(QStringLiteral("得分: ")) ||
                        lines.last().startsWith(QStringLiteral("类别: "))))
                    lines.removeLast();
                EXPECT_EQ(lines.mid(lines.indexOf(QStringLiteral("声明：本程序所提供的测试仅供娱乐!")) + 2).join('\n'),
                          verdict.texts[index])
                    << test.name.toStdString() << " verdict " << index + 1;
            }
        }
    }
}

} // namespace
