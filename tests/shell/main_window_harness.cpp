#include "tests/shell/main_window_harness.h"

#include <QAbstractButton>
#include <QAction>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "data/test_database.h"
#include "widgets/choice_group.h"

namespace lovetest::testing {

void MainWindowHarness::openWindow(const QString &path, QSize size)
{
    form.reset(); // one main window at a time, as in the program
    form = std::make_unique<MainWindow>(path);
    form->setWindows(&about, &report);
    if (size.isValid())
        form->resize(size);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
}

QAbstractButton *MainWindowHarness::button(const char *name) const
{
    return child<QAbstractButton>(name);
}

QAction *MainWindowHarness::action(const char *name) const
{
    return child<QAction>(name);
}

void MainWindowHarness::selectId(qint64 id)
{
    ASSERT_TRUE(form->database().catalog.locate(QStringLiteral("ID"), id)) << id;
}

void MainWindowHarness::select(const QString &name)
{
    ASSERT_TRUE(form->database().catalog.locate(QStringLiteral("Name"), name)) << name.toStdString();
}

ChoiceGroup *MainWindowHarness::choicePanel() const
{
    return form->ui().questionPane->findChild<ChoiceGroup *>();
}

QTextEdit *MainWindowHarness::verdictView() const
{
    return form->ui().questionPane->findChild<QTextEdit *>(QStringLiteral("verdictView"));
}

QString MainWindowHarness::verdictText() const
{
    const QTextEdit *view = verdictView();
    return view ? view->toPlainText() : QString();
}

void MainWindowHarness::startSelected()
{
    form->ui().startButton->click();
}

void MainWindowHarness::answer(std::initializer_list<int> items)
{
    for (int item : items) {
        ChoiceGroup *panel = choicePanel();
        ASSERT_NE(panel, nullptr) << "no question shown for item " << item;
        panel->setItemIndex(item);
        form->ui().stepButton->click();
    }
}

QStringList MainWindowHarness::takeWithFirstChoices(int maxQuestions)
{
    QStringList titles;
    QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
    while (auto *panel = form->ui().questionPane->findChild<ChoiceGroup *>(QStringLiteral("choiceGroup"))) {
        if (titles.size() >= maxQuestions) {
            ADD_FAILURE() << "more than " << maxQuestions << " questions";
            break;
        }
        EXPECT_GT(panel->count(), 0) << panel->title().toStdString();
        titles << panel->title();
        QTest::keyClick(panel, Qt::Key_1);
        QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
    }
    return titles;
}

} // namespace lovetest::testing
