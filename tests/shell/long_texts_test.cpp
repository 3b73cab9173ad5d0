// Every place that shows content shows a bounded head of a 1 MB text, and
// the rest where the place offers it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "data/test_database.h"
#include "data/text_head.h"
#include "report/html_view.h"
#include "run/run_history.h"
#include "run/test_run.h"
#include "shell/history_window.h"
#include "shell/run_companion.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/fixture_database.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"

namespace lovetest {
namespace {

using testing::FixtureDatabase;

// One character repeated: no other text of the windows holds it, so the
// pages can be searched for it.
const QChar kMark(0x6F2B); // 漫

QString longText(qsizetype size = 1 << 20)
{
    return QString(size, kMark);
}

// A test whose name, question, option, category and verdict are each text,
// and a folder named text.
QByteArray contentWith(const QString &text)
{
    return QStringLiteral(R"({"tests": [
 {"id": 30, "folder": true, "name": "%1", "remarks": ""},
 {"id": 10, "name": "%1", "remarks": "", "factor": 1,
  "categories": [[1, "%1"], [2, "女生"]],
  "questions": [{"text": "%1", "options": [[1, "%1"], [2, "否"]]},
                {"text": "第二题", "options": [[1, "是"], [2, "否"]]}],
  "verdicts": [{"category": 1, "thresholds": [3], "texts": ["%1", "高"]},
               {"category": 2, "thresholds": [3], "texts": ["低", "高"]}]}
]})")
        .arg(text)
        .toUtf8();
}

class LongTexts : public testing::MainWindowHarness {
protected:
    explicit LongTexts(const QString &text = longText()) : fixture(contentWith(text)) {}
    void SetUp() override
    {
        fprintf(stderr, "T fixture %lld\n", (long long)QDateTime::currentMSecsSinceEpoch());
        openWindow(fixture.path());
        fprintf(stderr, "T open %lld\n", (long long)QDateTime::currentMSecsSinceEpoch());
        selectId(10);
    }

    // What a place shows, with the most it may show of a long text.
    struct Shown {
        const char *place;
        QString text;
        qsizetype limit;
    };
    static void expectBounded(const QList<Shown> &shown)
    {
        for (const Shown &s : shown) {
            // The head, "…" and at most a line break before it.
            EXPECT_LE(s.text.size(), s.limit + 2) << s.place;
            EXPECT_TRUE(s.text.endsWith(QStringLiteral("…"))) << s.place;
        }
    }
    QLabel *captionLabel() const { return choicePanel()->findChild<QLabel *>(QStringLiteral("caption")); }
    QLabel *itemLabel(int index) const { return choicePanel()->itemWidget(index)->findChild<QLabel *>(); }
    QString reportPage() const { return report.ui().htmlView->pageHtml(); }

    FixtureDatabase fixture;
};

