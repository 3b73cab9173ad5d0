#pragma once
#include <QMessageBox>

namespace lovetest {

// The program's own message boxes speak Chinese whatever the system language:
// their standard buttons read "确定", "取消", "是" and "否".
void useChineseButtonTexts(QMessageBox &box);

// Shows a message box of the program's own modally, with those button texts,
// and returns the button chosen.
QMessageBox::StandardButton execMessageBox(QMessageBox &box);

} // namespace lovetest
