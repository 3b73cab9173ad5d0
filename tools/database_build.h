#pragma once
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include "tools/content_model.h"

namespace lovetest::content {

// Ids of the rows an entry takes in table 量表: the entry's own row, then one
// row per question.
struct TestRows {
    qint64 testId = 0;
    QList<qint64> questionIds;
};

// Gives every entry without an id the next free one, and every question the
// next id after its test that no entry uses, all within kMinId … kMaxId.
// Duplicate ids, and running out of ids, are errors.
QList<TestRows> assignIds(const Content &content);

// Writes the rows of every entry of content (its catalog row, question rows
// and verdict rows), every sealed field sealed, under the ids given, into a
// database that has the tables already.
void insertEntries(QSqlDatabase db, const Content &content, const QList<TestRows> &ids);

// What a build may do to a file that exists already.
struct BuildTarget {
    bool replace = false;
    // The program keeps its users' test history (table 记录) in the database
    // file; a rebuild would lose it, so a file holding any is replaced only
    // when this is set too.
    bool dropHistory = false;
    // The replaced file is first copied to FILE.bak, replacing an older one.
    bool keepBackup = false;
};

// The path the previous file is kept under.
QString backupPath(const QString &path);

// Writes a new database with every sealed field sealed with the program's
// data key, and the indexes that let a test's rows be found without a scan.
// Refuses an existing file unless target allows it; writes to a partial file
// renamed into place, so a failed build leaves nothing behind. Returns
// whether a previous file was kept as backupPath(path).
bool buildDatabase(const Content &content, const QString &path, const BuildTarget &target = {});

} // namespace lovetest::content
