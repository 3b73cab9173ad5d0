#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace lovetest {

// The catalog tree reads the key, parent and label of every catalog row
// (量表 where 目录=1) at start. An index holding exactly those columns,
// limited to the catalog rows, answers that read without touching the
// table, whose rows carry the long sealed texts of every question.

// The columns the tree reads, in table order.
QStringList catalogTreeColumns();
// The index's name in the file.
QString catalogIndexName();
// The statement creating the index (when missing).
QString catalogIndexStatement();

// Adds the index to the database open in db when it lacks it. Nothing
// happens on failure (a file another program is writing, a table that is
// not the program's): the index only makes reading faster. The caller
// leaves files the program may not write alone.
void addCatalogIndex(const QSqlDatabase &db);

} // namespace lovetest
