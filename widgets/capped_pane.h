#pragma once
#include <QFrame>

namespace lovetest {

// A pane that asks for its maximum height and gives it up when the window is
// too short: a height set through its maximum never raises the window's
// minimum size.
class CappedPane : public QFrame {
public:
    explicit CappedPane(QWidget *parent = nullptr) : QFrame(parent)
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    }

    // Shows the pane at most height pixels high (0 hides it), at once.
    void setCappedHeight(int height);

    QSize sizeHint() const override { return {QFrame::sizeHint().width(), maximumHeight()}; }
    QSize minimumSizeHint() const override { return {QFrame::minimumSizeHint().width(), 0}; }
};

} // namespace lovetest
