#include "dataset.h"

#include "codepage.h"
#include "connection.h"
#include "convert.h"
#include "data_source.h"
#include "database_error.h"
#include "filter.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace lovetest {

namespace {

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString engineText(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

// SQLite's affinity rules, applied to the declared type of a column.
FieldType typeFromDeclared(const QString &declared)
{
    const QString type = declared.toUpper();
    if (type.contains(u"INT"))
        return ftInteger;
    if (type.contains(u"CHAR") || type.contains(u"CLOB") || type.contains(u"TEXT"))
        return ftString;
    if (type.isEmpty() || type.contains(u"BLOB"))
        return ftVariant;
    if (type.contains(u"REAL") || type.contains(u"FLOA") || type.contains(u"DOUB"))
        return ftFloat;
    if (type.contains(u"BOOL"))
        return ftInteger;
    return ftVariant;
}

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// Equality as Locate understands it: Null finds Null, numbers compare by
// value, everything else by its text.
bool locateEquals(const QVariant &stored, const QVariant &wanted)
{
    if (wanted.isNull() || stored.isNull())
        return wanted.isNull() && stored.isNull();
    if (isNumber(stored) && isNumber(wanted)) {
        if (stored.typeId() == QMetaType::Double || stored.typeId() == QMetaType::Float
            || wanted.typeId() == QMetaType::Double || wanted.typeId() == QMetaType::Float)
            return stored.toDouble() == wanted.toDouble();
        return stored.toLongLong() == wanted.toLongLong();
    }
    return VariantToStr(stored) == VariantToStr(wanted);
}

QVariant normalised(const QVariant &value)
{
    return value.isNull() ? QVariant() : value;
}

} // namespace

Dataset::Dataset(const QString &objectName, Connection *connection, const QString &table, const QString &where,
                 QObject *parent)
    : QObject(parent), m_connection(connection), m_table(table), m_where(where)
{
    setObjectName(objectName);
    if (!table.isEmpty()) {
        QString sql = QStringLiteral("select * from ") + table;
        if (!where.isEmpty())
            sql += QStringLiteral(" where ") + where;
        m_sql.store(toCp936(sql));
    }
}

Dataset::~Dataset()
{
    const QList<DataSource *> sources = m_sources;
    for (DataSource *source : sources)
        source->dataSetDestroyed();
    for (Field *field : m_ownedFields)
        delete field;
}

void Dataset::fail(const QString &message) const
{
    throw DatabaseError(objectName(), message);
}

void Dataset::checkActive() const
{
    if (!active())
        fail(QString::fromUtf8(dbmsg::kClosedDataset));
}

void Dataset::checkWritable() const
{
    checkActive();
    if (m_state != dsEdit && m_state != dsInsert)
        fail(QString::fromUtf8(dbmsg::kNotEditing));
}

// ---------------------------------------------------------------- open, close

void Dataset::open()
{
    if (active())
        return;
    if (m_table.isEmpty())
        fail(QStringLiteral("No query to open: the object only holds text"));
    if (!m_connection)
        fail(QStringLiteral("No connection to open the dataset on"));
    if (!m_connection->connected()) {
        try {
            m_connection->open(m_connection->fileName());
        } catch (const DatabaseError &error) {
            fail(error.message());
        }
    }
    readRows();

    m_state = dsBrowse;
    m_buffer.clear();
    m_written.clear();
    m_modified = false;
    const QString filterProblem = m_filtered ? rebuildFilter() : QString();
    if (!m_filtered)
        resetVisibleToAll();
    moveToFirst();
    notify(DataEvent::ActiveChanged);
    notify(DataEvent::DataSetChanged);
    if (!filterProblem.isEmpty())
        fail(filterProblem);
}

void Dataset::readRows()
{
    const QSqlDatabase db = m_connection->db();
    QString sql = QStringLiteral("SELECT rowid, * FROM ") + quoteIdentifier(m_table);
    if (!m_where.isEmpty())
        sql += QStringLiteral(" WHERE ") + m_where;
    // The engine promises no order without one; the file's row order is rowid.
    sql += QStringLiteral(" ORDER BY rowid");

    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        fail(engineText(query.lastError()));

    QHash<QString, QString> declared;
    {
        QSqlQuery info(db);
        if (info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(m_table)))) {
            while (info.next())
                declared.insert(info.value(1).toString().toCaseFolded(), info.value(2).toString());
        }
    }

    const QSqlRecord record = query.record();
    const int columnCount = int(record.count()) - 1;
    QList<Column> columns;
    for (int i = 0; i < columnCount; ++i) {
        const QString name = record.fieldName(i + 1);
        const QString type = declared.value(name.toCaseFolded());
        columns.append(Column{name, typeFromDeclared(type), type});
    }

    std::vector<Row> rows;
    while (query.next()) {
        Row row;
        row.serial = m_nextSerial++;
        row.rowid = query.value(0).toLongLong();
        row.values.reserve(columnCount);
        for (int i = 0; i < columnCount; ++i)
            row.values.append(normalised(query.value(i + 1)));
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid())
        fail(engineText(query.lastError()));

    buildFields(columns);
    m_rows = std::move(rows);
}

