#pragma once
#include <functional>

#include <QList>
#include <QString>

#include "tools/content_model.h"

namespace lovetest::content {

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

// Refuses, as a ContentError saying why, a file that is no readable test
// database (missing, no SQLite file, or without the tables the program reads).
void requireTestDatabase(const QString &path);

// Whether the file starts as an SQLite database does.
bool looksLikeDatabase(const QString &path);

} // namespace lovetest::content
