#include <gtest/gtest.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "tools/cli.h"
#include "tools/content_json.h"
#include "tools/database_build.h"

using namespace lovetest::content;

namespace {

class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() { buildDatabase(readContentFiles({QStringLiteral(FIXTURES_DIR "/small.json")}), db); }

    int run(const QStringList &args)
    {
        QBuffer in;
        in.open(QIODevice::ReadOnly);
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        const int status = runTool(args, in, o, e);
        o.flush();
        e.flush();
        return status;
    }

    QByteArray digest() const
    {
        QFile file(db);
        file.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    QTemporaryDir dir;
    QString db = dir.filePath(QStringLiteral("date.mdb"));
    QString out, err;
};

TEST_F(PlayerTest, PlaysATestToItsVerdictWithoutWritingTheFile)
{
    const QByteArray before = digest();
    ASSERT_EQ(run({"play", db, "--test", "10", "--answers", "2,1,2"}), ExitOk) << err.toStdString();
    EXPECT_EQ(out,
              QStringLiteral("3-1.你喜欢哪种约会？    \n3-2.对方迟到了，你会？    \n3-3.你相信一见钟情吗？    \n"
                             "声明：本程序所提供的测试仅供娱乐!\n\n乙：平衡型。\n很好。\n得分: 4\n"));
    EXPECT_EQ(digest(), before);
}

TEST_F(PlayerTest, ShowsTheCategoryPromptAndUsesTheCategory)
{
    ASSERT_EQ(run({"play", db, "--test", "20", "--answers", "1,1", "--category", "2"}), ExitOk) << err.toStdString();
    EXPECT_EQ(out,
              QStringLiteral("2-1.第一题    \n2-2.第二题    \n请选择\n声明：本程序所提供的测试仅供娱乐!\n\n女三\n"
                             "得分: 4\n类别: 2\n"));
}

TEST_F(PlayerTest, AnswersThatDoNotFitAreUsageErrors)
{
    const std::pair<QStringList, const char *> cases[] = {
        {{"play", db, "--test", "10", "--answers", "2,1"}, "question 3 of 3 has no answer"},
        {{"play", db, "--test", "10", "--answers", "2,1,2,2"}, "4 answers given, but the test has 3 questions"},
        {{"play", db, "--test", "10", "--answers", "2,5,2"}, "5 is not an option of question 2 (options 1 to 2)"},
        {{"play", db, "--test", "10", "--answers", "2,0,2"}, "0 is not an option of question 2 (options 1 to 2)"},
        {{"play", db, "--test", "20", "--answers", "1,1"}, "give --category"},
        {{"play", db, "--test", "20", "--answers", "1,1", "--category", "3"}, "3 is not offered"},
        {{"play", db, "--test", "10", "--answers", "2,1,2", "--category", "1"}, "asks for no category"},
        {{"play", db, "--test", "99", "--answers", "1"}, "no catalog entry has the id 99"},
        {{"play", db, "--answers", "1"}, "--test is missing"},
    };
    for (const auto &[args, message] : cases) {
        EXPECT_EQ(run(args), ExitUsage) << args.join(' ').toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(message))) << err.toStdString();
    }
}

TEST_F(PlayerTest, ReportPrintsTheContentPage)
{
    ASSERT_EQ(run({"report", db, "--test", "10"}), ExitOk) << err.toStdString();
    EXPECT_TRUE(out.startsWith(QStringLiteral("<p align=center><B><font size=5>"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[心理测试]:</a>小测试</font>")));
    EXPECT_TRUE(out.contains(QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;3.在家&nbsp;&lt;3<br>")));
    EXPECT_TRUE(out.endsWith(QStringLiteral("</a>")));
}

} // namespace
