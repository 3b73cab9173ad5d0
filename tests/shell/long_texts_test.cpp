// Every place that shows content shows a bounded head of a 1 MB text, and
// the rest where the place offers it; and shows markup in content as the
// characters it is, loading nothing it names.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "data/test_database.h"
#include "data/text_head.h"
#include "report/html_view.h"
#include "run/run_history.h"
#include "run/test_run.h"
#include "shell/history_window.h"
#include "shell/run_companion.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/fixture_database.h"
#include "tests/support/shown_tool_tip.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"
#include "widgets/dialogs.h"

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
        openWindow(fixture.path());
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

    // The boxes that name an entry: the folder's message when it is started,
    // the delete prompt (declined), and the resume offer of a run left after
    // its first answer (declined).
    struct Boxes {
        QString folderMessage;
        QString deletePrompt;
        QString resumeOffer;
    };
    Boxes boxesNamingTheTest()
    {
        Boxes boxes;
        const qsizetype messages = dialogs.messages.size();
        const qsizetype questions = dialogs.questions.size();
        selectId(30);
        startSelected();
        if (dialogs.messages.size() == messages + 1)
            boxes.folderMessage = dialogs.messages.last();
        selectId(10);
        dialogs.answers = {false};
        form->ui().catalogTree->setFocus();
        QTest::keyClick(form->ui().catalogTree, Qt::Key_Delete);
        if (dialogs.questions.size() == questions + 1)
            boxes.deletePrompt = dialogs.questions.last().text;
        startSelected();
        answer({0});
        openWindow(fixture.path());
        dialogs.answers = {false};
        form->offerResume();
        if (dialogs.questions.size() == questions + 2)
            boxes.resumeOffer = dialogs.questions.last().text;
        return boxes;
    }

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
    // Name, category, question, answer and verdict (again in the list of the
    // test's verdicts): each only a head.
    EXPECT_LE(reportPage().count(kMark), 2 * kShownLineLength + 4 * kShownHeadLength);
    EXPECT_TRUE(reportPage().contains(QStringLiteral("其他可能的结果")));
    form->ui().stepButton->click(); // finished: recorded

    form->companion().ui().historyAction->trigger();
    HistoryWindow *history = form->companion().historyWindow();
    ASSERT_TRUE(history && history->ui().table->rowCount() == 1);
    QTableWidget *table = history->ui().table;
    for (int column : {1, 2, 4}) {
        shown += {{"history cell", table->item(0, column)->text(), kShownLineLength},
                  {"history tooltip", testing::shownToolTip(table->item(0, column)->toolTip()), kShownLineLength}};
    }
    shown.append({"history filter", history->ui().filter->itemText(1), kShownLineLength});
    history->ui().openButton->click();
    EXPECT_LE(reportPage().count(kMark), 2 * kShownLineLength + 4 * kShownHeadLength);
    EXPECT_TRUE(reportPage().contains(QStringLiteral("其他可能的结果")));
    history->hide();

    form->onContent();
    EXPECT_LE(reportPage().count(kMark), kShownLineLength + 3 * kShownHeadLength);
    shown.append({"content window title", report.windowTitle(), kShownLineLength});

    const Boxes boxes = boxesNamingTheTest();
    EXPECT_LE(boxes.folderMessage.size(), kShownLineLength + 40);
    EXPECT_TRUE(boxes.folderMessage.contains(QStringLiteral("…”")));
    EXPECT_LE(boxes.deletePrompt.size(), kShownLineLength + 40);
    EXPECT_LE(boxes.resumeOffer.size(), kShownLineLength + 20);
    EXPECT_TRUE(boxes.resumeOffer.contains(QStringLiteral("…》")));

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

// Markup in a name, a question, an option, a category or a verdict: every
// place shows the characters, and nothing loads the file it names.
const QString kPlanted = QStringLiteral("/nonexistent-planted/picture.png");

class HostileTexts : public LongTexts {
protected:
    HostileTexts() : LongTexts(QStringLiteral("<img src=%1><b>粗</b>").arg(kPlanted)) {}

    QString hostile() const { return QStringLiteral("<img src=%1><b>粗</b>").arg(kPlanted); }

    // A document that notes what a rich text asks it to load.
    class ResourceSpy : public QTextDocument {
    public:
        QList<QUrl> requested;

    protected:
        QVariant loadResource(int type, const QUrl &name) override
        {
            requested.append(name);
            return QTextDocument::loadResource(type, name);
        }
    };

