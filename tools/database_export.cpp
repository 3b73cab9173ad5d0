#include "tools/database_export.h"

#include "data/database_error.h"

#include <optional>

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "data/codepage.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "seal/seal_codec.h"
#include "tools/scoped_database.h"
#include "tools/stored_text.h"

namespace lovetest::content {

namespace {

// Unseals the fields of one database with the data key the program derives.
class Unsealer {
public:
    Unsealer() : m_dataKey(deriveDataKeyText()) {}
    QByteArray bytes(const QVariant &sealed) { return m_codec.unsealField(m_dataKey, sealed.toString().toLatin1()); }
    QString text(const QVariant &sealed) { return fromStoredText(fromCp936(bytes(sealed))); }
    QStringList list(const QVariant &sealed, const char *separator)
    {
        QStringList items;
        for (const QByteArray &item : splitText(bytes(sealed), QByteArray(separator)))
            items.append(fromStoredText(fromCp936(item)));
        return items;
    }

private:
    SealCodec m_codec;
    QByteArray m_dataKey;
};

// The tables and fields the program reads, checked before any row is, so a
// file that is no test database is named as such.
const std::pair<const char *, QStringList> kRequiredTables[] = {
    {"量表", {"ID", "Parent", "Name", "目录", "分值", "分值范围", "结果", "参数", "备注", "填写说明"}},
    {"结果", {"lbid", "类别", "分值范围", "结果"}},
    {"说明", {}},
};

// A database opened for reading, after the checks that turn a wrong file
// into a message about the file.
class ReadableDatabase {
public:
    explicit ReadableDatabase(const QString &path) : m_path(path), m_database(requireFile(path), path, true)
    {
        QSqlQuery tables(db());
        tables.setForwardOnly(true);
        if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
            failWith(tables);
        QStringList present;
        while (tables.next())
            present.append(tables.value(0).toString());
        for (const auto &[table, fields] : kRequiredTables) {
            const QString name = QString::fromUtf8(table);
            if (!present.contains(name, Qt::CaseInsensitive))
                fail(QStringLiteral("is not a test database: no table %1").arg(name));
            QSqlQuery columns(db());
            if (!columns.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(name)))
                failWith(columns);
            QStringList names;
            while (columns.next())
                names.append(columns.value(1).toString());
            for (const QString &field : fields) {
                if (!names.contains(field, Qt::CaseInsensitive))
                    fail(QStringLiteral("is not a test database: table %1 has no field %2").arg(name, field));
            }
        }
    }

    QSqlDatabase db() const { return m_database.db(); }
    [[noreturn]] void fail(const QString &what) const
    {
        throw ContentError(QStringLiteral("%1 %2").arg(m_path, what).toStdString());
    }
    void exec(QSqlQuery &query) const
    {
        if (!query.exec())
            failWith(query);
    }
    [[noreturn]] void failWith(const QSqlQuery &query) const
    {
        throw ContentError(databaseTrouble(m_path, engineErrorText(query.lastError())).toStdString());
    }

private:
    static QString requireFile(const QString &path)
    {
        const QFileInfo info(path);
        if (!info.exists())
            throw ContentError(QStringLiteral("%1: no such file").arg(path).toStdString());
        if (!info.isFile())
            throw ContentError(QStringLiteral("%1 is not a regular file").arg(path).toStdString());
        if (info.size() == 0)
            throw ContentError(QStringLiteral("%1 is not a test database: the file is empty").arg(path).toStdString());
        if (!looksLikeDatabase(path))
            throw ContentError(
                QStringLiteral("%1 is not a test database: it is no SQLite database file").arg(path).toStdString());
        return path;
    }

    QString m_path;
    ScopedDatabase m_database;
};

std::optional<qint64> exportableId(const QVariant &value)
{
    bool ok = false;
    const qint64 id = value.toLongLong(&ok);
    if (!ok || id < kMinId || id > kMaxId)
        return std::nullopt;
    return id;
}

} // namespace

