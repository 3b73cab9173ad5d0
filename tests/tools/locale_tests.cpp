#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/tools/tool_run.h"
#include "tools/content_json.h"
#include "tools/database_export.h"
#include "tools/json_reader.h"

using namespace lovetest::content;
using namespace lovetest::content::testing;

namespace {

const QString kSmall = QStringLiteral(FIXTURES_DIR "/small.json");
const char kCommaLocale[] = "de_DE.UTF-8";

// A locale that writes 0,5 for one half, generated once into a private
// folder (LOCPATH): the machine need not have it installed.
class CommaDecimalLocale : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const QString localedef = QStandardPaths::findExecutable(QStringLiteral("localedef"));
        if (localedef.isEmpty()) {
            g_skipReason = "localedef is not installed, no comma-decimal locale can be made";
            return;
        }
        g_folder = new QTemporaryDir;
        QProcess make;
        make.start(localedef,
                   {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"), QStringLiteral("UTF-8"),
                    g_folder->filePath(QLatin1String(kCommaLocale))});
        // localedef exits 1 on mere warnings; the locale is there all the same.
        if (!make.waitForFinished(120000) || !QFileInfo::exists(g_folder->filePath(QLatin1String(kCommaLocale))))
            g_skipReason = "localedef could not make de_DE.UTF-8 (are the locale sources installed?)";
    }
    static void TearDownTestSuite()
    {
        delete g_folder;
        g_folder = nullptr;
    }

    void SetUp() override
    {
        if (!g_skipReason.empty())
            GTEST_SKIP() << g_skipReason;
    }

    static QProcessEnvironment environment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LOCPATH"), g_folder->path());
        env.insert(QStringLiteral("LC_ALL"), QLatin1String(kCommaLocale));
        return env;
    }

    static Content expectedContent()
    {
        Content content = readContentFiles({kSmall});
        content.tests[2].id = 23; // the first id after the rows before it
        return content;
    }

    static inline QTemporaryDir *g_folder = nullptr;
    static inline std::string g_skipReason;
};

// The tool takes the user's locale (the application object sets it), and
// content numbers are written with a point whatever that locale says.
TEST_F(CommaDecimalLocale, TheBuiltToolReadsNumbersWithAPoint)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    QProcess build;
    build.setProcessEnvironment(environment());
    build.start(QStringLiteral(CONTENT_TOOL), {QStringLiteral("build"), kSmall, QStringLiteral("-o"), db});
    ASSERT_TRUE(build.waitForFinished(60000));
    ASSERT_EQ(build.exitCode(), ExitOk) << build.readAllStandardError().toStdString();

    const Content built = loadDatabase(db);
    ASSERT_EQ(built.tests.size(), 3);
    EXPECT_EQ(built.tests[1].factor, 0.5);
    EXPECT_EQ(built, expectedContent());
}

TEST_F(CommaDecimalLocale, TheReaderIgnoresLcNumeric)
{
    const Content expected = readContentFiles({kSmall});
    qputenv("LOCPATH", g_folder->path().toLocal8Bit());
    const char *set = std::setlocale(LC_NUMERIC, kCommaLocale);
    const auto restore = qScopeGuard([] {
        std::setlocale(LC_NUMERIC, "C");
        qunsetenv("LOCPATH");
    });
    ASSERT_NE(set, nullptr);
    ASSERT_STREQ(std::localeconv()->decimal_point, ","); // the locale is in force

    const Content read = readContentFiles({kSmall});
    ASSERT_EQ(read.tests.size(), 3);
    EXPECT_EQ(read.tests[1].factor, 0.5);
    EXPECT_EQ(read, expected);
}

TEST(JsonNumbers, ReadAsStrtodReadsThemInTheCLocale)
{
    // Every form of number, and those beyond a double as strtod gives them.
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<const char *, double> numbers[] = {
        {"0.5", 0.5},
        {"-12.25", -12.25},
        {"1e3", 1000},
        {"2.5E-1", 0.25},
        {"7E+2", 700},
        {"0", 0},
        {"1e400", inf},
        {"-1e400", -inf},
        {"1e-400", 0},
        {"-1e-400", -0.0},
        {"123456789e301", inf},
        {"0.000001e-320", 0},
        {"1e99999999999999999999", inf},
        {"1e-99999999999999999999", 0},
    };
    for (const auto &[text, value] : numbers) {
        const JsonNode node = readJson(QByteArray("[") + text + "]");
        ASSERT_EQ(node.items.size(), 1u) << text;
        EXPECT_EQ(node.items[0].number, value) << text;
        EXPECT_EQ(std::signbit(node.items[0].number), std::signbit(value)) << text;
    }
}

} // namespace
