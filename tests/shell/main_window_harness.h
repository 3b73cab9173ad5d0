#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include <QSize>
#include <QString>
#include <QStringList>

#include "report/report_window.h"
#include "shell/about_window.h"
#include "shell/main_window.h"
#include "tests/support/fake_dialogs.h"

class QAbstractButton;
class QAction;
class QTextEdit;

namespace lovetest {

class ChoiceGroup;

namespace testing {

// The main window as the GUI tests meet it: opened on a database file with
// the About and report windows beside it, every dialog answered by
// FakeDialogs (made first, so even the start-up notices are recorded), and
// the few moves a taker makes.
class MainWindowHarness : public ::testing::Test {
protected:
    // Opens (or opens again) the window on path, shown and exposed; a size
    // that is valid resizes it first.
    void openWindow(const QString &path, QSize size = {});
    // The window closes before the fixtures of a derived test go.
    void TearDown() override { form.reset(); }

    // A control of the window by its object name; fails the test when missing.
    template <typename T>
    T *child(const char *name) const
    {
        T *found = form->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAbstractButton *button(const char *name) const;
    QAction *action(const char *name) const;

    // Selects a catalog entry by ID or by name; fails the test when missing.
    void selectId(qint64 id);
    void select(const QString &name);
    // The shown question's choices, the verdict view and its text (null or
    // empty while not shown).
    ChoiceGroup *choicePanel() const;
    QTextEdit *verdictView() const;
    QString verdictText() const;
    // Starts the selected test with the toolbar's start button.
    void startSelected();
    // Chooses each item in turn and steps on after each.
    void answer(std::initializer_list<int> items);
    // Takes the selected test as a keyboard user would: number key 1 on
    // every question, then the step button, up to the verdict. Returns the
    // titles of the questions shown (empty when the test did not start).
    QStringList takeWithFirstChoices(int maxQuestions = 40);

    FakeDialogs dialogs;
    AboutWindow about{QStringLiteral("www.example.invalid")};
    ReportWindow report;
    std::unique_ptr<MainWindow> form;
};

} // namespace testing
} // namespace lovetest
