#pragma once
#include <functional>

#include <QString>

namespace lovetest::bench {

// Writes a new test database whose catalog holds `rows` entries: the first
// hundred at the top level, the others spread beneath them.
void writeLargeCatalog(const QString &path, int rows, const std::function<QString(int id)> &nameOf);

} // namespace lovetest::bench

namespace lovetest::bench {

// Writes a new test database the way the authoring tool lays one out: each
// test a top-level catalog row with `questions` question rows of four
// choices and three verdict rows, every sealed field sealed with the
// program's data key (all questions share one sealed text: the engine keeps
// each copy, so the file grows as a real one would). indexed: with the
// look-up indexes (addLookupIndexes).
void writeTestCatalog(const QString &path, int tests, int questions, bool indexed);

// A catalog of `tests` tests of 20 questions, written once into the
// system's temporary folder and kept there for later runs.
QString cachedTestCatalog(int tests, bool indexed = true);

// Adds the look-up indexes to a database that lacks them: 量表(Parent) for a
// test's questions, 结果(lbid) for its verdicts, 量表(目录) for the catalog,
// and the catalog tree's index (data/catalog_index.h).
void addLookupIndexes(const QString &path);

} // namespace lovetest::bench
