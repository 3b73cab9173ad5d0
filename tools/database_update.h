#pragma once
#include <QList>
#include <QString>

#include "tools/content_model.h"

namespace lovetest::content {

// One entry of the content an update writes: replaced when the database held
// a catalog entry with its id, added otherwise.
struct EntryChange {
    qsizetype index = 0; // into the content's entries
    bool replaced = false;
};

struct UpdateOptions {
    bool dryRun = false;
    // The running program may be writing the file: its lock is waited for
    // this long before the update is refused.
    int busyTimeoutMs = 5000;
};

// Replaces the entries of content whose ids the database holds (catalog row,
// question rows and verdict rows) and adds the others, in one transaction on
// the live file; every other row and table (the test history 记录 included)
// stays as it is. Every entry needs an id; a parent must be an entry of the
// content or of the database; question rows may not take ids that other
// entries' rows hold. Any of these is a ContentError and nothing is written.
// A dry run only works out the changes. Warnings of problems about parents
// that the database holds are dropped from problems.
QList<EntryChange> updateDatabase(const QString &path, const Content &content, QList<Problem> &problems,
                                  const UpdateOptions &options = {});

} // namespace lovetest::content
