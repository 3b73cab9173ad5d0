#include "connection.h"

#include "database_error.h"
#include "engine_handle.h"
#include "read_only_copy.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <sys/stat.h>

#include <sqlite3.h>

namespace lovetest {

namespace {

QString uniqueConnectionName(const QString &objectName)
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("lovetest-%1-%2").arg(objectName).arg(++counter);
}

// Points db at the existing file at path for reading and writing; mode=rw
// never creates it (the file may vanish between a check and the open).
void useFileForWriting(QSqlDatabase &db, const QString &path, const QString &moreOptions = {})
{
    QUrl uri = QUrl::fromLocalFile(path);
    uri.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI") + moreOptions);
}

// Device and inode of the file at path: what stays the same through renames
// of the folder's entries and changes for a file renamed over it.
std::optional<std::pair<quint64, quint64>> fileIdentity(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return std::pair<quint64, quint64>(quint64(info.st_dev), quint64(info.st_ino));
}

} // namespace

Connection::Connection(const QString &objectName, QObject *parent)
    : QObject(parent), m_connectionName(uniqueConnectionName(objectName))
{
    setObjectName(objectName);
}

Connection::~Connection()
{
    close();
    // The handle must be gone before the connection name is released.
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

namespace {

// The engine could not write for want of room: "database or disk is full",
// or the write error a file-size limit gives.
bool lacksRoom(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 13 /* SQLITE_FULL */ || code == 10 /* SQLITE_IOERR */;
}

} // namespace

void Connection::open(const QString &fileName)
{
    if (m_connected)
        return;
    m_fileName = fileName;
    const QString path = QDir::current().absoluteFilePath(fileName);
    // The engine would happily create a missing file; the program must not.
    if (!QFileInfo(path).isFile())
        throw DatabaseError(objectName(),
                            QStringLiteral("Cannot open database file \"%1\": no such file").arg(fileName));

    {
        QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
            ? QSqlDatabase::database(m_connectionName, false)
            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        // A file the program may not write is read into memory instead.
        const bool writable = databaseWritable(path);
        useFileForWriting(db, path);
        // Declared before the queries, so that they are gone when it runs.
        auto closeOnFailure = qScopeGuard([&db] { db.close(); });
        if (writable && !db.open())
            throw DatabaseError(objectName(), engineErrorText(db.lastError()));
        m_readOnly = !writable || openedReadOnly(db);
        m_readOnlyCause = ReadOnlyCause::NotWritable;
        if (m_readOnly) {
            db.close();
            const QString message = openInMemoryCopy(db, path);
            if (!message.isEmpty())
                throw DatabaseError(objectName(), message);
        }
        // A disk without room for the engine's journal still lets every test
        // be taken: the file is read into memory as a read-only one is.
        const auto fallBackToMemory = [&](QSqlQuery &failed) {
            if (m_readOnly || !lacksRoom(failed.lastError()))
                return false;
            failed = QSqlQuery();
            db.close();
            const QString message = openInMemoryCopy(db, path);
            if (!message.isEmpty())
                throw DatabaseError(objectName(), message);
            m_readOnly = true;
            m_readOnlyCause = ReadOnlyCause::DiskFull;
            return true;
        };
        // Opening is lazy: a file that is no database fails only here.
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && !fallBackToMemory(probe))
            throw DatabaseError(objectName(), engineErrorText(probe.lastError()));
        probe = QSqlQuery();
        // Write-ahead log with full sync: a commit is durable when it
        // returns (it survives a crash or power cut right after), for one
        // fdatasync of the log. Where the mode cannot be set (a read-only
        // file or folder) the engine stays in its rollback journal.
        QSqlQuery journal(db);
        if (!journal.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            fallBackToMemory(journal);
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=FULL"));
        closeOnFailure.dismiss();
    }
    m_connected = true;
    m_fileReplaced = false;
    m_path = path;
    m_identity = m_readOnly ? std::nullopt : fileIdentity(path);
}

void Connection::close()
{
    // The kept statements go before the handle.
    m_statements.clear();
    m_failedStatement = QSqlQuery();
    // The last chance for writes the disk had no room for.
    if (m_connected && holdsWrites())
        writeHeldBack();
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen()) {
            // Back to one self-contained file (fails harmlessly while another
            // program still has it open).
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        }
        db.close();
    }
    m_tables.clear();
    m_transactionDepth = 0;
    m_pending.clear();
    m_savepointMarks.clear();
    m_heldInMemory = false;
    m_held = HeldWrites();
    m_connected = false;
}

