#pragma once
#include <QString>

#include "data/data_source.h"
#include "data/dataset.h"

namespace lovetest {

// The link of a control bound to one field of its dataset's current row.
class FieldDataLink : public DataLink {
protected:
    QString m_fieldName;

    // The bound field while the dataset is open and has it, else nullptr.
    Field *boundField() const
    {
        const Dataset *set = dataSet();
        if (!set || !set->active() || m_fieldName.isEmpty())
            return nullptr;
        return set->findField(m_fieldName);
    }
};

} // namespace lovetest
