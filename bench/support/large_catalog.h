#pragma once
#include <functional>

#include <QString>

namespace lovetest::bench {

// Writes a new test database whose catalog holds `rows` entries: the first
// hundred at the top level, the others spread beneath them.
void writeLargeCatalog(const QString &path, int rows, const std::function<QString(int id)> &nameOf);

} // namespace lovetest::bench
