#pragma once
#include <QList>
#include <QPointer>
#include <QString>

#include "run/run_view.h"

class QAbstractButton;
class QAction;
class QLineEdit;
class QScrollArea;
class QTextEdit;
class QWidget;

namespace lovetest {

class CappedPane;
class SealedFields;
class ChoiceGroup;
class BoundTextView;
class TestDatabase;
struct RunState;

// The height of the instructions pane for a text shown in lines of
// lineHeight pixels: one spare line, never more than 200 pixels; no text
// hides the pane.
int instructionsPaneHeight(int lines, int lineHeight);

// The number of lines in which a text view shows its text at its current
// width (after word wrapping).
int displayedLineCount(QTextEdit &view);

// What the test run shows in the main window: the views of the question
// pane, the height of the instructions pane and the run controls.
class QuestionPanels : public RunView {
public:
    // The parts of the main window the panels work on. The question pane
    // holds one view at a time in its content widget.
    struct Panes {
        QScrollArea *questionPane = nullptr; // questionPane
        CappedPane *instructionsPane = nullptr; // instructionsPane
        BoundTextView *instructionsView = nullptr; // instructionsView
    };
    // The controls a run switches on and off.
    struct RunControls {
        QAbstractButton *stepButton = nullptr; // stepButton
        QAbstractButton *quitButton = nullptr; // quitButton
        QList<QWidget *> startCommands; // startButton
        QList<QAction *> startActions; // startAction
        QWidget *catalogTree = nullptr; // catalogTree
        QLineEdit *searchBox = nullptr; // searchBox
    };

    QuestionPanels(TestDatabase &database, SealedFields &sealed, const Panes &panes, const RunControls &controls);

    // The run whose views the panels record.
    void attach(RunState &state) { m_state = &state; }

    void clearPanel() override;
    void fitInstructions() override;
    void showQuestion(int number, int total) override;
    void showCategoryChoice() override;
    void showRemarks() override;
    int chosenIndex() const override;
    void hideInstructions() override;
    void showVerdict(const QString &text) override;
    void showStoredChoice(int index) override;
    void setRunControls(const Controls &controls) override;
    void showMessage(const QString &text) override;

    // The content widget of the question pane, which holds the views.
    QWidget *paneContent() const;

private:
    ChoiceGroup *newChoicePanel();
    void showChoicePanel(ChoiceGroup &panel);
    void giveRoomToChoices(const ChoiceGroup &panel);
    void setInstructionsHeight(int height);

    TestDatabase &m_database;
    SealedFields &m_sealed;
    Panes m_panes;
    RunControls m_controls;
    RunState *m_state = nullptr;
    QPointer<ChoiceGroup> m_choicePanel;
};

} // namespace lovetest
