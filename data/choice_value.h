#pragma once
#include <QString>

namespace lovetest {

class Field;

// Choosing an item of a choice panel: the bound row enters editing and the
// item's value is written into the field, converted to its type; an empty
// value writes Null. The row is not stored.
void writeChoice(Field &field, const QString &value);

} // namespace lovetest