    // Whether text, shown where Qt takes markup for rich text (a tooltip, an
    // automatic label), would load the planted file.
    static bool loadsThePlantedFile(const QString &text, bool rich)
    {
        ResourceSpy spy;
        if (rich)
            spy.setHtml(text);
        else
            spy.setPlainText(text);
        spy.setTextWidth(400);
        spy.size(); // lays the document out, which sizes (and loads) images
        for (const QUrl &url : spy.requested) {
            if (url.toString().contains(QStringLiteral("planted")))
                return true;
        }
        return false;
    }

    // Every label of a window shows markup as characters.
    void expectPlainLabels(QWidget *window, const char *where)
    {
        for (QLabel *label : window->findChildren<QLabel *>()) {
            if (!label->text().contains(QStringLiteral("<img")))
                continue;
            const bool rich = label->textFormat() == Qt::RichText ||
                (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
            EXPECT_FALSE(rich) << where << ": " << label->objectName().toStdString();
        }
    }
    void expectPlainToolTip(const QString &toolTip, const char *where)
    {
        EXPECT_FALSE(loadsThePlantedFile(toolTip, Qt::mightBeRichText(toolTip))) << where;
        EXPECT_TRUE(testing::shownToolTip(toolTip).contains(hostile())) << where << ": " << toolTip.toStdString();
    }
    void expectPageShowsCharacters(const char *where)
    {
        const QString page = reportPage();
        EXPECT_FALSE(loadsThePlantedFile(page, true)) << where;
        QTextDocument shown;
        shown.setHtml(page);
        EXPECT_TRUE(shown.toPlainText().replace(QChar::Nbsp, QLatin1Char(' ')).contains(hostile())) << where;
    }
};

TEST_F(HostileTexts, EveryPlaceShowsMarkupAsCharactersAndLoadsNothing)
{
    // The spy sees what an unescaped text would load.
    ASSERT_TRUE(loadsThePlantedFile(hostile(), true));

    expectPlainLabels(form.get(), "title");
    startSelected();
    expectPlainLabels(form.get(), "question");
    answer({0, 0});
    expectPlainLabels(form.get(), "category");
    answer({0});
    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_TRUE(verdictText().contains(hostile()));
    expectPlainLabels(form.get(), "verdict");
    form->companion().ui().saveButton->click();
    expectPageShowsCharacters("result page");
    EXPECT_TRUE(report.windowTitle().contains(hostile()));
    form->ui().stepButton->click();

    form->companion().ui().historyAction->trigger();
    HistoryWindow *history = form->companion().historyWindow();
    ASSERT_TRUE(history && history->ui().table->rowCount() == 1);
    for (int column : {1, 2, 4}) {
        EXPECT_TRUE(history->ui().table->item(0, column)->text().contains(hostile()));
        expectPlainToolTip(history->ui().table->item(0, column)->toolTip(), "history tooltip");
    }
    expectPlainLabels(history, "history");
    history->hide();

    form->onContent();
    expectPageShowsCharacters("content page");

    // The folder's message, the delete prompt and the resume offer carry the
    // name as it is; the boxes show it as plain text (RealDialogs below).
    const Boxes boxes = boxesNamingTheTest();
    for (const QString &text : {boxes.folderMessage, boxes.deletePrompt, boxes.resumeOffer})
        EXPECT_TRUE(text.contains(hostile())) << text.toStdString();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

// The program's own boxes show every text as plain text.
TEST(RealDialogs, BoxesShowMarkupAsCharacters)
{
    const QString text = QStringLiteral("<img src=%1>").arg(kPlanted);
    const QList<std::function<void()>> boxes{
        [&] { Dialogs::instance().showError(nullptr, text); },
        [&] { Dialogs::instance().showMessage(nullptr, text); },
        [&] { Dialogs::instance().confirm(nullptr, QStringLiteral("确认"), text); },
        [&] { Dialogs::instance().askYesNo(nullptr, QStringLiteral("确认"), text, Dialogs::DefaultAnswer::No); },
    };
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        Qt::TextFormat format = Qt::RichText;
        QString shown;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                format = box->textFormat();
                shown = box->text();
                box->reject();
            }
        });
        boxes[i]();
        EXPECT_EQ(format, Qt::PlainText) << "box " << i;
        EXPECT_TRUE(shown.contains(text)) << "box " << i;
    }
}

} // namespace
} // namespace lovetest
