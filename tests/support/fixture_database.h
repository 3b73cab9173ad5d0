#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

namespace lovetest::testing {

// A test database built from content JSON in a temporary folder of its own,
// with a side connection for looking at (and tampering with) the file.
class FixtureDatabase {
public:
    explicit FixtureDatabase(const QByteArray &contentJson);
    ~FixtureDatabase();

    QString path() const { return m_path; }
    // Runs one statement on the file; fails the test on error.
    void exec(const QString &sql);
    // The first column of the first row of a query on the file.
    QVariant scalar(const QString &sql);

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_connection;
};

} // namespace lovetest::testing
