#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace lovetest::testing {

// A connection of the test's own to a database file, beside the program's:
// for looking at the file and for tampering with it. Failures fail the test.
class SideConnection {
public:
    explicit SideConnection(const QString &path);
    ~SideConnection();
    SideConnection(const SideConnection &) = delete;
    SideConnection &operator=(const SideConnection &) = delete;

    QSqlDatabase database() const;
    void exec(const QString &sql);
    // The first column of the first row; QVariant() when there is no row.
    QVariant scalar(const QString &sql);
    // The first column of every row, in order.
    QVariantList column(const QString &sql);

private:
    QString m_name;
};

} // namespace lovetest::testing