void Dataset::buildFields(const QList<Column> &columns)
{
    const bool same = columns.size() == m_columns.size()
                      && std::equal(columns.begin(), columns.end(), m_columns.begin(), [](const Column &a, const Column &b) {
                             return a.name == b.name && a.type == b.type;
                         });
    m_columns = columns;
    if (same && !m_fieldList.isEmpty())
        return;
    // Earlier Field objects stay allocated (a caller may still hold one) but
    // leave the field list.
    m_fieldList.clear();
    for (int i = 0; i < columns.size(); ++i) {
        auto *field = new Field(this, i, columns[i].name, columns[i].type, columns[i].declaredType);
        m_ownedFields.push_back(field);
        m_fieldList.append(field);
    }
}

void Dataset::close()
{
    if (!active())
        return;
    m_state = dsInactive;
    m_buffer.clear();
    m_written.clear();
    m_modified = false;
    m_rows.clear();
    m_visible.clear();
    m_filter.reset();
    m_pos = 0;
    m_eof = m_bof = true;
    notify(DataEvent::ActiveChanged);
}

// ---------------------------------------------------------------- fields

Field *Dataset::FindField(const QString &name) const
{
    for (Field *field : m_fieldList) {
        if (field->name().compare(name, Qt::CaseInsensitive) == 0)
            return field;
    }
    return nullptr;
}

Field *Dataset::FieldByName(const QString &name) const
{
    Field *field = FindField(name);
    if (!field)
        fail(QString::fromUtf8(dbmsg::kFieldNotFound).arg(name));
    return field;
}

Dataset::Row *Dataset::currentRow()
{
    return m_visible.empty() ? nullptr : &m_rows[m_visible[m_pos]];
}

const Dataset::Row *Dataset::currentRow() const
{
    return m_visible.empty() ? nullptr : &m_rows[m_visible[m_pos]];
}

const QVariant &Dataset::fieldValue(int index) const
{
    static const QVariant null;
    checkActive();
    if (index < 0 || index >= m_columns.size())
        return null;
    if (m_state == dsEdit || m_state == dsInsert)
        return m_buffer.at(index);
    const Row *row = currentRow();
    return row ? row->values.at(index) : null;
}

void Dataset::setFieldValue(int index, const QVariant &value, Field *field)
{
    checkWritable();
    if (index < 0 || index >= m_columns.size())
        fail(QString::fromUtf8(dbmsg::kFieldNotFound).arg(field ? field->name() : QString()));
    m_buffer[index] = value;
    m_written[index] = true;
    m_modified = true;
    notify(DataEvent::RecordChanged, field);
}

// ---------------------------------------------------------------- navigation

void Dataset::moveToFirst()
{
    m_pos = 0;
    m_bof = true;
    m_eof = m_visible.empty();
}

void Dataset::First()
{
    checkActive();
    CheckBrowseMode();
    moveToFirst();
    notify(DataEvent::DataSetChanged);
}

void Dataset::Next()
{
    checkActive();
    CheckBrowseMode();
    if (m_pos + 1 < int(m_visible.size())) {
        ++m_pos;
        m_bof = false;
        m_eof = false;
        notify(DataEvent::DataSetScrolled);
    } else {
        m_eof = true;
    }
}

bool Dataset::Eof() const
{
    return !active() || m_eof;
}

bool Dataset::Bof() const
{
    return !active() || m_bof;
}

bool Dataset::IsEmpty() const
{
    return !active() || (m_visible.empty() && m_state != dsInsert);
}

int Dataset::RecordCount() const
{
    checkActive();
    return int(m_visible.size());
}

int Dataset::RecNo() const
{
    if (!active() || m_visible.empty() || m_state == dsInsert)
        return 0;
    return m_pos + 1;
}

bool Dataset::Locate(const QString &fieldName, const QVariant &value)
{
    checkActive();
    const Field *field = FieldByName(fieldName);
    CheckBrowseMode();
    const int column = field->index();
    for (int i = 0; i < int(m_visible.size()); ++i) {
        if (locateEquals(m_rows[m_visible[i]].values.at(column), value)) {
            m_pos = i;
            m_bof = m_eof = false;
            notify(DataEvent::DataSetScrolled);
            return true;
        }
    }
    return false;
}

