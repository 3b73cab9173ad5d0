#include "tools/database_update.h"

#include <map>
#include <optional>
#include <set>

#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "tools/database_build.h"
#include "tools/database_export.h"
#include "tools/scoped_database.h"

namespace lovetest::content {

namespace {

QString numberList(const std::set<qint64> &numbers)
{
    QStringList texts;
    for (const qint64 number : numbers)
        texts.append(QString::number(number));
    return texts.join(QLatin1Char(','));
}

// "5", "5, 6 and 9", or the first ten and how many in all.
QString shownIds(const QList<qint64> &ids)
{
    constexpr qsizetype kShown = 10;
    QStringList texts;
    for (qsizetype i = 0; i < std::min(ids.size(), kShown); ++i)
        texts.append(QString::number(ids[i]));
    if (ids.size() > kShown)
        return QStringLiteral("%1 … (%2 in all)").arg(texts.join(QStringLiteral(", "))).arg(ids.size());
    const QString last = texts.takeLast();
    return texts.isEmpty() ? last : QStringLiteral("%1 and %2").arg(texts.join(QStringLiteral(", ")), last);
}

// The entry's parent, or none for a top-level entry.
std::optional<qint64> parentOf(const Test &test)
{
    if (!test.parent || *test.parent == kNoParentRow || *test.parent == *test.id)
        return std::nullopt;
    return test.parent;
}

class Update {
public:
    Update(const QString &path, const Content &content, const UpdateOptions &options)
        : m_path(path), m_content(content), m_database(path, path, options.dryRun)
    {
        run(QStringLiteral("PRAGMA busy_timeout = %1").arg(options.busyTimeoutMs));
        // Immediate: the write lock is taken (waited for) before anything is
        // read, so what is checked is what gets written over.
        run(options.dryRun ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~Update()
    {
        if (!m_done)
            QSqlQuery(m_database.db()).exec(QStringLiteral("ROLLBACK"));
    }

    // The catalog entries of the file, each with its parent (none at the top).
    void readCatalog()
    {
        QSqlQuery query = run(QStringLiteral("SELECT ID, Parent FROM 量表 WHERE 目录 = 1"));
        while (query.next()) {
            const qint64 id = query.value(0).toLongLong();
            const QVariant parent = query.value(1);
            m_parents[id] =
                parent.isNull() || parent.toLongLong() == id ? std::nullopt : std::optional(parent.toLongLong());
        }
    }
    bool holds(qint64 id) const { return m_parents.count(id); }

    // Every parent must be placed, and the catalog must stay a tree.
    void checkPlacement(QList<Problem> &problems)
    {
        std::map<qint64, std::optional<qint64>> parents = m_parents;
        std::set<qint64> ids;
        for (const Test &test : m_content.tests) {
            parents[*test.id] = parentOf(test);
            ids.insert(*test.id);
        }
        for (const Test &test : m_content.tests) {
            const std::optional<qint64> parent = parentOf(test);
            if (!parent || ids.count(*parent))
                continue;
            if (!holds(*parent))
                fail(QStringLiteral("%1: the parent %2 is neither an entry of the content files nor of %3")
                         .arg(describeTest(test))
                         .arg(*parent)
                         .arg(m_path));
            // The build's warning that the entry stands at the top level
            // does not hold here: the file places it.
            problems.removeIf([&](const Problem &p) {
                return p.severity == Problem::Warning && p.where == describeTest(test) &&
                    p.what.startsWith(QStringLiteral("the parent %1 ").arg(*parent));
            });
        }
        for (const Test &test : m_content.tests) {
            std::set<qint64> seen{*test.id};
            for (auto up = parents[*test.id]; up && parents.count(*up); up = parents[*up]) {
                if (!seen.insert(*up).second)
                    fail(QStringLiteral("%1: the parents lead round in a circle back to id %2")
                             .arg(describeTest(test))
                             .arg(*up));
            }
        }
    }

    // The ids the new rows take that rows staying in the file hold.
    void checkIds(const QList<TestRows> &rows)
    {
        std::set<qint64> wanted;
        for (const TestRows &r : rows) {
            wanted.insert(r.testId);
            wanted.insert(r.questionIds.begin(), r.questionIds.end());
        }
        QSqlQuery query =
            run(QStringLiteral("SELECT ID FROM 量表 WHERE ID IN (%1) AND ID NOT IN (SELECT ID FROM 量表 WHERE %2) "
                               "ORDER BY ID")
                    .arg(numberList(wanted), replacedRows()));
        QList<qint64> taken;
        while (query.next())
            taken.append(query.value(0).toLongLong());
        if (!taken.isEmpty())
            fail(QStringLiteral("%1: other entries' rows hold %2 %3, which the entries and questions of the content "
                                "files would take")
                     .arg(m_path, taken.size() == 1 ? QStringLiteral("the id") : QStringLiteral("the ids"),
                          shownIds(taken)));
    }

    // The entries' rows go, with any rows a deletion in the window left
    // under their ids, and the content's rows take their place.
    void write(const QList<TestRows> &rows)
    {
        run(QStringLiteral("DELETE FROM 量表 WHERE %1").arg(replacedRows()));
        run(QStringLiteral("DELETE FROM 结果 WHERE lbid IN (%1)").arg(numberList(entryIds())));
        insertEntries(m_database.db(), m_content, rows);
        run(QStringLiteral("COMMIT"));
        m_done = true;
    }

private:
    std::set<qint64> entryIds() const
    {
        std::set<qint64> ids;
        for (const Test &test : m_content.tests)
            ids.insert(*test.id);
        return ids;
    }

    QString replacedRows() const
    {
        const QString ids = numberList(entryIds());
        return QStringLiteral("(目录 = 1 AND ID IN (%1)) OR ((目录 IS NULL OR 目录 <> 1) AND Parent IN (%1))").arg(ids);
    }

    QSqlQuery run(const QString &sql)
    {
        QSqlQuery query(m_database.db());
        query.setForwardOnly(true);
        if (!query.exec(sql))
            fail(QStringLiteral("%1: %2").arg(m_path, ScopedDatabase::reason(query.lastError())));
        return query;
    }

    [[noreturn]] void fail(const QString &what) const
    {
        throw ContentError(QStringLiteral("%1; nothing was written").arg(what).toStdString());
    }

    QString m_path;
    const Content &m_content;
    ScopedDatabase m_database;
    std::map<qint64, std::optional<qint64>> m_parents;
    bool m_done = false;
};

} // namespace

QList<EntryChange> updateDatabase(const QString &path, const Content &content, QList<Problem> &problems,
                                  const UpdateOptions &options)
{
    for (const Test &test : content.tests) {
        if (!test.id)
            throw ContentError(QStringLiteral("%1: an update needs the id of every entry (one without would be "
                                              "added again by every update); nothing was written")
                                   .arg(describeTest(test))
                                   .toStdString());
    }
    const QList<TestRows> rows = assignIds(content);
    requireTestDatabase(path);
    Update update(path, content, options);
    update.readCatalog();
    update.checkPlacement(problems);
    update.checkIds(rows);
    QList<EntryChange> changes;
    for (qsizetype i = 0; i < content.tests.size(); ++i)
        changes.append({i, update.holds(*content.tests[i].id)});
    if (!options.dryRun)
        update.write(rows);
    return changes;
}

} // namespace lovetest::content
