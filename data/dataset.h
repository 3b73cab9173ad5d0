#pragma once
#include "data/connection.h"
#include "data/data_source.h"
#include "data/field.h"
#include "data/row_cache.h"
#include "data/stored_row.h"
#include "data/text_slot.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace lovetest {

class CompiledFilter;

enum class DatasetState { Inactive, Browse, Edit, Insert };

// Identity of one row of a dataset's copy. It survives re-filtering for as
// long as the row is in the copy; a null bookmark refers to no row.
struct Bookmark {
    qint64 row = -1;
    quint64 opening = 0; // which opening of the dataset made it
    bool isNull() const { return row < 0; }
    friend bool operator==(const Bookmark &, const Bookmark &) = default;
};

// One query object (catalog ... dataKeySlot).
//
// open() takes the whole result of "select * from <table> [where <where>]",
// in the table's row order, as the dataset's own static copy and stands on
// its first row. From then on the dataset works on that copy: it never sees
// what another dataset writes. Post and Delete write one row to the file at
// once, addressed by its rowid, through the connection.
//
// How rows come in is not visible from outside: a dataset with a where
// clause reads its rows at open; one without reads nothing until a row is
// needed, and then only those rows: the first row, or under a filter with a
// "field = number" test the rows holding that number (through an index on
// the field where the file has one), or all (see RowCache). Text values are
// converted when first read.
//
// Errors are DatabaseError with the object's name before the message.
//
// Moving the cursor (First, Next, locate, gotoBookmark) and switching or
// changing an active filter first run checkBrowseMode: a pending edit that
// changed a value is posted, one that changed nothing is cancelled.
//
// Filters: Filter() holds the filter text, Filtered() the switch. Callers
// re-filter with setFiltered(false), setFilter(text), setFiltered(true).
// Setting the text while the filter is off only stores it; switching on or
// off (and setting the text while on) leaves the cursor on the first row
// that passes, or at the end when none does. A text the filter parser
// rejects raises on setFiltered(true); the dataset then stays unfiltered
// (Filtered() false) and keeps the rejected text. The filter language is
// described in data/filter.h. A new row, once posted, joins the end of the
// copy and stays visible until the next re-filter.
//
// Any write to a field during an edit counts as a change (Modified()), even
// one that writes the value the row already held.
//
// Bound controls hear of changes through DataSource / DataLink.
class Dataset : public QObject {
    Q_OBJECT
public:
    // table empty: a dataset that is only a text slot (never opened).
    Dataset(const QString &objectName, Connection *connection, const QString &table, const QString &where = {},
            QObject *parent = nullptr);
    ~Dataset() override;

    // The query text as lines (code page 936): "select * from 量表 where 目录=1".
    // sealedKeySlot and dataKeySlot use it as a plain text slot.
    TextSlot &sql() { return m_sql; }
    const TextSlot &sql() const { return m_sql; }

    Connection *connection() const { return m_connection; }
    const QString &tableName() const { return m_table; }
    const QString &whereClause() const { return m_where; }
    // The columns to read first (names, matched without regard to case); the
    // other values of a row are read when first asked for. Takes effect at
    // the next open.
    void setLeadColumns(const QStringList &names) { m_leadColumns = names; }

    // Opening connects the connection first when it is not connected (with
    // its last file name), so each open of a dataset tries to connect again.
    void open();
    // Drops the copy; a pending edit is discarded, not written.
    void close();
    bool active() const { return m_state != DatasetState::Inactive; }

    // Fields exist once the dataset has been opened; they stay (and read as
    // closed) after close().
    const QList<Field *> &fields() const { return m_fieldList; }
    int fieldCount() const { return int(m_fieldList.size()); }
    // Case-insensitive. fieldByName raises "<name>: Field 'x' not found";
    // findField returns nullptr.
    Field *fieldByName(const QString &name) const;
    Field *findField(const QString &name) const;

