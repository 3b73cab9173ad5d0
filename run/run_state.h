#pragma once
#include <QObject>
#include <QPointer>

namespace lovetest {

// The state of the test run, shared by the controller and the panels.
struct RunState {
    int questionNumber = 0; // number of the next question to show, from 1
    int questionTotal = 0; // number of question rows of the running test
    // The views of the question pane while they are shown; the panels set
    // them, the pointers clear themselves when a view is destroyed.
    QPointer<QObject> choiceGroup;
    QPointer<QObject> remarksView;
    QPointer<QObject> verdictView;
};

} // namespace lovetest
