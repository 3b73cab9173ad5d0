#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

#include "tests/support/side_connection.h"

namespace lovetest::testing {

// A test database built from content JSON in a temporary folder of its own,
// with a side connection for looking at (and tampering with) the file.
class FixtureDatabase {
public:
    explicit FixtureDatabase(const QByteArray &contentJson);

    QString path() const { return m_path; }
    // Runs one statement on the file; fails the test on error.
    void exec(const QString &sql) { m_side->exec(sql); }
    // The first column of the first row of a query on the file.
    QVariant scalar(const QString &sql) { return m_side->scalar(sql); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<SideConnection> m_side;
};

} // namespace lovetest::testing
