#pragma once
#include <QString>

#include <optional>

#include "data/connection.h"

namespace lovetest {

class Dataset;

// What the user is told, once at start, when the test database file cannot
// be written (or the disk has no room): tests work, answers last until the program ends, and catalog
// entries can be neither renamed nor deleted. Names the file in full.
QString readOnlyDatabaseNotice(const QString &fileName,
                               Connection::ReadOnlyCause cause = Connection::ReadOnlyCause::NotWritable);

// The notice above when the dataset works on a database that cannot be
// written (a rename or deletion is then refused with it); nothing otherwise.
std::optional<QString> readOnlyRefusal(const Dataset *set);

} // namespace lovetest
