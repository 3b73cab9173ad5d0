#pragma once
#include <QString>
#include <QStringList>

namespace lovetest::content {

// The program that shows a preview: lovetest beside this tool, installed or
// in a build tree. Empty when there is none.
QString previewProgram();

// Replaces this process by "lovetest --preview -- FILE...": the tool itself
// never opens a window. Returns only when the program could not be started,
// with the reason.
QString launchPreview(const QStringList &files);

} // namespace lovetest::content
