#pragma once
#include <QObject>
#include <QPointer>

namespace lovetest {

// The views of the running test, shared by the controller and the panels.
// Where the run stands is the run's own (TestRun::questionNumber).
struct RunState {
    // The views of the question pane while they are shown; the panels set
    // them, the pointers clear themselves when a view is destroyed.
    QPointer<QObject> choiceGroup;
    QPointer<QObject> remarksView;
    QPointer<QObject> verdictView;
};

} // namespace lovetest
