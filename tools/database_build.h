#pragma once
#include <QList>
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

// Writes a new database with every sealed field sealed with the program's
// data key, and the indexes that let a test's rows be found without a scan.
// Refuses an existing file unless overwrite; writes to a partial file renamed
// into place, so a failed build leaves nothing behind.
void buildDatabase(const Content &content, const QString &path, bool overwrite);

} // namespace lovetest::content
