#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <optional>

#include "data/test_database.h"
#include "run/test_run.h"
#include "shell/main_window.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/catalog_tests.h"
#include "tests/support/forced_read_only.h"
#include "widgets/read_only_notice.h"

namespace lovetest {
namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every test of the bundled sample database, taken in the real window with
// the keyboard's number keys, from its first question to its verdict; on a
// file the program may write, and on one it may not (answers then stay in
// memory, the user is told so once, and the file stays as it is).
class SampleDatabase : public testing::MainWindowHarness, public ::testing::WithParamInterface<bool> {};

TEST_P(SampleDatabase, EveryTestRunsToItsVerdictInTheWindow)
{
    const bool readOnly = GetParam();
    std::optional<testing::ForcedReadOnly> forced;
    if (readOnly)
        forced.emplace();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SAMPLE_DATABASE), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray bytes = fileBytes(path);
    openWindow(path);
    const QStringList notice = readOnly ? QStringList{readOnlyDatabaseNotice(path)} : QStringList();
    EXPECT_EQ(dialogs.messages, notice);

    // Folders of the catalog hold no question rows: only tests are taken.
    const QList<qint64> ids = testing::takeableTestIds(form->database());
    ASSERT_GE(ids.size(), 12);

    for (qint64 id : ids) {
        selectId(id);
        const std::string name = form->database().catalog.fieldByName(QStringLiteral("Name"))->asString().toStdString();
        EXPECT_FALSE(takeWithFirstChoices().isEmpty()) << name;
        EXPECT_TRUE(verdictText().startsWith(TestRun::disclaimer() + QStringLiteral("\n\n"))) << name;
        EXPECT_GT(verdictText().size(), TestRun::disclaimer().size() + 10) << name;
        EXPECT_EQ(form->ui().stepButton->text(), QStringLiteral("完成"));
        QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
        EXPECT_EQ(form->ui().stepButton->text(), QStringLiteral("开始测试"));
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_EQ(dialogs.messages, notice) << "nothing more is said";
    form.reset();
    if (readOnly) {
        EXPECT_EQ(fileBytes(path), bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SampleDatabase, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &file) {
                             return file.param ? "ReadOnly" : "Writable";
                         });

} // namespace
} // namespace lovetest