bool looksLikeDatabase(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) &&
        file.read(16) == QByteArray("SQLite format 3", 16);
}

void requireTestDatabase(const QString &path)
{
    const ReadableDatabase database(path);
}

void exportDatabase(const QString &path, const std::function<void(const Test &)> &sink,
                    const std::function<void(const QString &)> &warn)
{
    ReadableDatabase database(path);
    QSqlDatabase db = database.db();
    Unsealer unseal;
    // Three cursors, each one pass in catalog order; a test's question and
    // verdict rows are found through the Parent and lbid indexes (SQLite
    // makes a passing one for the statement where a file lacks them).
    QSqlQuery entries(db);
    entries.setForwardOnly(true);
    entries.prepare(
        QStringLiteral("SELECT ID, Parent, Name, 分值范围, 结果, 参数, 备注 FROM 量表 WHERE 目录 = 1 ORDER BY ID"));
    database.exec(entries);
    QSqlQuery questions(db);
    questions.setForwardOnly(true);
    questions.prepare(QStringLiteral("SELECT c.ID, q.Name, q.分值范围, q.结果, q.填写说明 FROM 量表 c "
                                     "JOIN 量表 q ON q.Parent = c.ID AND (q.目录 IS NULL OR q.目录 <> 1) "
                                     "WHERE c.目录 = 1 ORDER BY c.ID, q.ID"));
    database.exec(questions);
    QSqlQuery verdicts(db);
    verdicts.setForwardOnly(true);
    verdicts.prepare(QStringLiteral("SELECT c.ID, v.类别, v.分值范围, v.结果 FROM 量表 c "
                                    "JOIN 结果 v ON v.lbid = c.ID WHERE c.目录 = 1 ORDER BY c.ID, v.rowid"));
    database.exec(verdicts);
    bool moreQuestions = questions.next();
    bool moreVerdicts = verdicts.next();
    while (entries.next()) {
        const qint64 rowId = entries.value(0).toLongLong();
        Test test;
        test.place.file = path;
        test.id = exportableId(entries.value(0));
        test.name = entries.value(2).toString();
        if (!test.id && warn)
            warn(
                QStringLiteral(
                    "%1: the id %2 lies outside %3 … %4; the entry is written without it and gets a new one when built")
                    .arg(describeTest(test), entries.value(0).toString())
                    .arg(kMinId)
                    .arg(kMaxId));
        const QVariant parent = entries.value(1);
        if (parent.isNull()) {
            test.parent = kNoParentRow;
        } else if (parent.toLongLong() != rowId) {
            test.parent = exportableId(parent);
            if (!test.parent && warn)
                warn(QStringLiteral("%1: the parent %2 lies outside %3 … %4; the entry is written at the top level")
                         .arg(describeTest(test), parent.toString())
                         .arg(kMinId)
                         .arg(kMaxId));
        }
        test.remarks = fromStoredText(entries.value(6).toString());
        // A field that cannot be unsealed is named by its entry and row.
        QString where = describeTest(test);
        try {
            for (; moreQuestions && questions.value(0).toLongLong() == rowId; moreQuestions = questions.next()) {
                where = describeQuestion(test, test.questions.size());
                Question question;
                question.place.file = path;
                question.text = unseal.text(questions.value(1));
                question.options = ChoiceList{unseal.list(questions.value(2), kValueSeparator),
                                              unseal.list(questions.value(3), kTextSeparator)};
                question.instructions = fromStoredText(questions.value(4).toString());
                test.questions.append(question);
            }
            for (; moreVerdicts && verdicts.value(0).toLongLong() == rowId; moreVerdicts = verdicts.next()) {
                where = QStringLiteral("%1, verdict row %2").arg(describeTest(test)).arg(test.verdicts.size() + 1);
                Verdict verdict;
                verdict.place.file = path;
                if (!verdicts.value(1).isNull())
                    verdict.category = verdicts.value(1).toString();
                verdict.thresholds = unseal.list(verdicts.value(2), kValueSeparator);
                verdict.texts = unseal.list(verdicts.value(3), kTextSeparator);
                test.verdicts.append(verdict);
            }
            // A catalog row with neither question nor verdict rows is a folder.
            test.folder = test.questions.isEmpty() && test.verdicts.isEmpty();
            where = describeTest(test) + QStringLiteral(", categories");
            if (!test.folder) {
                test.categories = entries.value(3).toString().isEmpty()
                    ? ChoiceList()
                    : ChoiceList{unseal.list(entries.value(3), kValueSeparator),
                                 unseal.list(entries.value(4), kTextSeparator)};
                if (test.categories == ChoiceList{{QString()}, {QString()}})
                    test.categories = {};
                test.factor = entries.value(5).toDouble();
            }
        } catch (const std::exception &e) {
            throw ContentError(
                QStringLiteral("%1: %2: %3").arg(path, where, QString::fromUtf8(e.what())).toStdString());
        }
        sink(test);
    }
    // The taker's own results are no content: they stay in the file and say so.
    if (warn && db.tables().contains(QStringLiteral("记录"))) {
        QSqlQuery history(db);
        if (history.exec(QStringLiteral("SELECT count(*) FROM 记录")) && history.next() &&
            history.value(0).toLongLong() > 0) {
            const qint64 records = history.value(0).toLongLong();
            warn(QStringLiteral("%1: the test history (table 记录: %2 %3) is not exported: it holds the results of "
                                "the people who took the tests, not test content")
                     .arg(path)
                     .arg(records)
                     .arg(records == 1 ? QStringLiteral("record") : QStringLiteral("records")));
        }
    }
}

