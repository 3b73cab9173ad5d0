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
#include <iterator>

namespace lovetest {

namespace {

// SQLite's affinity rules, applied to the declared type of a column.
FieldType typeFromDeclared(const QString &declared)
{
    const QString type = declared.toUpper();
    if (type.contains(u"INT"))
        return FieldType::Integer;
    if (type.contains(u"CHAR") || type.contains(u"CLOB") || type.contains(u"TEXT"))
        return FieldType::String;
    if (type.isEmpty() || type.contains(u"BLOB"))
        return FieldType::Variant;
    if (type.contains(u"REAL") || type.contains(u"FLOA") || type.contains(u"DOUB"))
        return FieldType::Float;
    if (type.contains(u"BOOL"))
        return FieldType::Integer;
    return FieldType::Variant;
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

// Equality as locate understands it: Null finds Null, numbers compare by
// value, everything else by its text.
bool locateEquals(const QVariant &stored, const QVariant &wanted)
{
    if (wanted.isNull() || stored.isNull())
        return wanted.isNull() && stored.isNull();
    if (isNumber(stored) && isNumber(wanted)) {
        if (stored.typeId() == QMetaType::Double || stored.typeId() == QMetaType::Float ||
            wanted.typeId() == QMetaType::Double || wanted.typeId() == QMetaType::Float)
            return stored.toDouble() == wanted.toDouble();
        return stored.toLongLong() == wanted.toLongLong();
    }
    return variantText(stored) == variantText(wanted);
}

} // namespace

Dataset::Dataset(const QString &objectName, Connection *connection, const QString &table, const QString &where,
                 QObject *parent)
    : QObject(parent), m_connection(connection), m_table(table), m_where(where), m_cache(*this)
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
    if (m_state != DatasetState::Edit && m_state != DatasetState::Insert)
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
    const QList<Column> columns = readColumns();
    QStringList names;
    QList<int> lead;
    for (int i = 0; i < columns.size(); ++i) {
        names.append(columns[i].name);
        if (m_leadColumns.contains(columns[i].name, Qt::CaseInsensitive))
            lead.append(i);
    }
    m_cache.start(m_connection, m_table, m_where, names, lead);
    buildFields(columns);
    static quint64 openings = 0;
    m_opening = ++openings;
    // A where clause is the engine's to evaluate: such a set is read at once.
    if (!m_where.isEmpty())
        m_cache.loadAll();

