#pragma once
#include <functional>
#include <memory>
#include <optional>

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include "run/run_result.h"

namespace lovetest {

class Connection;
class RunClaims;

// The taker's past runs, kept in the table 记录 of the open test database
// beside the test content. The table is made when the first run is recorded,
// so a file without it works unchanged; no query of the test content reads
// it. A run under way is a row not yet finished, holding the choices made so
// far, so that it can be taken up again after the program ended.
//
// Every write goes through the connection's row writes. A write the file
// refuses raises DatabaseError with the engine's words, except begin and
// discard: a run under way that cannot be written down is still taken, and
// its result is recorded at the end. Reads of a table that cannot be read
// find nothing.
//
// A run under way belongs to the copy of the program that began or took it
// up (RunClaims): another copy on the same file neither offers nor drops it
// while that copy runs.
class RunHistory {
public:
    explicit RunHistory(Connection &connection);
    ~RunHistory();

    // The texts of Entry and Unfinished, and the names of testsTaken(), are
    // heads of what is stored: at most kShownLineLength + 1 characters
    // (data/text_head.h), so a place showing them knows a cut one.
    struct Entry {
        qint64 record = 0;
        QDateTime time;
        qint64 testId = 0;
        QString testName;
        QString category;
        double score = 0;
        QString verdict;
    };
    struct Unfinished {
        qint64 record = 0;
        qint64 testId = 0;
        QString testName;
        QList<int> chosen; // item index per question, -1 for none yet
        // False when the stored answers are longer than any test's: the
        // record is not read further, and can only be dropped.
        bool usable = true;
    };
    // The longest answer list a run record may hold: far more questions than
    // a test has, and little enough to read at start without a wait.
    static constexpr qsizetype kChoicesTextLimit = 64 * 1024;

    // A new run under way; nullopt when the file takes no history.
    std::optional<qint64> begin(qint64 testId, const QString &testName);
    // Written in the step's transaction under a savepoint of its own, so a
    // refused write takes back only itself.
    void storeChoices(qint64 record, const QList<int> &chosen);
    // The run under way becomes a finished record.
    void finish(qint64 record, const RunResult &result);
    // A finished record of its own, for a run that has none under way.
    void record(const RunResult &result);
    // Drops a run that was not finished.
    void discard(qint64 record);
    // The latest run not finished that no other running copy owns, if any;
    // this copy owns it from then on.
    std::optional<Unfinished> unfinished();

    // Finished runs, newest first; of one test only when testId is given.
    QList<Entry> entries(std::optional<qint64> testId = std::nullopt) const;
    // The tests with finished runs: ID and the name last taken under, by name.
    QList<std::pair<qint64, QString>> testsTaken() const;
    // Each test with finished runs, by ID: the record of its latest run. One
    // query of numbers alone, however many tests and runs the file holds.
    QHash<qint64, qint64> latestRecords() const;
    // One finished run as the lists show it.
    std::optional<Entry> entry(qint64 record) const;
    // Told after finished records came or went through this object.
    void setChangeNotice(std::function<void()> notice) { m_changed = std::move(notice); }
    // A finished run as the result page shows it: its name and category are
    // heads as above, its verdict a head of kShownHeadLength + 1 characters.
    std::optional<RunResult> result(qint64 record) const;
    void remove(qint64 record);
    void removeAll();

    static QString tableName() { return QStringLiteral("记录"); }

private:
    // Returns whether a record went.
    bool deleteRecord(qint64 record, bool finished);
    void changed() const;
    void ensureTable();
    // Claims of runs under way, on a file other copies may share; none for
    // a file read into memory.
    RunClaims *claims();

    Connection &m_connection;
    std::unique_ptr<RunClaims> m_claims;
    std::function<void()> m_changed;
};

// The choices as kept for a run under way: "0,2,-1".
QString choicesText(const QList<int> &chosen);
QList<int> choicesFromText(const QString &text);

} // namespace lovetest
