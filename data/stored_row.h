#pragma once
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace lovetest {

// One row as the file holds it. Text values stay in their stored UTF-8 bytes
// (a QByteArray) until first read: a bit set in rawText marks such a value,
// and text() turns it into a QString in place. A catalog or question set
// only ever reads a few of its texts, so the rest are never converted.
struct StoredRow {
    qint64 rowid = -1;
    mutable QList<QVariant> values;
    mutable quint64 rawText = 0;

    static constexpr int kRawColumns = 62; // texts beyond stay converted on read

    const QVariant &value(int column) const
    {
        if (column < kRawColumns && (rawText >> column & 1)) {
            QVariant &cell = values[column];
            cell = QVariant(QString::fromUtf8(*static_cast<const QByteArray *>(cell.constData())));
            rawText &= ~(quint64(1) << column);
        }
        return values.at(column);
    }
    // Every value converted (before the values are copied or compared whole).
    const QList<QVariant> &allValues() const
    {
        for (int column = 0; rawText != 0 && column < values.size(); ++column)
            value(column);
        return values;
    }
};

// The SELECT list that reads the rows of a table as StoredRows: rowid, a bit
// mask of the columns holding text, then each column with its text handed
// over as bytes.
QString storedRowSelectList(const QStringList &columns);
// The same for some of the columns (indexes into columns): their values at
// their own places, the others left as they are.
QString storedRowSelectList(const QStringList &columns, const QList<int> &which);
// Reads the current row of a query run with storedRowSelectList.
StoredRow readStoredRow(const QSqlQuery &query, int columnCount);
// Reads the values of which from the current row of a query run with
// storedRowSelectList(columns, which) into row (values already sized).
void readStoredValues(const QSqlQuery &query, StoredRow &row, const QList<int> &which);

QString quoteSqlIdentifier(const QString &name);

} // namespace lovetest