    m_state = DatasetState::Browse;
    m_buffer.clear();
    m_written.clear();
    m_modified = false;
    const QString filterProblem = m_filtered ? rebuildFilter() : QString();
    invalidateView();
    notify(DataEvent::ActiveChanged);
    notify(DataEvent::DataSetChanged);
    if (!filterProblem.isEmpty())
        fail(filterProblem);
}

QList<Dataset::Column> Dataset::readColumns() const
{
    const QSqlDatabase db = m_connection->db();
    QSqlQuery query(db);
    // The same statement the rows come from, so a bad table or where clause
    // fails here, at opening, with the engine's words.
    QString sql = QStringLiteral("SELECT rowid, * FROM ") + quoteSqlIdentifier(m_table);
    if (!m_where.isEmpty())
        sql += QStringLiteral(" WHERE ") + m_where;
    sql += QStringLiteral(" LIMIT 0");
    if (!query.exec(sql))
        fail(engineErrorText(query.lastError()));

    QHash<QString, QString> declared;
    {
        QSqlQuery info(db);
        if (info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoteSqlIdentifier(m_table)))) {
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
    return columns;
}

void Dataset::buildFields(const QList<Column> &columns)
{
    const bool same = columns.size() == m_columns.size() &&
        std::equal(columns.begin(), columns.end(), m_columns.begin(),
                   [](const Column &a, const Column &b) { return a.name == b.name && a.type == b.type; });
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
    m_state = DatasetState::Inactive;
    m_buffer.clear();
    m_written.clear();
    m_modified = false;
    m_cache.clear();
    m_view = View::Stale;
    m_visible.clear();
    m_filter.reset();
    m_pos = 0;
    m_eof = m_bof = true;
    notify(DataEvent::ActiveChanged);
}

// ---------------------------------------------------------------- the view

void Dataset::invalidateView()
{
    m_view = View::Stale;
    m_visible.clear();
    m_pos = 0;
    m_bof = true;
    m_eof = false;
}

void Dataset::resolve(bool whole) const
{
    if (m_state == DatasetState::Inactive || m_view == View::Full || (m_view == View::First && !whole))
        return;
    // Reading rows in does not change what the dataset shows.
    const_cast<Dataset *>(this)->resolveNow(whole);
}

void Dataset::resolveNow(bool whole)
{
    const bool toFirst = m_view == View::Stale;
    const bool filtering = m_filter && !m_filter->isEmpty();
    if (filtering) {
        if (const auto key = m_filter->numberKey())
            m_cache.loadSlice(key->first, key->second);
        else
            m_cache.loadAll();
    } else if (!whole && toFirst && !m_cache.complete()) {
        m_cache.loadFirst();
        m_visible.clear();
        if (!m_cache.rows().empty())
            m_visible.push_back(&m_cache.rows().begin()->second);
        m_view = View::First;
        moveToFirst();
        return;
    } else {
        m_cache.loadAll();
    }
    computeVisible();
    m_view = View::Full;
    if (toFirst)
        moveToFirst();
}

void Dataset::computeVisible()
{
    std::map<qint64, Row> &rows = m_cache.rows();
    m_visible.clear();
    m_visible.reserve(rows.size());
    const bool filtering = m_filter && !m_filter->isEmpty();
    const QList<int> columns = filtering ? m_filter->columns() : QList<int>();
    if (std::any_of(columns.begin(), columns.end(), [this](int column) { return !m_cache.isLead(column); }))
        m_cache.completeAll();
    for (auto &[serial, row] : rows) {
        if (filtering) {
            for (int column : columns)
                row.value(column);
            if (!m_filter->matches(row.values))
                continue;
        }
        m_visible.push_back(&row);
    }
}

// ---------------------------------------------------------------- fields

Field *Dataset::findField(const QString &name) const
{
    for (Field *field : m_fieldList) {
        if (field->name().compare(name, Qt::CaseInsensitive) == 0)
            return field;
    }
    return nullptr;
}

Field *Dataset::fieldByName(const QString &name) const
{
    Field *field = findField(name);
    if (!field)
        fail(QString::fromUtf8(dbmsg::kFieldNotFound).arg(name));
    return field;
}

Dataset::Row *Dataset::currentRow()
{
    resolve(false);
    return m_visible.empty() ? nullptr : m_visible[m_pos];
}

const Dataset::Row *Dataset::currentRow() const
{
    resolve(false);
    return m_visible.empty() ? nullptr : m_visible[m_pos];
}

const QVariant &Dataset::fieldValue(int index) const
{
    static const QVariant null;
    checkActive();
    if (index < 0 || index >= m_columns.size())
        return null;
    if (m_state == DatasetState::Edit || m_state == DatasetState::Insert)
        return m_buffer.at(index);
    const Row *row = currentRow();
    return row ? m_cache.value(*row, index) : null;
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

void Dataset::first()
{
    checkActive();
    checkBrowseMode();
    resolve(false);
    moveToFirst();
    notify(DataEvent::DataSetChanged);
}

void Dataset::next()
{
    checkActive();
    checkBrowseMode();
    resolve(true);
    if (m_pos + 1 < int(m_visible.size())) {
        ++m_pos;
        m_bof = false;
        m_eof = false;
        notify(DataEvent::DataSetScrolled);
    } else {
        m_eof = true;
    }
}

bool Dataset::atEnd() const
{
    resolve(false);
    return !active() || m_eof;
}

bool Dataset::atStart() const
{
    resolve(false);
    return !active() || m_bof;
}

bool Dataset::isEmpty() const
{
    resolve(false);
    return !active() || (m_visible.empty() && m_state != DatasetState::Insert);
}

int Dataset::recordCount() const
{
    checkActive();
    resolve(true);
    return int(m_visible.size());
}

int Dataset::rowNumber() const
{
    resolve(false);
    if (!active() || m_visible.empty() || m_state == DatasetState::Insert)
        return 0;
    return m_pos + 1;
}

bool Dataset::locate(const QString &fieldName, const QVariant &value)
{
    checkActive();
    const Field *field = fieldByName(fieldName);
    checkBrowseMode();
    resolve(true);
    const int column = field->index();
    if (!m_cache.isLead(column))
        m_cache.completeAll();
    for (int i = 0; i < int(m_visible.size()); ++i) {
        if (locateEquals(m_visible[i]->value(column), value)) {
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
                                     [](const Row *row, qint64 wanted) { return row->serial < wanted; });
    if (it == m_visible.end() || (*it)->serial != serial)
        return -1;
    return int(it - m_visible.begin());
}

Bookmark Dataset::bookmark() const
{
    const Row *row = active() ? currentRow() : nullptr;
    return row && m_state != DatasetState::Insert ? Bookmark{row->serial, m_opening} : Bookmark{};
}

bool Dataset::isBookmarkValid(const Bookmark &bookmark) const
{
    if (!active() || bookmark.isNull() || bookmark.opening != m_opening)
        return false;
    resolve(true);
    return visibleIndexOfSerial(bookmark.row) >= 0;
}

void Dataset::gotoBookmark(const Bookmark &bookmark)
{
    checkActive();
    if (bookmark.isNull())
        return;
    checkBrowseMode();
    resolve(true);
    const int index = bookmark.opening == m_opening ? visibleIndexOfSerial(bookmark.row) : -1;
    if (index < 0)
        fail(QString::fromUtf8(dbmsg::kRecordNotFound));
    m_pos = index;
    m_bof = m_eof = false;
    notify(DataEvent::DataSetScrolled);
}

void Dataset::disableControls()
{
    ++m_disableCount;
}

void Dataset::enableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0)
        notify(DataEvent::DataSetChanged);
}

// ---------------------------------------------------------------- editing

bool Dataset::canModify() const
{
    return active() && m_connection && m_connection->connected();
}

void Dataset::setState(DatasetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    notify(DataEvent::StateChanged);
}

void Dataset::edit()
{
    checkActive();
    if (m_state == DatasetState::Edit || m_state == DatasetState::Insert)
        return;
    if (!canModify())
        fail(QString::fromUtf8(dbmsg::kReadOnly));
    if (!currentRow()) {
        append();
        return;
    }
    m_buffer = m_cache.allValues(*currentRow());
    m_written = QList<bool>(m_columns.size(), false);
    m_modified = false;
    setState(DatasetState::Edit);
}

void Dataset::append()
{
    checkActive();
    checkBrowseMode();
    if (!canModify())
        fail(QString::fromUtf8(dbmsg::kReadOnly));
    m_buffer = QList<QVariant>(m_columns.size());
    m_written = QList<bool>(m_columns.size(), false);
    m_modified = false;
    setState(DatasetState::Insert);
    notify(DataEvent::DataSetChanged);
}

void Dataset::checkBrowseMode()
{
    checkActive();
    if (m_state != DatasetState::Edit && m_state != DatasetState::Insert)
        return;
    notify(DataEvent::UpdateData);
    if (m_modified)
        writeAndBrowse();
    else
        cancel();
}

void Dataset::post()
{
    checkActive();
    if (m_state != DatasetState::Edit && m_state != DatasetState::Insert)
        return;
    notify(DataEvent::UpdateData);
    writeAndBrowse();
}

void Dataset::writeAndBrowse()
{
    if (m_state == DatasetState::Edit)
        postEdit();
    else
        postInsert();
    m_buffer.clear();
    m_written.clear();
    m_modified = false;
    setState(DatasetState::Browse);
    notify(DataEvent::DataSetChanged);
}

void Dataset::postEdit()
{
    Row *row = currentRow();
    QStringList names;
    QList<QVariant> values;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_written[i]) {
            names.append(m_columns[i].name);
            values.append(m_buffer[i]);
        }
    }
    if (!names.isEmpty()) {
        bool found = false;
        try {
            found = m_connection->updateRow(m_table, row->rowid, names, values);
        } catch (const DatabaseError &error) {
            fail(error.message());
        }
        if (!found)
            fail(QStringLiteral("Row cannot be located for updating: it is no longer in the database"));
    }
    row->values = m_buffer;
    row->rawText = 0;
    row->partial = false;
}

