#pragma once
#include <functional>

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

// Texts are kept with "\n" line breaks in the content format and with CR LF
// in the database, as the program shows and reports them.
QString toStoredText(const QString &text);
QString fromStoredText(const QString &text);

// Writes a new database with every sealed field sealed with the program's
// data key, and the indexes that let a test's rows be found without a scan.
// Refuses an existing file unless overwrite; writes to a partial file renamed
// into place, so a failed build leaves nothing behind.
void buildDatabase(const Content &content, const QString &path, bool overwrite);

// Reads every catalog entry of a database back, every sealed field unsealed,
// handing each to sink as it is read (one pass over each table; memory
// follows the largest test, not the catalog). Notes on rows that cannot be
// written back as they are go to warn. A file that is no readable test
// database is a ContentError saying what is wrong with it.
void exportDatabase(const QString &path, const std::function<void(const Test &)> &sink,
                    const std::function<void(const QString &)> &warn = {});
Content loadDatabase(const QString &path);

// Rows of a database that belong to no catalog entry: question rows whose
// Parent and verdict rows whose lbid names none (left by deleting entries in
// the window). They are warnings; export leaves them out.
QList<Problem> checkDatabaseRows(const QString &path);

// Whether the file starts as an SQLite database does.
bool looksLikeDatabase(const QString &path);

} // namespace lovetest::content
