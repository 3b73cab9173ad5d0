#pragma once
#include <optional>

#include <QHash>
#include <QList>
#include <QString>

#include "run/run_history.h"

namespace lovetest {

class Connection;

// Two people who take a test together: the pair, kept in the table 两人测试
// beside the run history, and the link of each of their run records to it
// (the column 配对 of 记录, added when the first pair is kept). A file
// without them reads as one without pairs; the runs stay runs of their own.
class PairHistory {
public:
    explicit PairHistory(Connection &connection);

    struct Member {
        qint64 record = 0;
        bool finished = false;
    };
    struct Pair {
        qint64 id = 0;
        QString firstName;
        QString secondName;
        // The linked run records in the order they were begun: the first
        // taker's, then the second's.
        QList<Member> members;
    };

    // A new pair, with the first taker's run record linked to it in the
    // same commit; raises DatabaseError when the file takes none.
    qint64 create(const QString &firstName, const QString &secondName, qint64 firstRecord);
    // Raises DatabaseError when the file refuses.
    void link(qint64 record, qint64 pair);
    // The pair the record belongs to, if any.
    std::optional<Pair> pairOf(qint64 record) const;
    std::optional<Pair> pair(qint64 id) const;
    // Every linked record, with its pair.
    QHash<qint64, qint64> links() const;
    // Every pair's names, by pair: first and second taker's.
    QHash<qint64, std::pair<QString, QString>> names() const;
    // The pair goes; its records stay, as runs of their own.
    void dissolve(qint64 pair);

    static QString tableName() { return QStringLiteral("两人测试"); }

private:
    void ensureTables();

    Connection &m_connection;
};

// A row of the history list: one finished run, or the two runs of a pair
// whose both takers finished, shown where the newer of them stands.
struct HistoryRow {
    qint64 pair = 0; // 0: a run of its own, in first
    RunHistory::Entry first;
    RunHistory::Entry second;
};
// The rows of finished runs listed newest first, given the pair links.
QList<HistoryRow> historyRows(const QList<RunHistory::Entry> &entries, const QHash<qint64, qint64> &links);

} // namespace lovetest
