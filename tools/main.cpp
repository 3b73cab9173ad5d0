#include <cstdio>

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include "tools/cli.h"
#include "tools/partial_file.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    lovetest::content::PartialFile::removeOnSignals();
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return lovetest::content::ExitContentError;
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = lovetest::content::runTool(app.arguments().mid(1), in, out, err);
    out.flush();
    err.flush();
    return status;
}