bool Connection::connected() const
{
    return m_connected;
}

QSqlDatabase Connection::db() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

} // namespace lovetest

namespace lovetest {

void Connection::failWith(const QSqlQuery &query) const
{
    throw DatabaseError(engineErrorText(query.lastError()));
}

bool Connection::holdInMemory(const std::vector<HeldWrite> &refused, const QSqlError &cause)
{
    if (m_readOnly || !lacksRoom(cause))
        return false;
    sqlite3 *handle = engineHandle(db());
    if (!handle)
        return false;
    // The refused commit may have been taken back by the engine already.
    if (!sqlite3_get_autocommit(handle))
        QSqlQuery(db()).exec(QStringLiteral("ROLLBACK"));
    // Every commit so far, as this connection sees the file (its log too),
    // becomes the connection's database in memory; the file stays as it is.
    sqlite3_int64 size = 0;
    unsigned char *image = sqlite3_serialize(handle, "main", &size, 0);
    if (!image)
        return false;
    // The image says "write-ahead log" (header bytes 18 and 19); in memory
    // there is none, and the engine would look for it.
    if (size > 19)
        image[18] = image[19] = 1;
    if (sqlite3_deserialize(handle, "main", image, size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) != SQLITE_OK)
        return false; // the engine freed the image
    m_readOnly = true;
    m_readOnlyCause = ReadOnlyCause::DiskFull;
    m_heldInMemory = true;
    m_identityAtMove = m_identity;
    m_identity.reset();
    m_lastWriteBack = QDateTime::currentMSecsSinceEpoch();
    QSqlDatabase memory = db();
    QString error;
    bool made = QSqlQuery(memory).exec(QStringLiteral("BEGIN"));
    for (const HeldWrite &write : refused) {
        if (made)
            made = makeWrite(memory, write, &error);
    }
    if (!made || !QSqlQuery(memory).exec(QStringLiteral("COMMIT"))) {
        QSqlQuery(memory).exec(QStringLiteral("ROLLBACK"));
        // In memory with what the file had: the refused commit is lost as
        // it would have been, and said as it would have been.
        emit writesHeldInMemory(engineErrorText(cause));
        return false;
    }
    m_held.append(refused);
    emit writesHeldInMemory(engineErrorText(cause));
    return true;
}

void Connection::noteWrite(HeldWrite write)
{
    if (m_transactionDepth > 0) {
        m_pending.push_back(std::move(write));
    } else if (m_heldInMemory) {
        m_held.append({std::move(write)});
        tryWriteBack();
    }
}

void Connection::tryWriteBack()
{
    // A full disk fails a write at once; trying now and then costs little.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!holdsWrites() || now - m_lastWriteBack < 5000)
        return;
    m_lastWriteBack = now;
    writeHeldBack();
}

QString Connection::writeHeldBack()
{
    if (!holdsWrites())
        return {};
    if (fileIdentity(m_path) != m_identityAtMove)
        return QStringLiteral("测试数据文件“%1”已被别的程序替换或移走").arg(QDir::toNativeSeparators(m_fileName));
    const QString name = m_connectionName + QStringLiteral("-write-back");
    QString error;
    {
        QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        useFileForWriting(file, m_path, QStringLiteral(";QSQLITE_BUSY_TIMEOUT=2000"));
        if (!file.open())
            error = engineErrorText(file.lastError());
        else
            error = m_held.writeTo(file);
        file.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (error.isEmpty())
        emit heldWritesStored();
    return error;
}

void Connection::ensureSameFile()
{
    if (!m_identity || !m_connected)
        return;
    if (!m_fileReplaced && fileIdentity(m_path) == m_identity)
        return;
    if (!m_fileReplaced) {
        m_fileReplaced = true;
        // The commits so far go into the file the engine has open, and the
        // log at the path is left empty for the file that is there now.
        QSqlQuery(db()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    throw DatabaseError(QStringLiteral("测试数据文件“%1”已被别的程序替换或移走。为了不损坏现在的文件，程序不再写入它，"
                                       "这次的修改没有保存。请重新启动程序。")
                            .arg(QDir::toNativeSeparators(m_fileName)));
}

const Connection::TableInfo &Connection::tableInfo(const QString &table)
{
    auto found = m_tables.constFind(table);
    if (found != m_tables.constEnd())
        return *found;
    TableInfo info;
    QSqlQuery query(db());
    int keys = 0;
    QString integerKey;
    if (query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoteSqlIdentifier(table)))) {
        while (query.next()) {
            info.columns.append(query.value(1).toString());
            if (query.value(5).toInt() > 0) {
                ++keys;
                if (query.value(2).toString().compare(QStringLiteral("INTEGER"), Qt::CaseInsensitive) == 0)
                    integerKey = query.value(1).toString();
            }
        }
    }
    if (keys == 1)
        info.rowidAlias = integerKey;
    info.selectRow = QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?")
                         .arg(storedRowSelectList(info.columns), quoteSqlIdentifier(table));
    return *m_tables.insert(table, info);
}

// Keeps the row as it stands now (before a write) for datasets that have not
// read it yet.
void Connection::logRow(const QString &table, qint64 rowid, bool existsNow)
{
    RowChange change;
    change.seq = m_nextSeq++;
    change.table = table;
    change.existed = false;
    change.before.rowid = rowid;
    if (existsNow) {
        const TableInfo &info = tableInfo(table);
        if (QSqlQuery *read = statement(info.selectRow)) {
            read->bindValue(0, rowid);
            if (read->exec() && read->next()) {
                change.before = readStoredRow(*read, int(info.columns.size()));
                change.existed = true;
            }
            read->finish();
        }
    }
    m_changes.push_back(std::move(change));
}

qint64 Connection::insertRow(const QString &table, const QStringList &columns, const QList<QVariant> &values)
{
    QString sql;
    if (columns.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteSqlIdentifier(table));
    } else {
        QStringList names;
        for (const QString &column : columns)
            names.append(quoteSqlIdentifier(column));
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteSqlIdentifier(table), names.join(QStringLiteral(", ")),
                       QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    }
    if (m_transactionDepth == 0)
        ensureSameFile();
    QSqlQuery &query = preparedStatement(sql);
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!execWrite(query))
        failWith(query);
    const qint64 rowid = query.lastInsertId().toLongLong();
    query.finish();
    logRow(table, rowid, false);
    noteWrite({HeldWrite::Insert, table, rowid, columns, values});
    countWrite();
    return rowid;
}

