#include "stored_row.h"

#include <numeric>

namespace lovetest {

QString quoteSqlIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString storedRowSelectList(const QStringList &columns)
{
    QList<int> all(columns.size());
    std::iota(all.begin(), all.end(), 0);
    return storedRowSelectList(columns, all);
}

QString storedRowSelectList(const QStringList &columns, const QList<int> &which)
{
    QStringList mask;
    QStringList values;
    for (int i : which) {
        const QString column = quoteSqlIdentifier(columns[i]);
        if (i < StoredRow::kRawColumns) {
            mask.append(QStringLiteral("((typeof(%1)='text')<<%2)").arg(column).arg(i));
            // A text read as a blob comes over as its bytes, unconverted.
            values.append(QStringLiteral("CASE WHEN typeof(%1)='text' THEN CAST(%1 AS BLOB) ELSE %1 END").arg(column));
        } else {
            values.append(column);
        }
    }
    if (mask.isEmpty())
        mask.append(QStringLiteral("0"));
    return QStringLiteral("rowid, ") + mask.join(u'|') +
        (values.isEmpty() ? QString() : QStringLiteral(", ") + values.join(QStringLiteral(", ")));
}

StoredRow readStoredRow(const QSqlQuery &query, int columnCount)
{
    StoredRow row;
    row.rowid = query.value(0).toLongLong();
    row.rawText = query.value(1).toULongLong();
    row.values.reserve(columnCount);
    for (int i = 0; i < columnCount; ++i) {
        QVariant value = query.value(i + 2);
        row.values.append(value.isNull() ? QVariant() : std::move(value));
    }
    return row;
}

void readStoredValues(const QSqlQuery &query, StoredRow &row, const QList<int> &which)
{
    row.rawText |= query.value(1).toULongLong();
    for (qsizetype k = 0; k < which.size(); ++k) {
        QVariant value = query.value(int(k) + 2);
        row.values[which[k]] = value.isNull() ? QVariant() : std::move(value);
    }
}

} // namespace lovetest
