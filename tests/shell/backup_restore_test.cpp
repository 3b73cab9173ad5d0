#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <cmath>

#include "data/daily_backup.h"
#include "data/test_database.h"
#include "run/test_run.h"
#include "shell/backup_restore.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/dark_palette.h"
#include "tests/support/fixture_database.h"
#include "tests/support/forced_read_only.h"
#include "tests/support/side_connection.h"
#include "widgets/catalog_tree_model.h"
#include "widgets/catalog_tree_view.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace lovetest {
namespace {

using testing::FixtureDatabase;
using testing::SideConnection;

const QByteArray kContent = R"({"tests": [
 {"id": 10, "name": "甲测试", "remarks": "甲", "factor": 1,
  "questions": [{"text": "第一题？", "options": [[1, "是"], [2, "否"]]}],
  "verdicts": [{"thresholds": [1], "texts": ["低", "高"]}]},
 {"id": 20, "name": "乙测试", "remarks": "乙", "factor": 1,
  "questions": [{"text": "唯一题", "options": [[1, "甲"], [5, "乙"]]}],
  "verdicts": [{"thresholds": [3], "texts": ["低", "高"]}]}
]})";

double luminance(const QColor &colour)
{
    auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class BackupWindow : public testing::MainWindowHarness {
protected:
    void SetUp() override { open(); }

    void open()
    {
        openWindow(fixture.path());
        form->backups().setClock([this] { return now; });
    }
    QString catalogName(qint64 id)
    {
        if (!form->database().catalog.locate(QStringLiteral("ID"), id))
            return {};
        return form->database().catalog.fieldByName(QStringLiteral("Name"))->asString();
    }
    QStringList backupNames() const
    {
        return QDir(backupFolder(fixture.path())).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // Answers the backup list with keys once it shows.
    void answerList(std::initializer_list<Qt::Key> keys)
    {
        // Copied: the list's own array is gone by the time the timer fires.
        QTimer::singleShot(0, [this, keys = QList<Qt::Key>(keys)] {
            auto *dialog = qobject_cast<BackupListDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shownRows.clear();
            for (int row = 0; row < dialog->list()->count(); ++row)
                shownRows << dialog->list()->item(row)->text();
            for (Qt::Key key : keys)
                QTest::keyClick(dialog->list(), key);
        });
    }

    FixtureDatabase fixture{kContent};
    QDateTime now{QDate(2026, 3, 9), QTime(8, 0)};
    QStringList shownRows;
};

TEST_F(BackupWindow, DailyBackupFollowsTheFilesWriteAccess)
{
    std::optional<DailyBackup::Outcome> outcome = form->backups().runDailyBackup();
    ASSERT_TRUE(outcome && outcome->made) << (outcome ? outcome->error.toStdString() : "");
    EXPECT_EQ(backupNames(), QStringList{"date-20260309.mdb"});

    // A file worked on as a copy in memory gets no backup.
    testing::ForcedReadOnly readOnly;
    now = now.addDays(1);
    open();
    dialogs.messages.clear(); // the start-up notice
    ASSERT_TRUE(form->database().connection.readOnly());
    EXPECT_EQ(form->backups().runDailyBackup(), std::nullopt);
    EXPECT_EQ(backupNames(), QStringList{"date-20260309.mdb"});
    // Nor is a backup restored into it.
    form->backups().restoreAction()->trigger();
    EXPECT_TRUE(dialogs.questions.isEmpty());
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(BackupWindow, AFailedBackupIsOneLineInTheStatusBar)
{
    // A file where the folder should be.
    QFile blocker(backupFolder(fixture.path()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const std::optional<DailyBackup::Outcome> outcome = form->backups().runDailyBackup();
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->made);
    EXPECT_TRUE(form->statusBar()->currentMessage().startsWith(QStringLiteral("没能备份测试数据库：")))
        << form->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(BackupWindow, RestoreBringsBackTheOldDataAndKeepsTheCurrentOne)
{
    ASSERT_TRUE(form->backups().runDailyBackup()->made);
    form.reset();
    {
        SideConnection side(fixture.path());
        side.exec(QStringLiteral("UPDATE 量表 SET Name='改过的名字' WHERE ID=10"));
        side.exec(QStringLiteral("DELETE FROM 量表 WHERE ID=20 OR Parent=20"));
    }
    now = QDateTime(QDate(2026, 3, 10), QTime(10, 11, 12));
    open();
    ASSERT_EQ(catalogName(10), QStringLiteral("改过的名字"));
    ASSERT_FALSE(form->ui().catalogTree->hasNode(20));
    selectId(10); // a run the older backup has no record of
    startSelected();
    answer({0});
    form->ui().stepButton->click();
    ASSERT_TRUE(form->ui().catalogTree->marks().contains(10));
    // Today's backup first, so the list offers yesterday's below it.
    ASSERT_TRUE(form->backups().runDailyBackup()->made);

    dialogs.answers = {true};
    answerList({Qt::Key_Down, Qt::Key_Return});
    form->backups().restoreAction()->trigger();

    EXPECT_EQ(shownRows.size(), 2);
    EXPECT_TRUE(shownRows.value(0).startsWith(QStringLiteral("2026-03-10"))) << shownRows.join('\n').toStdString();
    EXPECT_TRUE(shownRows.value(1).startsWith(QStringLiteral("2026-03-09")));
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].defaultAnswer, Dialogs::DefaultAnswer::No);
    EXPECT_TRUE(dialogs.questions[0].text.contains(QStringLiteral("2026-03-09")));
    EXPECT_TRUE(dialogs.questions[0].text.contains(QStringLiteral("先备份")));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();

    // The window reads the restored file.
    EXPECT_EQ(catalogName(10), QStringLiteral("甲测试"));
    EXPECT_TRUE(form->ui().catalogTree->hasNode(20));
    EXPECT_TRUE(form->ui().catalogTree->marks().isEmpty()); // nor its mark
    EXPECT_EQ(SideConnection(fixture.path()).scalar(QStringLiteral("SELECT Name FROM 量表 WHERE ID=10")).toString(),
              QStringLiteral("甲测试"));
    // What the file held before is kept beside the daily backups.
    const QString safety = QDir(backupFolder(fixture.path())).filePath(QStringLiteral("date-20260310-101112.mdb"));
    ASSERT_TRUE(QFileInfo::exists(safety));
    EXPECT_EQ(SideConnection(safety).scalar(QStringLiteral("SELECT Name FROM 量表 WHERE ID=10")).toString(),
              QStringLiteral("改过的名字"));
    EXPECT_TRUE(form->statusBar()->currentMessage().contains(QStringLiteral("date-20260310-101112.mdb")));
    // The restored tests can be taken.
    ASSERT_TRUE(form->database().catalog.locate(QStringLiteral("ID"), 20));
    form->ui().stepButton->click();
    EXPECT_EQ(form->run().phase(), TestRun::Phase::Answering);
}

TEST_F(BackupWindow, NoOrEscapeKeepsEverythingAsItIs)
{
    ASSERT_TRUE(form->backups().runDailyBackup()->made);
    SideConnection(fixture.path()).exec(QStringLiteral("UPDATE 量表 SET Name='新名' WHERE ID=10"));

    answerList({Qt::Key_Escape});
    form->backups().restoreAction()->trigger();
    EXPECT_TRUE(dialogs.questions.isEmpty());

    dialogs.answers = {false};
    answerList({Qt::Key_Return});
    form->backups().restoreAction()->trigger();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(backupNames(), QStringList{"date-20260309.mdb"}) << "no safety copy either";
    EXPECT_EQ(SideConnection(fixture.path()).scalar(QStringLiteral("SELECT Name FROM 量表 WHERE ID=10")).toString(),
              QStringLiteral("新名"));
}

TEST_F(BackupWindow, AFailedRestoreNamesTheBackupAndLeavesTheData)
{
    QDir().mkpath(backupFolder(fixture.path()));
    const QString broken = QDir(backupFolder(fixture.path())).filePath(QStringLiteral("date-20260301.mdb"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();

    dialogs.answers = {true};
    form->backups().restore(listBackups(fixture.path()).value(0));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(
        dialogs.errors[0],
        QStringLiteral("没能从 2026-03-01 的备份（date-20260301.mdb）恢复，数据保持原样：file is not a database"));
    EXPECT_EQ(catalogName(10), QStringLiteral("甲测试"));
    EXPECT_TRUE(form->ui().catalogTree->hasNode(20));
}

TEST_F(BackupWindow, RefusedDuringARun)
{
    ASSERT_TRUE(form->backups().runDailyBackup()->made);
    ASSERT_TRUE(form->database().catalog.locate(QStringLiteral("ID"), 10));
    form->ui().stepButton->click();
    ASSERT_EQ(form->run().phase(), TestRun::Phase::Answering);
    EXPECT_FALSE(form->backups().restoreAction()->isEnabled());
    form->backups().restore(listBackups(fixture.path()).value(0));
    EXPECT_TRUE(dialogs.questions.isEmpty());

    form->ui().quitButton->click();
    EXPECT_TRUE(form->backups().restoreAction()->isEnabled());
}

TEST(BackupListDialogTest, KeysNamesAndADarkPalette)
{
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(testing::darkDesktopPalette());
    const QList<BackupFile> backups{{"/b/date-20260310-101112.mdb", {2026, 3, 10}, {10, 11, 12}, 2048, false},
                                    {"/b/date-20260310.mdb", {2026, 3, 10}, {}, 300, true},
                                    {"/b/date-20260309.mdb", {2026, 3, 9}, {}, 3 * 1024 * 1024, true}};
    {
        BackupListDialog dialog(backups);
        dialog.show();
        QListWidget *list = dialog.list();
        EXPECT_EQ(list->accessibleName(), QStringLiteral("备份列表"));
        EXPECT_EQ(list->item(0)->text(), QStringLiteral("2026-03-10 10:11:12（恢复前的数据）    2.0 KB"));
        EXPECT_EQ(list->item(1)->text(), QStringLiteral("2026-03-10    300 字节"));
        EXPECT_EQ(list->item(2)->text(), QStringLiteral("2026-03-09    3.0 MB"));
        EXPECT_GE(contrastRatio(list->palette().color(QPalette::Text), list->palette().color(QPalette::Base)), 4.5);
        for (auto *button : dialog.findChildren<QPushButton *>())
            EXPECT_GE(
                contrastRatio(button->palette().color(QPalette::ButtonText), button->palette().color(QPalette::Button)),
                4.5);

        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        ASSERT_TRUE(dialog.chosen());
        EXPECT_EQ(dialog.chosen()->path, QStringLiteral("/b/date-20260310.mdb"));
    }
    {
        BackupListDialog dialog(backups);
        dialog.show();
        QTest::keyClick(dialog.list(), Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
    QApplication::setPalette(saved);
}

} // namespace
} // namespace lovetest
