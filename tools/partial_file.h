#pragma once
#include <QString>

namespace lovetest::content {

// The file a build writes before it is renamed into place as OUT. It is
// named OUT.part-PID, so a later build can tell the leftover of a killed
// build (its process is gone) from one still running and remove it; it is
// removed when the build fails, and on SIGINT, SIGTERM and SIGHUP once
// removeOnSignals() is installed.
class PartialFile {
public:
    explicit PartialFile(const QString &target);
    ~PartialFile();
    PartialFile(const PartialFile &) = delete;
    PartialFile &operator=(const PartialFile &) = delete;

    const QString &path() const { return m_path; }
    // Renames the finished file to the target; afterwards nothing is removed.
    void commit();

    // Installs the signal handlers that remove the partial file of a build
    // in progress. Called once by the tool's main.
    static void removeOnSignals();
    // Removes leftovers of builds of target whose process no longer runs.
    static void removeLeftovers(const QString &target);

private:
    QString m_target;
    QString m_path;
    bool m_committed = false;
};

} // namespace lovetest::content
