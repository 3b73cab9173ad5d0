#include "run/run_history.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "data/connection.h"
#include "data/database_error.h"
#include "data/text_head.h"
#include "run/run_claims.h"

namespace lovetest {

namespace {

const QString kCreate =
    QStringLiteral("CREATE TABLE IF NOT EXISTS 记录 ("
                   "编号 INTEGER PRIMARY KEY AUTOINCREMENT, 时间 TEXT NOT NULL, 测试ID INTEGER NOT NULL, 测试名称 TEXT,"
                   " 类别 TEXT, 分值 REAL, 区间 TEXT, 最低分 REAL, 最高分 REAL, 结果 TEXT, 答案 TEXT, 选择 TEXT,"
                   " 完成 INTEGER NOT NULL DEFAULT 0)");
// Lists read only the heads of the texts (one character more than a list
// shows, so a cut text is known as one): a record may hold megabytes.
QString headColumn(const char *column)
{
    return QStringLiteral("substr(%1, 1, %2)").arg(QString::fromUtf8(column)).arg(kShownLineLength + 1);
}
const QString kEntryColumns = QStringLiteral("编号, 时间, 测试ID, %1, %2, 分值, %3")
                                  .arg(headColumn("测试名称"), headColumn("类别"), headColumn("结果"));
// Times are kept as ISO text, to the millisecond, so they sort as written.
const Qt::DateFormat kTimeFormat = Qt::ISODateWithMs;

// The rows of a query over kEntryColumns.
QList<RunHistory::Entry> entriesOf(QSqlQuery &query)
{
    QList<RunHistory::Entry> list;
    while (query.next()) {
        list.append({query.value(0).toLongLong(), QDateTime::fromString(query.value(1).toString(), kTimeFormat),
                     query.value(2).toLongLong(), query.value(3).toString(), query.value(4).toString(),
                     query.value(5).toDouble(), query.value(6).toString()});
    }
    return list;
}

QString answersJson(const QList<RunResult::Answer> &answers)
{
    QJsonArray list;
    for (const RunResult::Answer &answer : answers)
        list.append(QJsonObject{{QStringLiteral("题目"), answer.question}, {QStringLiteral("答案"), answer.answer}});
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

QList<RunResult::Answer> answersFromJson(const QString &text)
{
    QList<RunResult::Answer> answers;
    for (const QJsonValue &value : QJsonDocument::fromJson(text.toUtf8()).array()) {
        const QJsonObject object = value.toObject();
        answers.append(
            {object.value(QStringLiteral("题目")).toString(), object.value(QStringLiteral("答案")).toString()});
    }
    return answers;
}

} // namespace

QString choicesText(const QList<int> &chosen)
{
    QStringList items;
    for (int item : chosen)
        items.append(QString::number(item));
    return items.join(QLatin1Char(','));
}

QList<int> choicesFromText(const QString &text)
{
    QList<int> chosen;
    if (text.isEmpty())
        return chosen;
    for (const QString &item : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int value = item.toInt(&ok);
        chosen.append(ok && value >= 0 ? value : -1);
    }
    return chosen;
}

RunHistory::RunHistory(Connection &connection) : m_connection(connection)
{}

RunHistory::~RunHistory() = default;

RunClaims *RunHistory::claims()
{
    if (!m_connection.connected() || m_connection.readOnly())
        return nullptr;
    if (!m_claims)
        m_claims = std::make_unique<RunClaims>(m_connection.fileName());
    return m_claims.get();
}

void RunHistory::ensureTable()
{
    QSqlQuery query(m_connection.db());
    if (!query.exec(kCreate))
        throw DatabaseError(engineErrorText(query.lastError()));
}

std::optional<qint64> RunHistory::begin(qint64 testId, const QString &testName)
{
    if (!m_connection.connected())
        return std::nullopt;
    try {
        ensureTable();
        // Claimed before another copy can see the row.
        Connection::Transaction write(m_connection);
        const qint64 record = m_connection.insertRow(
            tableName(),
            {QStringLiteral("时间"), QStringLiteral("测试ID"), QStringLiteral("测试名称"), QStringLiteral("选择"),
             QStringLiteral("完成")},
            {QDateTime::currentDateTime().toString(kTimeFormat), testId, testName, QString(QLatin1String("")), 0});
        if (RunClaims *owned = claims())
            owned->claim(record);
        write.commit();
        return record;
    } catch (const DatabaseError &) {
        return std::nullopt;
    }
}

void RunHistory::storeChoices(qint64 record, const QList<int> &chosen)
{
    if (!m_connection.connected())
        return;
    // Inside the step's transaction a savepoint: a refused write takes back
    // only itself.
    Connection::Transaction write(m_connection);
    if (!m_connection.updateRow(tableName(), record, {QStringLiteral("选择")}, {choicesText(chosen)}))
        throw DatabaseError(QStringLiteral("the record of the run under way is gone"));
    write.commit();
}

namespace {

const QStringList kResultColumns{QStringLiteral("时间"),   QStringLiteral("测试ID"), QStringLiteral("测试名称"),
                                 QStringLiteral("类别"),   QStringLiteral("分值"),   QStringLiteral("区间"),
                                 QStringLiteral("最低分"), QStringLiteral("最高分"), QStringLiteral("结果"),
                                 QStringLiteral("答案"),   QStringLiteral("完成")};

QList<QVariant> resultValues(const RunResult &result)
{
    return {result.finishedAt.toString(kTimeFormat),
            result.testId,
            result.testName,
            result.category,
            result.score,
            result.band,
            result.range.minimum,
            result.range.maximum,
            result.verdict,
            answersJson(result.answers),
            1};
}

} // namespace

void RunHistory::finish(qint64 record, const RunResult &result)
{
    if (!m_connection.connected())
        return;
    if (!m_connection.updateRow(tableName(), record, kResultColumns, resultValues(result)))
        throw DatabaseError(QStringLiteral("the record of the run under way is gone"));
    if (m_claims)
        m_claims->release(record);
    changed();
}

void RunHistory::record(const RunResult &result)
{
    if (!m_connection.connected())
        return;
    ensureTable();
    m_connection.insertRow(tableName(), kResultColumns, resultValues(result));
    changed();
}

void RunHistory::changed() const
{
    if (m_changed)
        m_changed();
}

void RunHistory::discard(qint64 record)
{
    try {
        deleteRecord(record, false);
    } catch (const DatabaseError &) {
        // Left behind, it is offered once more at the next start.
    }
    if (m_claims)
        m_claims->release(record);
}

// A run under way and a finished one are deleted by different commands, so
// neither can remove the other kind by mistake: the row goes only when it
// is of the kind asked for, checked in the same transaction.
bool RunHistory::deleteRecord(qint64 record, bool finished)
{
    if (!m_connection.connected())
        return false;
    Connection::Transaction transaction(m_connection);
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT 1 FROM 记录 WHERE 编号 = ? AND 完成 = ?"));
    query.addBindValue(record);
    query.addBindValue(finished ? 1 : 0);
    if (!query.exec())
        throw DatabaseError(engineErrorText(query.lastError()));
    if (!query.next())
        return false;
    query = QSqlQuery();
    m_connection.deleteRow(tableName(), record);
    transaction.commit();
    return true;
}

std::optional<RunHistory::Unfinished> RunHistory::unfinished()
{
    if (!m_connection.connected())
        return std::nullopt;
    std::optional<qint64> free;
    {
        QSqlQuery runs(m_connection.db());
        if (!runs.exec(QStringLiteral("SELECT 编号 FROM 记录 WHERE 完成 = 0 ORDER BY 编号 DESC")))
            return std::nullopt;
        RunClaims *owned = claims();
        while (!free && runs.next()) {
            const qint64 record = runs.value(0).toLongLong();
            if (!owned || owned->claim(record))
                free = record;
        }
    }
    if (!free)
        return std::nullopt;
    QSqlQuery query(m_connection.db());
    // Only heads are read: a record holding megabytes of name or answers
    // would hold up the start.
    if (!query.exec(QStringLiteral("SELECT 编号, 测试ID, %1, substr(选择, 1, %2) FROM 记录 WHERE 编号 = %3")
                        .arg(headColumn("测试名称"))
                        .arg(kChoicesTextLimit + 1)
                        .arg(*free)) ||
        !query.next())
        return std::nullopt;
    Unfinished open{query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toString(), {}};
    const QString choices = query.value(3).toString();
    if (choices.size() > kChoicesTextLimit)
        open.usable = false;
    else
        open.chosen = choicesFromText(choices);
    return open;
}

QList<RunHistory::Entry> RunHistory::entries(std::optional<qint64> testId) const
{
    QList<Entry> list;
    if (!m_connection.connected())
        return list;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT %1 FROM 记录 WHERE 完成 = 1%2 ORDER BY 时间 DESC, 编号 DESC")
                      .arg(kEntryColumns, testId ? QStringLiteral(" AND 测试ID = ?") : QString()));
    if (testId)
        query.addBindValue(*testId);
    if (!query.exec())
        return list;
    return entriesOf(query);
}

QList<std::pair<qint64, QString>> RunHistory::testsTaken() const
{
    QList<std::pair<qint64, QString>> tests;
    if (!m_connection.connected())
        return tests;
    QSqlQuery query(m_connection.db());
    // The name of each test's latest run.
    if (!query.exec(QStringLiteral("SELECT 测试ID, %1 FROM 记录 r WHERE 完成 = 1 AND 编号 ="
                                   " (SELECT MAX(编号) FROM 记录 WHERE 完成 = 1 AND 测试ID = r.测试ID)"
                                   " ORDER BY 测试名称")
                        .arg(headColumn("测试名称"))))
        return tests;
    while (query.next())
        tests.append({query.value(0).toLongLong(), query.value(1).toString()});
    return tests;
}

QHash<qint64, qint64> RunHistory::latestRecords() const
{
    QHash<qint64, qint64> latest;
    if (!m_connection.connected())
        return latest;
    QSqlQuery query(m_connection.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT 测试ID, MAX(编号) FROM 记录 WHERE 完成 = 1 GROUP BY 测试ID")))
        return latest;
    while (query.next())
        latest.insert(query.value(0).toLongLong(), query.value(1).toLongLong());
    return latest;
}

std::optional<RunHistory::Entry> RunHistory::entry(qint64 record) const
{
    if (!m_connection.connected())
        return std::nullopt;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT %1 FROM 记录 WHERE 编号 = ? AND 完成 = 1").arg(kEntryColumns));
    query.addBindValue(record);
    if (!query.exec())
        return std::nullopt;
    const QList<Entry> found = entriesOf(query);
    return found.isEmpty() ? std::nullopt : std::optional<Entry>(found.first());
}

std::optional<RunResult> RunHistory::result(qint64 record) const
{
    if (!m_connection.connected())
        return std::nullopt;
    QSqlQuery query(m_connection.db());
    // The result is shown, never taken further: its texts are read as the
    // heads the result page shows.
    query.prepare(QStringLiteral("SELECT 时间, 测试ID, %1, %2, 分值, 区间, 最低分, 最高分,"
                                 " substr(结果, 1, %3), 答案 FROM 记录 WHERE 编号 = ? AND 完成 = 1")
                      .arg(headColumn("测试名称"), headColumn("类别"))
                      .arg(kShownHeadLength + 1));
    query.addBindValue(record);
    if (!query.exec() || !query.next())
        return std::nullopt;
    RunResult result;
    result.finishedAt = QDateTime::fromString(query.value(0).toString(), kTimeFormat);
    result.testId = query.value(1).toLongLong();
    result.testName = query.value(2).toString();
    result.category = query.value(3).toString();
    result.score = query.value(4).toDouble();
    result.band = query.value(5).toString();
    result.range = {query.value(6).toDouble(), query.value(7).toDouble()};
    result.verdict = query.value(8).toString();
    result.answers = answersFromJson(query.value(9).toString());
    return result;
}

void RunHistory::remove(qint64 record)
{
    if (deleteRecord(record, true))
        changed();
}

void RunHistory::removeAll()
{
    if (!m_connection.connected())
        return;
    Connection::Transaction transaction(m_connection);
    QList<qint64> records;
    {
        QSqlQuery query(m_connection.db());
        if (!query.exec(QStringLiteral("SELECT 编号 FROM 记录 WHERE 完成 = 1")))
            throw DatabaseError(engineErrorText(query.lastError()));
        while (query.next())
            records.append(query.value(0).toLongLong());
    }
    for (qint64 record : std::as_const(records))
        m_connection.deleteRow(tableName(), record);
    transaction.commit();
    changed();
}

} // namespace lovetest