int Dataset::visibleIndexOfSerial(qint64 serial) const
{
    // Serials grow with the row order of the copy, so the visible rows are
    // sorted by serial.
    const auto it = std::lower_bound(m_visible.begin(), m_visible.end(), serial,
                                     [this](int rowIndex, qint64 wanted) { return m_rows[rowIndex].serial < wanted; });
    if (it == m_visible.end() || m_rows[*it].serial != serial)
        return -1;
    return int(it - m_visible.begin());
}

Bookmark Dataset::GetBookmark() const
{
    const Row *row = active() ? currentRow() : nullptr;
    return row && m_state != dsInsert ? Bookmark{row->serial} : Bookmark{};
}

bool Dataset::BookmarkValid(const Bookmark &bookmark) const
{
    return active() && !bookmark.isNull() && visibleIndexOfSerial(bookmark.row) >= 0;
}

void Dataset::GotoBookmark(const Bookmark &bookmark)
{
    checkActive();
    if (bookmark.isNull())
        return;
    CheckBrowseMode();
    const int index = visibleIndexOfSerial(bookmark.row);
    if (index < 0)
        fail(QString::fromUtf8(dbmsg::kRecordNotFound));
    m_pos = index;
    m_bof = m_eof = false;
    notify(DataEvent::DataSetScrolled);
}

void Dataset::DisableControls()
{
    ++m_disableCount;
}

void Dataset::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0)
        notify(DataEvent::DataSetChanged);
}

// ---------------------------------------------------------------- editing

bool Dataset::CanModify() const
{
    return active() && m_connection && m_connection->connected();
}

void Dataset::setState(DataSetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    notify(DataEvent::StateChanged);
}

void Dataset::Edit()
{
    checkActive();
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    if (!CanModify())
        fail(QString::fromUtf8(dbmsg::kReadOnly));
    if (m_visible.empty()) {
        Append();
        return;
    }
    m_buffer = currentRow()->values;
    m_written = QList<bool>(m_columns.size(), false);
    m_modified = false;
    setState(dsEdit);
}

void Dataset::Append()
{
    checkActive();
    CheckBrowseMode();
    if (!CanModify())
        fail(QString::fromUtf8(dbmsg::kReadOnly));
    m_buffer = QList<QVariant>(m_columns.size());
    m_written = QList<bool>(m_columns.size(), false);
    m_modified = false;
    setState(dsInsert);
    notify(DataEvent::DataSetChanged);
}

void Dataset::CheckBrowseMode()
{
    checkActive();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    notify(DataEvent::UpdateData);
    if (m_modified)
        writeAndBrowse();
    else
        Cancel();
}

void Dataset::Post()
{
    checkActive();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    notify(DataEvent::UpdateData);
    writeAndBrowse();
}

void Dataset::writeAndBrowse()
{
    if (m_state == dsEdit)
        postEdit();
    else
        postInsert();
    m_buffer.clear();
    m_written.clear();
    m_modified = false;
    setState(dsBrowse);
    notify(DataEvent::DataSetChanged);
}

void Dataset::postEdit()
{
    Row *row = currentRow();
    QStringList assignments;
    QList<QVariant> values;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_written[i]) {
            assignments.append(quoteIdentifier(m_columns[i].name) + QStringLiteral("=?"));
            values.append(m_buffer[i]);
        }
    }
    if (!assignments.isEmpty()) {
        QSqlQuery query(m_connection->db());
        query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
                          .arg(quoteIdentifier(m_table), assignments.join(QStringLiteral(", "))));
        for (const QVariant &value : std::as_const(values))
            query.addBindValue(value);
        query.addBindValue(row->rowid);
        if (!query.exec())
            fail(engineText(query.lastError()));
        if (query.numRowsAffected() == 0)
            fail(QStringLiteral("Row cannot be located for updating: it is no longer in the database"));
    }
    row->values = m_buffer;
}

