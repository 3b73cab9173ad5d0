#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <map>

#include "data/convert.h"
#include "tool_run.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/player.h"

using namespace lovetest::content;
using namespace lovetest::content::testing;
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

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// export --split of the sample database gives back the sample files byte for
// byte, but for the schema reference an editor needs beside them.
TEST(SampleExport, SplitWritesTheSampleFiles)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const ToolRun run =
        tool({QStringLiteral("export"), QStringLiteral(SAMPLE_DATABASE), QStringLiteral("--split"), out});
    ASSERT_EQ(run.status, ExitOk) << run.err.toStdString();
    EXPECT_EQ(run.err, QString());
    const QDir samples(QStringLiteral(SAMPLE_CONTENT_DIR));
    const QStringList names = samples.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), names.size());
    for (const QString &name : names) {
        QByteArray sample = fileBytes(samples.filePath(name));
        ASSERT_TRUE(sample.startsWith(R"({"$schema": "../lovetest-content.schema.json", )")) << name.toStdString();
        sample.remove(1, qsizetype(strlen(R"("$schema": "../lovetest-content.schema.json", )")));
        const Content content = parseContentJson(sample);
        const QString written = content.tests.first().folder ? QStringLiteral("folders.json")
                                                             : QStringLiteral("%1.json").arg(*content.tests.first().id);
        EXPECT_EQ(fileBytes(QDir(out).filePath(written)).toStdString(), sample.toStdString()) << name.toStdString();
    }
}

TEST(SampleExport, SplitFilesBuildTheSameDatabase)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_EQ(tool({QStringLiteral("export"), QStringLiteral(SAMPLE_DATABASE), QStringLiteral("--split"), out}).status,
              ExitOk);
    QStringList files;
    for (const QString &name : QDir(out).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        files.append(QDir(out).filePath(name));
    const QString rebuilt = dir.filePath(QStringLiteral("rebuilt.mdb"));
    const ToolRun build =
        tool(QStringList{QStringLiteral("build")} + files + QStringList{QStringLiteral("-o"), rebuilt});
    ASSERT_EQ(build.status, ExitOk) << build.err.toStdString();
    const ToolRun original = tool({QStringLiteral("export"), QStringLiteral(SAMPLE_DATABASE)});
    ASSERT_EQ(original.status, ExitOk);
    EXPECT_EQ(tool({QStringLiteral("export"), rebuilt}).out, original.out);
    EXPECT_EQ(parseContentJson(original.out.toUtf8()), sampleContent());
}

// A file already in the folder is the user's: nothing is written unless
// --force, which replaces it.
TEST(SampleExport, SplitRefusesFilesThatExist)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    const QString mine = QDir(out).filePath(QStringLiteral("folders.json"));
    writeFile(mine, "mine");
    const QStringList args{QStringLiteral("export"), QStringLiteral(SAMPLE_DATABASE), QStringLiteral("--split"), out};
    const ToolRun refused = tool(args);
    EXPECT_EQ(refused.status, ExitContentError);
    EXPECT_TRUE(refused.err.contains(mine + QStringLiteral(" already exists"))) << refused.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("folders.json")});
    EXPECT_EQ(fileBytes(mine), "mine");

    const ToolRun forced = tool(args + QStringList{QStringLiteral("--force")});
    ASSERT_EQ(forced.status, ExitOk) << forced.err.toStdString();
    EXPECT_TRUE(fileBytes(mine).contains("认识自己"));
    // A second run finds every file it would write.
    const ToolRun again = tool(args);
    EXPECT_EQ(again.status, ExitContentError);
    EXPECT_TRUE(again.err.contains(QStringLiteral("already exist (--force replaces them)"))) << again.err.toStdString();

    EXPECT_EQ(tool({QStringLiteral("export"), QStringLiteral(SAMPLE_DATABASE), QStringLiteral("--force")}).status,
              ExitUsage);
}

} // namespace