    // Navigation over the rows that pass the filter.
    void first();
    void next(); // on the last row: sets atEnd and stays
    bool atEnd() const;
    bool atStart() const;
    bool isEmpty() const; // no row passes the filter (and no new row pending)
    int recordCount() const;
    int rowNumber() const; // 1-based position of the current row; 0 when empty
    // Moves to the first row whose field equals value exactly (numbers by
    // value, texts case-sensitively, QVariant() finds Null). The cursor stays
    // when none matches.
    bool locate(const QString &fieldName, const QVariant &value);

    Bookmark bookmark() const;
    void gotoBookmark(const Bookmark &bookmark); // null: nothing; gone: "Record not found"
    bool isBookmarkValid(const Bookmark &bookmark) const;

    // Nested suspension of the notifications to bound controls; the last
    // enableControls sends them one "data set changed".
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // Editing.
    DatasetState state() const { return m_state; }
    bool canModify() const; // open, and its connection is connected
    bool isModified() const { return m_modified; }
    // Begins editing the current row; on an empty set begins a new row.
    void edit();
    // Begins a new row (appended to the copy when posted).
    void append();
    // Writes the current row to the file (UPDATE of the written columns, or
    // INSERT for a new row). A refused write raises with the engine's message
    // and leaves the dataset in edit state.
    void post();
    void cancel();
    // Removes the current row from the file and the copy at once; the cursor
    // stays at the same position (or on the new last row).
    void remove();
    void checkBrowseMode();

    // Filtering.
    const QString &filter() const { return m_filterText; }
    void setFilter(const QString &text);
    bool isFiltered() const { return m_filtered; }
    void setFiltered(bool on);

private:
    friend class Field;
    friend class DataSource;

    using Row = RowCache::Row;
    struct Column {
        QString name;
        FieldType type;
        QString declaredType;
    };
    // How far m_visible is known: Stale (to be worked out, cursor on the
    // first row), First (only the first row of the unfiltered copy), Full.
    enum class View { Stale, First, Full };

    [[noreturn]] void fail(const QString &message) const;
    void checkActive() const;
    void checkWritable() const; // open and in edit or insert state
    Row *currentRow();
    const Row *currentRow() const;
    const QVariant &fieldValue(int index) const;
    void setFieldValue(int index, const QVariant &value, Field *field);

    QList<Column> readColumns() const;
    void buildFields(const QList<Column> &columns);
    // Works out m_visible: whole, or (not whole) at least the current row.
    void resolve(bool whole) const;
    void resolveNow(bool whole);
    void invalidateView(); // the cursor goes to the first row once the rows are known
    void computeVisible();
    void setState(DatasetState state);
    void moveToFirst();
    int visibleIndexOfSerial(qint64 serial) const;
    void writeAndBrowse(); // Post after the controls have handed in their data
    void postEdit();
    void postInsert();
    QString rebuildFilter(); // compiles; on failure unfilters and returns the message
    void refilter(); // checkBrowseMode, rebuild, first row, notify

    void notify(DataEvent event, Field *field = nullptr);
    void addSource(DataSource *source);
    void removeSource(DataSource *source);

    TextSlot m_sql;
    QPointer<Connection> m_connection;
    QString m_table;
    QString m_where;
    QStringList m_leadColumns;

    DatasetState m_state = DatasetState::Inactive;
    std::vector<Field *> m_ownedFields; // deleted in the destructor
    QList<Field *> m_fieldList;
    QList<Column> m_columns;

    mutable RowCache m_cache;
    std::vector<Row *> m_visible; // the rows that pass the filter, in copy order
    int m_pos = 0; // index into m_visible
    bool m_eof = true;
    bool m_bof = true;
    View m_view = View::Stale;
    quint64 m_opening = 0;

    QList<QVariant> m_buffer; // values of the row being edited or inserted
    QList<bool> m_written; // columns written during the edit
    bool m_modified = false;

    QString m_filterText;
    bool m_filtered = false;
    std::unique_ptr<CompiledFilter> m_filter;

    int m_disableCount = 0;
    QList<DataSource *> m_sources;
};

} // namespace lovetest
