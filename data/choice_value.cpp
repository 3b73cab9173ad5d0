#include "data/choice_value.h"

#include "data/dataset.h"
#include "data/field.h"

namespace lovetest {

void writeChoice(Field &field, const QString &value)
{
    Dataset &dataset = *field.dataSet();
    if (dataset.State() != dsEdit && dataset.State() != dsInsert)
        dataset.Edit();
    if (value.isEmpty())
        field.clear();
    else
        field.setAsString(value);
}

} // namespace lovetest
