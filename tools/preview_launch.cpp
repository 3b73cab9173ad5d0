#include "tools/preview_launch.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace lovetest::content {

QString previewProgram()
{
    const QString here = QCoreApplication::applicationDirPath();
    // Installed, the two programs share a folder; built, they are siblings.
    for (const QString &candidate : {here + QStringLiteral("/lovetest"), here + QStringLiteral("/../shell/lovetest")}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return {};
}

QString launchPreview(const QStringList &files)
{
    const QString program = previewProgram();
    if (program.isEmpty())
        return QStringLiteral("the program lovetest was not found beside lovetest-content in %1")
            .arg(QCoreApplication::applicationDirPath());
    QList<QByteArray> args{QFile::encodeName(program), QByteArrayLiteral("--preview"), QByteArrayLiteral("--")};
    for (const QString &file : files)
        args << QFile::encodeName(file);
    std::vector<char *> argv;
    for (QByteArray &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(argv.front(), argv.data());
    return QStringLiteral("%1 could not be started: %2").arg(program, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace lovetest::content