void Dataset::postInsert()
{
    QStringList names;
    QList<QVariant> values;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_written[i]) {
            names.append(quoteIdentifier(m_columns[i].name));
            values.append(m_buffer[i]);
        }
    }
    const QSqlDatabase db = m_connection->db();
    QSqlQuery query(db);
    if (names.isEmpty()) {
        query.prepare(QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(m_table)));
    } else {
        query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          .arg(quoteIdentifier(m_table), names.join(QStringLiteral(", ")),
                               QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", "))));
        for (const QVariant &value : std::as_const(values))
            query.addBindValue(value);
    }
    if (!query.exec())
        fail(engineText(query.lastError()));

    Row row;
    row.serial = m_nextSerial++;
    row.rowid = query.lastInsertId().toLongLong();
    row.values = m_buffer;
    // Read the row back: the engine fills in the key and column defaults.
    QSqlQuery reread(db);
    reread.prepare(QStringLiteral("SELECT * FROM %1 WHERE rowid=?").arg(quoteIdentifier(m_table)));
    reread.addBindValue(row.rowid);
    if (reread.exec() && reread.next() && reread.record().count() == m_columns.size()) {
        for (int i = 0; i < m_columns.size(); ++i)
            row.values[i] = normalised(reread.value(i));
    }
    // The new row joins the copy at its end and stays visible until the next
    // re-filter, whether or not it passes the filter.
    m_rows.push_back(std::move(row));
    m_visible.push_back(int(m_rows.size()) - 1);
    m_pos = int(m_visible.size()) - 1;
    m_bof = m_eof = false;
}

void Dataset::Cancel()
{
    checkActive();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    const bool wasInsert = m_state == dsInsert;
    m_buffer.clear();
    m_written.clear();
    m_modified = false;
    setState(dsBrowse);
    if (wasInsert)
        notify(DataEvent::DataSetChanged);
    else
        notify(DataEvent::RecordChanged, nullptr);
}

void Dataset::Delete()
{
    checkActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (m_visible.empty())
        fail(QString::fromUtf8(dbmsg::kEmptyDataset));
    if (!CanModify())
        fail(QString::fromUtf8(dbmsg::kReadOnly));
    if (m_state == dsEdit)
        Cancel();

    const int rowIndex = m_visible[m_pos];
    QSqlQuery query(m_connection->db());
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoteIdentifier(m_table)));
    query.addBindValue(m_rows[rowIndex].rowid);
    if (!query.exec())
        fail(engineText(query.lastError()));

    m_rows.erase(m_rows.begin() + rowIndex);
    m_visible.erase(m_visible.begin() + m_pos);
    for (int &index : m_visible) {
        if (index > rowIndex)
            --index;
    }
    if (m_pos >= int(m_visible.size()))
        m_pos = std::max(0, int(m_visible.size()) - 1);
    m_bof = m_eof = m_visible.empty();
    notify(DataEvent::DataSetChanged);
}

// ---------------------------------------------------------------- filtering

void Dataset::resetVisibleToAll()
{
    m_visible.resize(m_rows.size());
    for (int i = 0; i < int(m_rows.size()); ++i)
        m_visible[i] = i;
}

void Dataset::applyFilter()
{
    if (!m_filter || m_filter->isEmpty()) {
        resetVisibleToAll();
        return;
    }
    m_visible.clear();
    for (int i = 0; i < int(m_rows.size()); ++i) {
        if (m_filter->matches(m_rows[i].values))
            m_visible.push_back(i);
    }
}

void Dataset::setFilter(const QString &text)
{
    m_filterText = text;
    if (m_filtered && active())
        refilter();
}

void Dataset::setFiltered(bool on)
{
    if (on == m_filtered)
        return;
    if (!active()) {
        m_filtered = on;
        return;
    }
    CheckBrowseMode();
    m_filtered = on;
    if (on) {
        refilter();
        return;
    }
    m_filter.reset();
    resetVisibleToAll();
    moveToFirst();
    notify(DataEvent::DataSetChanged);
}

QString Dataset::rebuildFilter()
{
    try {
        QStringList names;
        for (const Column &column : std::as_const(m_columns))
            names.append(column.name);
        m_filter = std::make_unique<CompiledFilter>(m_filterText, names);
        applyFilter();
        return QString();
    } catch (const FilterError &error) {
        // The set stays unfiltered and keeps the rejected text.
        m_filtered = false;
        m_filter.reset();
        resetVisibleToAll();
        return QString::fromUtf8(error.what());
    }
}

void Dataset::refilter()
{
    CheckBrowseMode();
    const QString problem = rebuildFilter();
    moveToFirst();
    notify(DataEvent::DataSetChanged);
    if (!problem.isEmpty())
        fail(problem);
}

// ---------------------------------------------------------------- notification

void Dataset::notify(DataEvent event, Field *field)
{
    if (ControlsDisabled() && event != DataEvent::UpdateData)
        return;
    const QList<DataSource *> sources = m_sources;
    for (DataSource *source : sources) {
        if (m_sources.contains(source))
            source->dispatch(event, field);
    }
}

void Dataset::addSource(DataSource *source)
{
    if (!m_sources.contains(source))
        m_sources.append(source);
}

void Dataset::removeSource(DataSource *source)
{
    m_sources.removeAll(source);
}

} // namespace lovetest