void Dataset::postInsert()
{
    resolve(true);
    QStringList names;
    QList<QVariant> values;
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_written[i]) {
            names.append(m_columns[i].name);
            values.append(m_buffer[i]);
        }
    }
    qint64 rowid = -1;
    try {
        rowid = m_connection->insertRow(m_table, names, values);
    } catch (const DatabaseError &error) {
        fail(error.message());
    }
    // The new row joins the copy at its end and stays visible until the next
    // re-filter, whether or not it passes the filter.
    Row &added = m_cache.addInserted(rowid, m_buffer);
    m_visible.push_back(&added);
    m_pos = int(m_visible.size()) - 1;
    m_bof = m_eof = false;
}

void Dataset::cancel()
{
    checkActive();
    if (m_state != DatasetState::Edit && m_state != DatasetState::Insert)
        return;
    const bool wasInsert = m_state == DatasetState::Insert;
    m_buffer.clear();
    m_written.clear();
    m_modified = false;
    setState(DatasetState::Browse);
    if (wasInsert)
        notify(DataEvent::DataSetChanged);
    else
        notify(DataEvent::RecordChanged, nullptr);
}

void Dataset::remove()
{
    checkActive();
    if (m_state == DatasetState::Insert) {
        cancel();
        return;
    }
    if (!currentRow())
        fail(QString::fromUtf8(dbmsg::kEmptyDataset));
    if (!canModify())
        fail(QString::fromUtf8(dbmsg::kReadOnly));
    if (m_state == DatasetState::Edit)
        cancel();

    resolve(true);
    Row *row = m_visible[m_pos];
    try {
        m_connection->deleteRow(m_table, row->rowid);
    } catch (const DatabaseError &error) {
        fail(error.message());
    }
    const qint64 serial = row->serial;
    m_visible.erase(m_visible.begin() + m_pos);
    m_cache.removeRow(serial);
    if (m_pos >= int(m_visible.size()))
        m_pos = std::max(0, int(m_visible.size()) - 1);
    m_bof = m_eof = m_visible.empty();
    notify(DataEvent::DataSetChanged);
}

// ---------------------------------------------------------------- filtering

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
    checkBrowseMode();
    m_filtered = on;
    if (on) {
        refilter();
        return;
    }
    m_filter.reset();
    invalidateView();
    notify(DataEvent::DataSetChanged);
}

QString Dataset::rebuildFilter()
{
    try {
        QStringList names;
        for (const Column &column : std::as_const(m_columns))
            names.append(column.name);
        m_filter = std::make_unique<CompiledFilter>(m_filterText, names);
        invalidateView();
        return QString();
    } catch (const FilterError &error) {
        // The set stays unfiltered and keeps the rejected text.
        m_filtered = false;
        m_filter.reset();
        invalidateView();
        return QString::fromUtf8(error.what());
    }
}

void Dataset::refilter()
{
    checkBrowseMode();
    const QString problem = rebuildFilter();
    notify(DataEvent::DataSetChanged);
    if (!problem.isEmpty())
        fail(problem);
}

// ---------------------------------------------------------------- notification

void Dataset::notify(DataEvent event, Field *field)
{
    if (controlsDisabled() && event != DataEvent::UpdateData)
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