bool Connection::updateRow(const QString &table, qint64 rowid, const QStringList &columns,
                           const QList<QVariant> &values)
{
    if (m_transactionDepth == 0)
        ensureSameFile();
    QStringList assignments;
    for (const QString &column : columns)
        assignments.append(quoteSqlIdentifier(column) + QStringLiteral("=?"));
    logRow(table, rowid, true);
    // The logged state goes again unless the write lands.
    auto unlog = qScopeGuard([this] { m_changes.pop_back(); });
    QSqlQuery *prepared = statement(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
                                        .arg(quoteSqlIdentifier(table), assignments.join(QStringLiteral(", "))));
    if (!prepared)
        failWith(m_failedStatement);
    QSqlQuery &query = *prepared;
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    query.bindValue(int(values.size()), rowid);
    if (!execWrite(query))
        failWith(query);
    const int affected = query.numRowsAffected();
    query.finish();
    if (affected == 0)
        return false;
    unlog.dismiss();
    noteWrite({HeldWrite::Update, table, rowid, columns, values});
    // A write to the rowid's own column (an INTEGER PRIMARY KEY) moves the
    // row: its new rowid is a row no earlier reader had.
    const QString &alias = tableInfo(table).rowidAlias;
    const qsizetype written = alias.isEmpty() ? -1 : columns.indexOf(alias);
    if (written >= 0 && values[written].toLongLong() != rowid) {
        RowChange change;
        change.seq = m_nextSeq++;
        change.table = table;
        change.before.rowid = values[written].toLongLong();
        m_changes.push_back(std::move(change));
    }
    countWrite();
    return true;
}

