#pragma once
#include <QString>

#include "tools/content_model.h"

namespace lovetest::content {

// Ids of the rows a test takes in table 量表: the test's own row, then one
// row per question.
struct TestRows {
    qint64 testId = 0;
    QList<qint64> questionIds;
};

// Gives every test without an id the next free one, and every question the
// next id after its test that no test uses. Duplicate test ids are an error.
QList<TestRows> assignIds(const Content &content);

// Texts are kept with "\n" line breaks in the content format and with CR LF
// in the database, as the program shows and reports them.
QString toStoredText(const QString &text);
QString fromStoredText(const QString &text);

// Writes a new database with every sealed field sealed with the program's
// data key. Refuses an existing file unless overwrite; writes to a temporary
// file renamed into place, so a failed build leaves nothing behind.
void buildDatabase(const Content &content, const QString &path, bool overwrite);

// Reads the tests of a database back, every sealed field unsealed.
Content loadDatabase(const QString &path);

} // namespace lovetest::content
