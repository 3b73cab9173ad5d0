#pragma once
// The round trip of the authoring tool, shared by the content fuzz target and
// the regression tests of its findings.
#include <QString>
#include <QStringList>

namespace lovetest::fuzz {

// Every row of every table of a database file, in storage order, as text.
QStringList dumpTables(const QString &path);

// Exports the database first was built into, reads the export back and
// builds that into second. Returns what went wrong: empty when the export is
// accepted again and gives the same tables.
QString roundTripFault(const QString &first, const QString &second);

} // namespace lovetest::fuzz
