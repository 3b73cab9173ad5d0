#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QVariantList>

#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace lovetest::testing {

// The bytes of a file, for checking that something left it untouched.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The schema and every row of every table in stored order, each value with
// the type the engine holds it in.
QStringList contents(const QSqlDatabase &db);
// The same of the file at path, read through a connection of its own that
// only reads; empty when it does not open as a database.
QStringList fileContents(const QString &path);

// A fresh test database file "date.mdb" in a temporary directory, which is
// the current directory while the fixture lives. Rows are written through a
// connection of the fixture's own, so the file can be inspected
// independently of the datasets under test.
class DatabaseFile {
public:
    // withSchema false: an empty directory without date.mdb.
    explicit DatabaseFile(bool withSchema = true);
    ~DatabaseFile();

    QString dir() const { return m_dir.path(); }
    QString path() const { return m_dir.filePath(QStringLiteral("date.mdb")); }

    void exec(const QString &sql, const QVariantList &values = {});
    // The first column of the first row of a query (invalid when none).
    QVariant scalar(const QString &sql, const QVariantList &values = {});

    // A row of 量表.
    void addItem(int id, const QVariant &parent, const QString &name, bool catalog, const QVariant &score = {},
                 const QVariant &factor = {});
    // A row of 结果.
    void addVerdict(int lbid, int category, const QString &thresholds, const QString &verdicts);

    // A small catalog: 1 folder, 2 test (under 1), 3 test (own row), questions
    // 10, 11 of test 2 and 12 of test 3; verdict rows for tests 2 and 3; one
    // row of 说明.
    void fillSample();

private:
    QSqlDatabase db() const;
    QTemporaryDir m_dir;
    QString m_previousDir;
    QString m_connectionName;
};

} // namespace lovetest::testing
