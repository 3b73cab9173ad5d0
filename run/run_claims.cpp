#include "run/run_claims.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace lovetest {

namespace {

// Lock files go to the user's runtime folder, not beside the database: the
// database's folder may be read-only or shared, and stays free of clutter.
QString lockFolder()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isWritable())
        folder = QDir::tempPath();
    return folder;
}

} // namespace

RunClaims::RunClaims(const QString &databaseFile)
{
    // Every spelling of the file's path names the same claims.
    const QFileInfo info(databaseFile);
    const QString path = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray key = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
    m_prefix = lockFolder() + QStringLiteral("/lovetest-run-") + QString::fromLatin1(key) + QLatin1Char('-');
}

RunClaims::~RunClaims() = default;

QString RunClaims::lockPath(qint64 record) const
{
    return m_prefix + QString::number(record) + QStringLiteral(".lock");
}

bool RunClaims::claim(qint64 record)
{
    if (m_held.count(record))
        return true;
    auto lock = std::make_unique<QLockFile>(lockPath(record));
    // Never stale by age: a run may be answered for hours.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        // Held by a running copy, or not to be made at all (no room, no
        // folder): only the first keeps the run from this copy.
        return lock->error() != QLockFile::LockFailedError;
    }
    m_held.emplace(record, std::move(lock));
    return true;
}

void RunClaims::release(qint64 record)
{
    m_held.erase(record);
}

} // namespace lovetest
