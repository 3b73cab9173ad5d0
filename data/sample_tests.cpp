#include "data/sample_tests.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "data/connection.h"
#include "data/database_error.h"
#include "data/entry_rows.h"

#include <vector>

namespace lovetest {

namespace {

// The sample file, opened for reading under a name of its own for as long
// as the object lives.
class SampleFile {
public:
    explicit SampleFile(const QString &path)
        : m_name(QStringLiteral("lovetest-samples-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            const QString reason = engineErrorText(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            throw DatabaseError(reason);
        }
    }
    ~SampleFile() { QSqlDatabase::removeDatabase(m_name); }
    SampleFile(const SampleFile &) = delete;
    SampleFile &operator=(const SampleFile &) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

struct CatalogEntry {
    qint64 id = 0;
    qint64 parent = 0;
    bool hasParent = false;
    QString name;
};

std::vector<CatalogEntry> readCatalog(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT \"ID\", \"Parent\", \"Name\" FROM \"量表\" WHERE \"目录\"=1 ORDER BY rowid")))
        throw DatabaseError(engineErrorText(query.lastError()));
    std::vector<CatalogEntry> entries;
    while (query.next()) {
        entries.push_back({query.value(0).toLongLong(), query.value(1).toLongLong(), !query.value(1).isNull(),
                           query.value(2).toString()});
    }
    return entries;
}

void append(EntryRows::Table &to, const EntryRows::Table &from)
{
    if (to.columns.isEmpty()) {
        to.name = from.name;
        to.columns = from.columns;
    }
    to.rowids.insert(to.rowids.end(), from.rowids.begin(), from.rowids.end());
    to.rows.insert(to.rows.end(), from.rows.begin(), from.rows.end());
}

} // namespace

RestoredSamples restoreMissingSamples(Connection &connection, const QString &sampleFile)
{
    const SampleFile sample(sampleFile);
    const QSqlDatabase samples = sample.db();
    const QSqlDatabase file = connection.db();

    const std::vector<CatalogEntry> catalog = readCatalog(samples);
    QHash<qint64, const CatalogEntry *> byId;
    QList<qint64> ids;
    for (const CatalogEntry &entry : catalog) {
        byId.insert(entry.id, &entry);
        ids.append(entry.id);
    }
    const QList<qint64> testList = testsAmong(samples, ids);
    const QSet<qint64> tests(testList.begin(), testList.end());
    const QList<qint64> presentList = idsInUse(file, ids);
    QSet<qint64> present(presentList.begin(), presentList.end());

    RestoredSamples result;
    Connection::Transaction transaction(connection);
    for (const CatalogEntry &entry : catalog) {
        if (!tests.contains(entry.id) || present.contains(entry.id))
            continue;
        const EntryRows wanted = readEntryRows(samples, {entry.id});
        // Rows the test left behind under its id make way for the sample's;
        // a question id held by any other row keeps the test out.
        const EntryRows leftBehind = readEntryRows(file, {entry.id});
        const QSet<qint64> ownRows(leftBehind.questions.rowids.begin(), leftBehind.questions.rowids.end());
        const QList<qint64> questionIds(wanted.questions.rowids.begin(), wanted.questions.rowids.end());
        bool blocked = false;
        for (const qint64 id : idsInUse(file, questionIds))
            blocked = blocked || !ownRows.contains(id);
        if (blocked) {
            result.blocked.append(entry.name);
            continue;
        }
        // The folders on the way that are missing too, the outermost first.
        QList<qint64> folders;
        const CatalogEntry *at = entry.hasParent && entry.parent != entry.id ? byId.value(entry.parent) : nullptr;
        while (at && !present.contains(at->id) && !folders.contains(at->id)) {
            folders.prepend(at->id);
            at = at->hasParent && at->parent != at->id ? byId.value(at->parent) : nullptr;
        }
        EntryRows rows;
        if (!folders.isEmpty())
            rows = readEntryRows(samples, folders);
        append(rows.catalog, wanted.catalog);
        append(rows.questions, wanted.questions);
        append(rows.verdicts, wanted.verdicts);
        removeEntryContent(connection, leftBehind);
        writeEntryRows(connection, rows);
        for (const qint64 folder : std::as_const(folders))
            present.insert(folder);
        present.insert(entry.id);
        result.restored.append(entry.name);
        if (result.firstRestored == 0)
            result.firstRestored = entry.id;
    }
    transaction.commit();
    return result;
}

} // namespace lovetest
