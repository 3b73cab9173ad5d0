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
#include "tests/support/catalog_tests.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/forced_read_only.h"
#include "widgets/choice_group.h"
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
class SampleDatabase : public ::testing::TestWithParam<bool> {};

TEST_P(SampleDatabase, EveryTestRunsToItsVerdictInTheWindow)
{
    const bool readOnly = GetParam();
    testing::FakeDialogs dialogs;
    std::optional<testing::ForcedReadOnly> forced;
    if (readOnly)
        forced.emplace();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SAMPLE_DATABASE), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray bytes = fileBytes(path);
    MainWindow form(path);
    const QStringList notice = readOnly ? QStringList{readOnlyDatabaseNotice(path)} : QStringList();
    EXPECT_EQ(dialogs.messages, notice);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // Folders of the catalog hold no question rows: only tests are taken.
    const QList<qint64> ids = testing::takeableTestIds(form.database());
    Dataset &catalog = form.database().catalog;
    ASSERT_GE(ids.size(), 12);

    for (qint64 id : ids) {
        ASSERT_TRUE(catalog.locate(QStringLiteral("ID"), id));
        const QString name = catalog.fieldByName(QStringLiteral("Name"))->asString();
        QTest::mouseClick(form.stepButton, Qt::LeftButton);
        int panels = 0;
        while (auto *panel = form.questionPane->findChild<ChoiceGroup *>(QStringLiteral("choiceGroup"))) {
            ASSERT_LT(++panels, 40) << name.toStdString();
            ASSERT_GT(panel->count(), 0) << name.toStdString();
            QTest::keyClick(panel, Qt::Key_1);
            QTest::mouseClick(form.stepButton, Qt::LeftButton);
        }
        auto *verdict = form.questionPane->findChild<QTextEdit *>(QStringLiteral("verdictView"));
        ASSERT_NE(verdict, nullptr) << name.toStdString();
        EXPECT_TRUE(verdict->toPlainText().startsWith(TestRun::disclaimer() + QStringLiteral("\n\n")))
            << name.toStdString();
        EXPECT_GT(verdict->toPlainText().size(), TestRun::disclaimer().size() + 10) << name.toStdString();
        EXPECT_EQ(form.stepButton->text(), QStringLiteral("完成"));
        QTest::mouseClick(form.stepButton, Qt::LeftButton);
        EXPECT_EQ(form.stepButton->text(), QStringLiteral("开始测试"));
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_EQ(dialogs.messages, notice) << "nothing more is said";
    if (readOnly) {
        EXPECT_EQ(fileBytes(path), bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SampleDatabase, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "ReadOnly" : "Writable"; });

} // namespace
} // namespace lovetest
