#include "tools/partial_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "tools/content_model.h"

namespace lovetest::content {

namespace {

// The path the signal handler removes: a fixed buffer, since a handler may
// not allocate.
char g_partialPath[4096];
std::atomic<bool> g_partialSet{false};

void removeAndRaise(int signal)
{
    if (g_partialSet.load()) {
        ::unlink(g_partialPath);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

QString journalOf(const QString &path)
{
    return path + QStringLiteral("-journal");
}

[[noreturn]] void fail(const QString &target, const QString &what)
{
    throw ContentError(QStringLiteral("%1: %2").arg(target, what).toStdString());
}

} // namespace

PartialFile::PartialFile(const QString &target) : m_target(target)
{
    const QFileInfo info(target);
    m_path = info.absoluteDir().filePath(info.fileName() + QStringLiteral(".part-%1").arg(::getpid()));
    removeLeftovers(target);
    // A file under our own process id can only be the leftover of an earlier
    // process that had the same id.
    QFile::remove(m_path);
    QFile::remove(journalOf(m_path));
    const QByteArray native = QFile::encodeName(m_path);
    const int fd = ::open(native.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int error = errno;
        fail(target,
             QStringLiteral("cannot write a new file in %1: %2")
                 .arg(QDir::toNativeSeparators(info.absolutePath()), QString::fromLocal8Bit(std::strerror(error))));
    }
    ::close(fd);
    if (size_t(native.size()) < sizeof g_partialPath) {
        std::memcpy(g_partialPath, native.constData(), size_t(native.size()) + 1);
        g_partialSet.store(true);
    }
}

PartialFile::~PartialFile()
{
    g_partialSet.store(false);
    if (!m_committed) {
        QFile::remove(m_path);
        QFile::remove(journalOf(m_path));
    }
}

void PartialFile::commit()
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(m_path).toStdString(),
                            QFile::encodeName(QFileInfo(m_target).absoluteFilePath()).toStdString(), error);
    if (error)
        fail(m_target, QString::fromStdString(error.message()));
    m_committed = true;
    g_partialSet.store(false);
}

void PartialFile::removeOnSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, removeAndRaise);
}

void PartialFile::removeLeftovers(const QString &target)
{
    const QFileInfo info(target);
    const QString prefix = info.fileName() + QStringLiteral(".part-");
    const QDir dir = info.absoluteDir();
    for (const QString &name : dir.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        QString pidText = name.mid(prefix.size());
        pidText.remove(QStringLiteral("-journal"));
        bool ok = false;
        const pid_t pid = pid_t(pidText.toLongLong(&ok));
        // A process that no longer exists cannot finish its build.
        if (ok && pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            QFile::remove(dir.filePath(name));
    }
}

} // namespace lovetest::content
