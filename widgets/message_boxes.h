#pragma once
#include <QMessageBox>

namespace lovetest {

// The program's own message boxes speak Chinese whatever the system language:
// their standard buttons read "确定", "取消", "是" and "否".
void useChineseButtonTexts(QMessageBox &box);

// Shows a message box of the program's own modally, with those button texts,
// and returns the button chosen; NoButton, without showing it, once the
// program is ending.
QMessageBox::StandardButton execMessageBox(QMessageBox &box);

// The program has been asked to end (a termination signal): the open modal
// dialog closes as cancelled and no box opens any more. A question that would
// act on its "No" checks terminationRequested() first.
void requestTermination();
bool terminationRequested();

} // namespace lovetest
