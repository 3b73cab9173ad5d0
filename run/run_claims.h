#pragma once
#include <map>
#include <memory>

#include <QString>

class QLockFile;

namespace lovetest {

// The runs under way this copy of the program owns. Two copies may share one
// database file; a run under way belongs to the copy that runs it, and the
// other neither offers nor drops it. Each claim is a lock file naming this
// process: the system's process table vouches for it, so the claim of a copy
// that died (killed, crashed) is stale and taken over.
class RunClaims {
public:
    explicit RunClaims(const QString &databaseFile);
    ~RunClaims();
    RunClaims(const RunClaims &) = delete;
    RunClaims &operator=(const RunClaims &) = delete;

    // Claims record for this copy (true when it already holds it); false
    // while another running copy holds it.
    bool claim(qint64 record);
    void release(qint64 record);

private:
    QString lockPath(qint64 record) const;

    QString m_prefix; // folder and name stem shared by every copy on the file
    std::map<qint64, std::unique_ptr<QLockFile>> m_held;
};

} // namespace lovetest
