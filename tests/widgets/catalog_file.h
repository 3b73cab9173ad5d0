#pragma once
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>
#include <ostream>

#include "data/test_database.h"
#include "tests/support/side_connection.h"

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace lovetest::testing {

// One catalog row of 量表.
struct CatalogRow {
    QVariant id;
    QVariant parent;
    QString name;
    QString remarks = {};
};

// A test database file holding the given catalog rows (目录 = 1), with a
// side connection for looking at the file.
class CatalogFile {
public:
    // nullableKeys: ID is a plain column, so a row may have a null ID.
    explicit CatalogFile(const QList<CatalogRow> &rows, bool nullableKeys = false);

    QString path() const { return m_dir.filePath(QStringLiteral("date.mdb")); }
    void exec(const QString &sql) { m_side.exec(sql); }
    QVariant scalar(const QString &sql) { return m_side.scalar(sql); }
    // Deleted catalog IDs in the order the file saw them.
    QList<qint64> deletionLog();

    // The program's data objects opened on this file.
    std::unique_ptr<TestDatabase> open();

private:
    QTemporaryDir m_dir;
    SideConnection m_side{path()};
};

} // namespace lovetest::testing
