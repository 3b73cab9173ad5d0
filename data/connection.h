#pragma once
#include <QObject>
#include <QSqlDatabase>
#include <QString>

namespace lovetest {

// The connection to the test database file (the ADOConnection1 role).
//
// The file is an SQLite database. open() looks the file name up relative to
// the current directory, opens it for reading and writing and never creates
// it: a missing file raises DatabaseError
//   "ADOConnection1: Cannot open database file \"date.mdb\": no such file".
// Other programs may use the file at the same time.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(const QString &objectName, QObject *parent = nullptr);
    ~Connection() override;

    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Connects to fileName unless already connected (then does nothing).
    // Raises DatabaseError named after this object on failure and stays
    // disconnected.
    void open(const QString &fileName = QStringLiteral("date.mdb"));
    void close();
    bool connected() const;

    // The file name given to the last open() (as given, not made absolute).
    QString fileName() const { return m_fileName; }
    // The engine handle; valid while connected.
    QSqlDatabase db() const;
    // The unique QtSql connection name used by this object.
    QString connectionName() const { return m_connectionName; }

private:
    QString m_connectionName;
    QString m_fileName = QStringLiteral("date.mdb");
    bool m_connected = false;
};

} // namespace lovetest
