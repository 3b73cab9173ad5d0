#pragma once
#include <QString>
#include <QStringList>

#include "run/choice_content.h"
#include "run/run_view.h"

namespace lovetest {

class Field;
class SealedFields;
class TestDatabase;

// A window-less RunView: it keeps what the question pane would show as text
// and answers the way the choice panel does. The authoring tool plays tests
// with it, and the controller's tests drive the run through it.
class HeadlessRunView : public RunView {
public:
    HeadlessRunView(TestDatabase &database, SealedFields &sealed);

    void clearPanel() override;
    void fitInstructions() override;
    void showQuestion(int number, int total) override;
    void showCategoryChoice() override;
    void showRemarks() override;
    int chosenIndex() const override { return m_chosen; }
    void hideInstructions() override { m_instructions.clear(); }
    void showVerdict(const QString &text) override { m_shown = text; }
    void showStoredChoice(int index) override { choose(index); }
    void setRunControls(const Controls &controls) override { m_controls = controls; }
    void showMessage(const QString &text) override { m_messages.append(text); }

    // Chooses item index of the panel shown, writing its value like the
    // choice panel does.
    void choose(int index);

    // The caption of the panel shown, the verdict text, or "remarks".
    const QString &shown() const { return m_shown; }
    const ChoiceContent &choices() const { return m_choices; }
    const QString &instructions() const { return m_instructions; }
    const Controls &controls() const { return m_controls; }
    const QStringList &messages() const { return m_messages; }
    int clears() const { return m_clears; }

private:
    TestDatabase &m_database;
    SealedFields &m_sealed;
    QString m_shown;
    QString m_instructions;
    ChoiceContent m_choices;
    Field *m_boundField = nullptr;
    int m_chosen = -1;
    int m_clears = 0;
    Controls m_controls;
    QStringList m_messages;
};

} // namespace lovetest
