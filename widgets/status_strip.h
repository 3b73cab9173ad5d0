#pragma once
#include <QStatusBar>

namespace lovetest {

// The main window's status bar: 20 pixels high, a size grip, no panels.
class StatusStrip : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusStrip(QWidget *parent = nullptr);
};

} // namespace lovetest
