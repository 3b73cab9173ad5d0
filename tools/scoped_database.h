#pragma once
#include <QSqlDatabase>
#include <QString>

class QSqlError;
class QSqlQuery;

namespace lovetest::content {

// One SQLite connection for the life of a scope, under a unique name.
class ScopedDatabase {
public:
    // Opens path; a failure is a ContentError naming shownName.
    ScopedDatabase(const QString &path, const QString &shownName, bool readOnly);
    ~ScopedDatabase();
    ScopedDatabase(const ScopedDatabase &) = delete;
    ScopedDatabase &operator=(const ScopedDatabase &) = delete;

    QSqlDatabase db() const;

    // SQLite's own words ("database is locked", "file is not a database")
    // rather than the driver's "Unable to fetch row".
    static QString reason(const QSqlError &error);

private:
    QString m_name;
};

// What is wrong with the database file at path, from the engine's words, as
// every command says it: "PATH: the file is damaged (database disk image is
// malformed)", "PATH is not a test database: no table 量表". Names of the
// program's own objects ("catalog: ") never reach the user.
QString databaseTrouble(const QString &path, const QString &engineWords);

// Runs a prepared query; a failure is a ContentError "what: reason".
void exec(QSqlQuery &query, const QString &what);

} // namespace lovetest::content
