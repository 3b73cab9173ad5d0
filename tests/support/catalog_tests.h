#pragma once
#include <QList>
#include <QSet>

#include "data/dataset.h"
#include "data/field.h"
#include "data/test_database.h"

namespace lovetest::testing {

// The catalog entries that are tests, in catalog order: folders hold no
// question rows and cannot be taken. Moves both datasets' cursors.
inline QList<qint64> takeableTestIds(TestDatabase &database)
{
    QSet<qint64> withQuestions;
    Dataset &rows = database.questions;
    for (rows.first(); !rows.atEnd(); rows.next()) {
        if (rows.fieldByName(QStringLiteral("目录"))->asInteger() == 0)
            withQuestions.insert(rows.fieldByName(QStringLiteral("Parent"))->asLargeInt());
    }
    QList<qint64> ids;
    Dataset &catalog = database.catalog;
    for (catalog.first(); !catalog.atEnd(); catalog.next()) {
        const qint64 id = catalog.fieldByName(QStringLiteral("ID"))->asLargeInt();
        if (withQuestions.contains(id))
            ids.append(id);
    }
    return ids;
}

} // namespace lovetest::testing
