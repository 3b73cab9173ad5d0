#include "tools/scoped_database.h"

#include <QRegularExpression>

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include "data/database_error.h"
#include "tools/content_model.h"

namespace lovetest::content {

namespace {

// Opening is lazy: the log and its shared memory are opened by the first
// read. False only when that read fails for want of them; any other failure
// is left to the caller's own query and message.
bool readableThroughLog(const QSqlDatabase &db)
{
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return true;
    const int code = probe.lastError().nativeErrorCode().toInt() & 0xff;
    return code != 8 /* SQLITE_READONLY */ && code != 14 /* SQLITE_CANTOPEN */;
}

} // namespace

ScopedDatabase::ScopedDatabase(const QString &path, const QString &shownName, bool readOnly)
    : m_name(QStringLiteral("lovetest-content-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    if (readOnly)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        throw ContentError(QStringLiteral("%1: %2").arg(shownName, reason(db.lastError())).toStdString());
    if (readOnly && !readableThroughLog(db)) {
        // A write-ahead log in a folder nobody may write has no shared memory
        // to be read through: read the file as it stands on disk.
        db.close();
        QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        uri.setQuery(QStringLiteral("immutable=1"));
        db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        if (!db.open())
            throw ContentError(QStringLiteral("%1: %2").arg(shownName, reason(db.lastError())).toStdString());
    }
}

ScopedDatabase::~ScopedDatabase()
{
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase ScopedDatabase::db() const
{
    return QSqlDatabase::database(m_name, false);
}

QString ScopedDatabase::reason(const QSqlError &error)
{
    const QString text = engineErrorText(error);
    if (text.contains(QLatin1String("locked")))
        return text + QStringLiteral(" (another program is writing it; try again when it has finished)");
    return text;
}

QString databaseTrouble(const QString &path, const QString &engineWords)
{
    QString words = engineWords;
    // "questions: no such table: 量表" from the program's data layer.
    static const QRegularExpression objectName(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*: "));
    words.remove(objectName);
    if (words.contains(QLatin1String("malformed")))
        return QStringLiteral("%1: the file is damaged (%2)").arg(path, words);
    if (words.contains(QLatin1String("file is not a database")))
        return QStringLiteral("%1 is not a test database: it is no SQLite database file").arg(path);
    if (words.startsWith(QLatin1String("no such table: ")))
        return QStringLiteral("%1 is not a test database: no table %2").arg(path, words.mid(15));
    if (words.contains(QLatin1String("locked")))
        return QStringLiteral("%1: %2 (another program is writing it; try again when it has finished)")
            .arg(path, words);
    return QStringLiteral("%1 cannot be read: %2").arg(path, words);
}

void exec(QSqlQuery &query, const QString &what)
{
    if (!query.exec())
        throw ContentError(QStringLiteral("%1: %2").arg(what, ScopedDatabase::reason(query.lastError())).toStdString());
}

} // namespace lovetest::content
