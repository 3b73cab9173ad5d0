#pragma once
#include <QString>

namespace lovetest {

// What the test run shows in its window: the panel routines of the question
// pane and the run controls. The main window implements it; tests and the
// authoring tool's player use headless ones.
class RunView {
public:
    virtual ~RunView() = default;

    virtual void clearPanel() = 0;
    virtual void fitInstructions() = 0;
    // Shows the current question row as question number (from 1) of total.
    virtual void showQuestion(int number, int total) = 0;
    virtual void showCategoryChoice() = 0;
    virtual void showRemarks() = 0;
    // The chosen item of the current choice panel, -1 when none.
    virtual int chosenIndex() const = 0;
    // Height 0 hides the instructions pane.
    virtual void hideInstructions() = 0;
    virtual void showVerdict(const QString &text) = 0;
    // Shows item index of the panel just shown as chosen, as the user would
    // choose it, and gives the panel the keyboard focus: the choice made on
    // this question earlier in the run.
    virtual void showStoredChoice(int index) { Q_UNUSED(index); }

    // The run controls: step button caption, quit button, and whether the
    // start commands, the catalog tree and the search box take input.
    struct Controls {
        QString stepCaption;
        bool quitVisible = false;
        bool idle = true;
    };
    virtual void setRunControls(const Controls &controls) = 0;
    virtual void showMessage(const QString &text) = 0;
};

} // namespace lovetest