TEST_F(LongTexts, EveryPlaceShowsABoundedHead)
{
    const QModelIndex node = form->ui().catalogTree->currentIndex();
    QList<Shown> shown{
        {"catalog tree label", node.data(Qt::DisplayRole).toString(), kShownLineLength},
        {"title label", form->findChild<QLabel *>(QStringLiteral("titleLabel"))->text(), kShownLineLength},
    };
    // An edit of the label starts from the whole name.
    EXPECT_EQ(node.data(Qt::EditRole).toString().size(), 1 << 20);

    startSelected();
    ASSERT_NE(choicePanel(), nullptr);
    shown += {{"question caption", captionLabel()->text(), kShownHeadLength},
              {"question name for screen readers", choicePanel()->accessibleName(), kShownLineLength},
              {"option caption", itemLabel(0)->text(), kShownHeadLength}};
    EXPECT_EQ(itemLabel(1)->text(), QStringLiteral("否"));
    // The panel still knows its whole texts.
    EXPECT_GT(choicePanel()->title().size(), 1 << 20);
    EXPECT_EQ(choicePanel()->itemCaption(0).size(), 1 << 20);

    answer({0, 0});
    ASSERT_NE(choicePanel(), nullptr); // the category, last
    shown.append({"category caption", itemLabel(0)->text(), kShownHeadLength});
    answer({0});
    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    shown += {{"verdict view", verdictText(), kShownHeadLength},
              {"verdict for screen readers", verdictView()->accessibleDescription(), kShownHeadLength},
              {"verdict explanation", form->companion().explanation()->text(), kShownLineLength + 200}};

    form->companion().ui().saveButton->click();
    ASSERT_TRUE(report.isVisible());
    EXPECT_TRUE(report.windowTitle().endsWith(QStringLiteral("…》测试结果")));
    shown += {{"result window title", report.windowTitle().chopped(5), kShownLineLength + 1}};
    // Name, category, question, answer and verdict: each only a head.
    EXPECT_LE(reportPage().count(kMark), 2 * kShownLineLength + 3 * kShownHeadLength);
    form->ui().stepButton->click(); // finished: recorded

    form->companion().ui().historyAction->trigger();
    HistoryWindow *history = form->companion().historyWindow();
    ASSERT_TRUE(history && history->ui().table->rowCount() == 1);
    QTableWidget *table = history->ui().table;
    for (int column : {1, 2, 4}) {
        shown += {{"history cell", table->item(0, column)->text(), kShownLineLength},
                  {"history tooltip", table->item(0, column)->toolTip(), kShownLineLength}};
    }
    shown.append({"history filter", history->ui().filter->itemText(1), kShownLineLength});
    history->ui().openButton->click();
    EXPECT_LE(reportPage().count(kMark), 2 * kShownLineLength + 3 * kShownHeadLength);
    history->hide();

    form->onContent();
    EXPECT_LE(reportPage().count(kMark), kShownLineLength + 3 * kShownHeadLength);
    shown.append({"content window title", report.windowTitle(), kShownLineLength});

    selectId(30);
    startSelected();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_LE(dialogs.messages[0].size(), kShownLineLength + 40);
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("…”")));

    selectId(10);
    dialogs.answers = {false};
    form->ui().catalogTree->setFocus();
    QTest::keyClick(form->ui().catalogTree, Qt::Key_Delete);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_LE(dialogs.questions[0].text.size(), kShownLineLength + 40);

    // Left after the first answer, offered again at the next start.
    startSelected();
    answer({0});
    openWindow(fixture.path());
    dialogs.answers = {false};
    form->offerResume();
    ASSERT_EQ(dialogs.questions.size(), 2);
    EXPECT_LE(dialogs.questions[1].text.size(), kShownLineLength + 20);
    EXPECT_TRUE(dialogs.questions[1].text.contains(QStringLiteral("…》")));

    expectBounded(shown);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

// A caption a little over the limit: its head, and the whole caption on
// demand; number keys choose as before.
class CaptionsOverTheLimit : public LongTexts {
protected:
    CaptionsOverTheLimit() : LongTexts(longText(kShownHeadLength + 2000)) {}
};

TEST_F(CaptionsOverTheLimit, ShowAllPutsTheWholeCaptionAndTheKeysStillChoose)
{
    startSelected();
    ChoiceGroup *panel = choicePanel();
    ASSERT_NE(panel, nullptr);
    const auto buttons = panel->findChildren<QPushButton *>(QStringLiteral("showAllButton"));
    ASSERT_EQ(buttons.size(), 2); // the question and its first option
    const int height = panel->height();
    // Tab reaches them from the panel, and number keys still choose there.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    panel->setFocus();
    QTest::keyClick(panel, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), buttons[0]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2);
    EXPECT_EQ(panel->itemIndex(), 1);
    for (QPushButton *button : buttons) {
        EXPECT_EQ(button->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        button->click();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(captionLabel()->text().endsWith(QString(2000, kMark) + QStringLiteral("    ")));
    EXPECT_EQ(itemLabel(0)->text(), longText(kShownHeadLength + 2000));
    EXPECT_TRUE(panel->findChildren<QPushButton *>(QStringLiteral("showAllButton")).isEmpty());
    // The panel grew with its captions.
    EXPECT_GT(panel->height(), height);
    EXPECT_EQ(panel->height(), panel->itemsHeight());

    panel->setFocus();
    QTest::keyClick(panel, Qt::Key_2);
    EXPECT_EQ(panel->itemIndex(), 1);
    QTest::keyClick(panel, Qt::Key_1);
    EXPECT_EQ(panel->itemIndex(), 0);
}

} // namespace
} // namespace lovetest
