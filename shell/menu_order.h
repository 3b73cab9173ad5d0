#pragma once

class QAction;
class QMenu;

namespace lovetest {

// The first separator of menu (the one that sets off 退出 in 操作), before
// which later commands join the menu; nullptr when it has none (the end).
QAction *firstSeparator(const QMenu &menu);

} // namespace lovetest
