#pragma once
#include <QStringList>

class QIODevice;
class QTextStream;

namespace lovetest::content {

// Exit statuses of the authoring tool.
enum ExitStatus { ExitOk = 0, ExitContentError = 1, ExitUsage = 2 };

// Runs one command of lovetest-content. args excludes the program name.
int runTool(const QStringList &args, QIODevice &in, QTextStream &out, QTextStream &err);

} // namespace lovetest::content
