#include "data/choice_value.h"

#include "data/dataset.h"
#include "data/field.h"

namespace lovetest {

void writeChoice(Field &field, const QString &value)
{
    Dataset &dataset = *field.dataSet();
    if (dataset.state() != DatasetState::Edit && dataset.state() != DatasetState::Insert)
        dataset.edit();
    if (value.isEmpty())
        field.clear();
    else
        field.setAsString(value);
}

} // namespace lovetest
