#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include "data/test_database.h"
#include "run/test_run.h"
#include "shell/main_window.h"
#include "tests/support/fake_dialogs.h"
#include "widgets/db_radio_group.h"

namespace lovetest {
namespace {

// Every test of the bundled sample database, taken in the real window with
// the keyboard's number keys, from its first question to its verdict.
TEST(SampleDatabase, EveryTestRunsToItsVerdictInTheWindow)
{
    testing::FakeDialogs dialogs;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SAMPLE_DATABASE), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    TForm1 form(path);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // Folders of the catalog hold no question rows: only tests are taken.
    QSet<int> withQuestions;
    Dataset &rows = form.database().ADOQuery2;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (rows.FieldByName(QStringLiteral("目录"))->asInteger() == 0)
            withQuestions.insert(rows.FieldByName(QStringLiteral("Parent"))->asInteger());
    }
    Dataset &catalog = form.database().ADOQuery1;
    QList<int> ids;
    for (catalog.First(); !catalog.Eof(); catalog.Next()) {
        if (withQuestions.contains(catalog.FieldByName(QStringLiteral("ID"))->asInteger()))
            ids.append(catalog.FieldByName(QStringLiteral("ID"))->asInteger());
    }
    ASSERT_GE(ids.size(), 12);

    for (int id : ids) {
        ASSERT_TRUE(catalog.Locate(QStringLiteral("ID"), id));
        const QString name = catalog.FieldByName(QStringLiteral("Name"))->asString();
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        int panels = 0;
        while (auto *panel = form.ScrollBox1->findChild<TcxDBRadioGroup *>(QStringLiteral("ChoiceGroup"))) {
            ASSERT_LT(++panels, 40) << name.toStdString();
            ASSERT_GT(panel->count(), 0) << name.toStdString();
            QTest::keyClick(panel, Qt::Key_1);
            QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        }
        auto *verdict = form.ScrollBox1->findChild<QTextEdit *>(QStringLiteral("VerdictView"));
        ASSERT_NE(verdict, nullptr) << name.toStdString();
        EXPECT_TRUE(verdict->toPlainText().startsWith(TestRun::disclaimer() + QStringLiteral("\n\n")))
            << name.toStdString();
        EXPECT_GT(verdict->toPlainText().size(), TestRun::disclaimer().size() + 10) << name.toStdString();
        EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("完成"));
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("开始测试"));
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
}

} // namespace
} // namespace lovetest