void Connection::deleteRow(const QString &table, qint64 rowid)
{
    if (m_transactionDepth == 0)
        ensureSameFile();
    logRow(table, rowid, true);
    auto unlog = qScopeGuard([this] { m_changes.pop_back(); });
    QSqlQuery *prepared = statement(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoteSqlIdentifier(table)));
    if (!prepared)
        failWith(m_failedStatement);
    prepared->bindValue(0, rowid);
    if (!execWrite(*prepared))
        failWith(*prepared);
    prepared->finish();
    unlog.dismiss();
    noteWrite({HeldWrite::Delete, table, rowid, {}, {}});
    countWrite();
}

// The engine compiles each write's statement once per connection; every
// step writes the same few.
QSqlQuery *Connection::statement(const QString &sql)
{
    auto found = m_statements.find(sql);
    if (found != m_statements.end())
        return &found->second;
    QSqlQuery query(db());
    if (!query.prepare(sql)) {
        m_failedStatement = std::move(query);
        return nullptr;
    }
    return &m_statements.emplace(sql, std::move(query)).first->second;
}

QSqlQuery &Connection::preparedStatement(const QString &sql)
{
    QSqlQuery *query = statement(sql);
    if (!query)
        failWith(m_failedStatement);
    return *query;
}

bool Connection::execWrite(QSqlQuery &query)
{
    if (query.exec())
        return true;
    // A write of its own (its own commit) the disk had no room for is made
    // again in the in-memory copy.
    if (m_transactionDepth > 0 || !holdInMemory({}, query.lastError()))
        return false;
    return query.exec();
}

void Connection::countWrite()
{
    // Outside a transaction each write is its own commit.
    if (m_transactionDepth == 0)
        ++m_commits;
}

} // namespace lovetest

namespace lovetest {

namespace {

QString savepointName(int level)
{
    return QStringLiteral("lovetest_%1").arg(level);
}

} // namespace

Connection::Transaction::Transaction(Connection &connection) : m_connection(connection)
{
    if (!connection.connected())
        return;
    const int level = connection.m_transactionDepth;
    if (level == 0)
        connection.ensureSameFile();
    QSqlQuery query(connection.db());
    // IMMEDIATE takes the write lock at once: a step either gets the whole
    // file or fails before it writes anything.
    if (!query.exec(level == 0 ? QStringLiteral("BEGIN IMMEDIATE")
                               : QStringLiteral("SAVEPOINT ") + savepointName(level)))
        connection.failWith(query);
    if (level == 0)
        connection.m_pending.clear();
    else
        connection.m_savepointMarks.push_back(connection.m_pending.size());
    m_level = level;
    ++connection.m_transactionDepth;
}

Connection::Transaction::~Transaction()
{
    if (m_level < 0)
        return;
    // Never raises: it runs while an error unwinds the step.
    QSqlQuery query(m_connection.db());
    if (m_level == 0) {
        query.exec(QStringLiteral("ROLLBACK"));
        m_connection.m_pending.clear();
    } else {
        query.exec(QStringLiteral("ROLLBACK TO ") + savepointName(m_level));
        query.exec(QStringLiteral("RELEASE ") + savepointName(m_level));
        if (!m_connection.m_savepointMarks.empty()) {
            m_connection.m_pending.resize(m_connection.m_savepointMarks.back());
            m_connection.m_savepointMarks.pop_back();
        }
    }
    m_connection.m_transactionDepth = m_level;
}

void Connection::Transaction::commit()
{
    if (m_level < 0)
        return;
    QSqlQuery query(m_connection.db());
    if (!query.exec(m_level == 0 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + savepointName(m_level))) {
        // A commit the disk has no room for is made in memory instead.
        std::vector<HeldWrite> refused = m_level == 0 ? std::move(m_connection.m_pending) : std::vector<HeldWrite>();
        m_connection.m_pending.clear();
        if (m_level != 0 || !m_connection.holdInMemory(refused, query.lastError()))
            m_connection.failWith(query);
        ++m_connection.m_commits;
        m_connection.m_transactionDepth = 0;
        m_level = -1;
        return;
    }
    if (m_level == 0) {
        ++m_connection.m_commits;
        if (m_connection.m_heldInMemory) {
            m_connection.m_held.append(std::move(m_connection.m_pending));
            m_connection.tryWriteBack();
        }
        m_connection.m_pending.clear();
    } else if (!m_connection.m_savepointMarks.empty()) {
        m_connection.m_savepointMarks.pop_back();
    }
    m_connection.m_transactionDepth = m_level;
    m_level = -1;
}

} // namespace lovetest
