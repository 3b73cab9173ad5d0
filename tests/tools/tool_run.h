#pragma once
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTextStream>

#include "tools/cli.h"

namespace lovetest::content::testing {

// One command of the tool, run in-process with its output captured.
struct ToolRun {
    int status;
    QString out;
    QString err;
};

inline ToolRun tool(const QStringList &args, const QByteArray &input = {})
{
    QByteArray inBytes = input;
    QBuffer in(&inBytes);
    in.open(QIODevice::ReadOnly);
    ToolRun run{0, {}, {}};
    QTextStream out(&run.out), err(&run.err);
    run.status = runTool(args, in, out, err);
    out.flush();
    err.flush();
    return run;
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace lovetest::content::testing
