#pragma once
// What the fuzz targets share: one Qt application object for the SQL driver
// and one scratch folder per process.
#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

namespace lovetest::fuzz {

inline void startApplication()
{
    static int argc = 1;
    static char name[] = "lovetest-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

inline const QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

inline QString scratchFile(const QString &name)
{
    return scratch().filePath(name);
}

} // namespace lovetest::fuzz
