#pragma once
#include <memory>

#include <QList>
#include <QString>
#include <QStringList>

#include "tools/content_model.h"

class QTemporaryDir;

namespace lovetest::content {

// Whether a path is meant as a database: an SQLite file by its first bytes,
// a name ending in .mdb, or something that is no regular file (so that the
// database reader names what is wrong with it).
bool meantAsDatabase(const QString &path);

// The entries as a database built from them holds them: each with the id the
// build gives it. Content whose ids a build refuses is left as it is (its
// check names the mistake).
Content asBuilt(const Content &content);

// The database a command reads: one database file as it is, or content files
// read, checked as a build checks them and, without errors, built into a
// private temporary file (in the system's temporary folder, never beside the
// user's files) that goes with this object.
class DatabaseInput {
public:
    explicit DatabaseInput(const QStringList &paths);
    ~DatabaseInput();
    DatabaseInput(const DatabaseInput &) = delete;
    DatabaseInput &operator=(const DatabaseInput &) = delete;

    // The problems of the content files; none for a database.
    const QList<Problem> &problems() const { return m_problems; }
    // The database to read; empty when the content has errors.
    const QString &path() const { return m_path; }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<Problem> m_problems;
    QString m_path;
};

} // namespace lovetest::content