Content loadDatabase(const QString &path)
{
    Content content;
    exportDatabase(path, [&content](const Test &test) { content.tests.append(test); });
    return content;
}

QList<Problem> checkDatabaseRows(const QString &path)
{
    ReadableDatabase database(path);
    QList<Problem> problems;
    // Damage in pages no export reads is found too.
    QSqlQuery pages(database.db());
    pages.setForwardOnly(true);
    pages.prepare(QStringLiteral("PRAGMA quick_check(1)"));
    database.exec(pages);
    if (pages.next() && pages.value(0).toString() != QLatin1String("ok"))
        problems.append(
            {Problem::Error, {}, QStringLiteral("the file is damaged (database disk image is malformed)"), {path}});
    const std::pair<QString, QString> kinds[] = {
        {QStringLiteral(
             "SELECT q.Parent, COUNT(*) FROM 量表 q WHERE (q.目录 IS NULL OR q.目录 <> 1) AND NOT EXISTS "
             "(SELECT 1 FROM 量表 c WHERE c.ID = q.Parent AND c.目录 = 1) GROUP BY q.Parent ORDER BY q.Parent"),
         QStringLiteral("%1 question rows with Parent %2 belong to no catalog entry (export leaves them out)")},
        {QStringLiteral("SELECT v.lbid, COUNT(*) FROM 结果 v WHERE NOT EXISTS "
                        "(SELECT 1 FROM 量表 c WHERE c.ID = v.lbid AND c.目录 = 1) GROUP BY v.lbid ORDER BY v.lbid"),
         QStringLiteral("%1 verdict rows with lbid %2 belong to no catalog entry (export leaves them out)")},
    };
    for (const auto &[sql, message] : kinds) {
        QSqlQuery query(database.db());
        query.setForwardOnly(true);
        query.prepare(sql);
        database.exec(query);
        while (query.next()) {
            const QString key = query.value(0).isNull() ? QStringLiteral("empty") : query.value(0).toString();
            problems.append({Problem::Warning, {}, message.arg(query.value(1).toLongLong()).arg(key), {path}});
        }
    }
    return problems;
}

} // namespace lovetest::content
