#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <stdexcept>
#include <utility>

namespace lovetest {

// The filter language of the datasets:
//
//   filter    := [ condition { "and" condition } ]
//   condition := FIELD ( "=" | "like" ) VALUE
//   VALUE     := [ "+" | "-" ] digits  |  "'" text "'"   ('' inside stands for ')
//
// Keywords and field names ignore letter case; field names may be CJK
// identifiers; blanks around tokens are free ("Parent=12",
// "lbid=3 and 类别=2", "name like '*abc*'").
//
//   field = number   compares numerically; Null never equals
//   field = 'text'   compares the field's text exactly; Null never equals
//   field like 'p'   '*' in p matches any run of characters, every other
//                    character matches itself ('%', '_', '?' included);
//                    "\*" matches a literal '*' and "\\" a backslash;
//                    Latin letters match without regard to case; Null
//                    never matches
//
// A filter text is never turned into SQL; it is parsed and evaluated here.

class FilterError : public std::runtime_error {
public:
    explicit FilterError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

struct FilterCondition {
    enum Op { Equal, Like };
    QString field;
    Op op = Equal;
    bool numeric = false; // the value was written as a number
    qint64 number = 0;
    QString text; // the quoted text, '' already turned into '
};

// Parses a filter text; raises FilterError with a message such as
// "Filter expression incorrectly terminated".
QList<FilterCondition> parseFilter(const QString &text);

// A filter bound to the columns of a dataset, ready to test rows fast.
class CompiledFilter {
public:
    // Parses text and binds the field names to columns (matched without
    // regard to case); an unknown name raises "Unknown field 'x' in filter".
    CompiledFilter(const QString &text, const QStringList &columnNames);

    bool matches(const QList<QVariant> &rowValues) const;
    bool isEmpty() const { return m_tests.isEmpty(); }
    // The columns the tests read.
    QList<int> columns() const;
    // The first "field = number" test as (column, number): every row that
    // passes holds that number there (or a text or blob that reads as it),
    // so a reader can look the rows up by that column.
    std::optional<std::pair<int, qint64>> numberKey() const;

private:
    struct Test {
        int column;
        FilterCondition::Op op;
        bool numeric;
        qint64 number;
        QString text;
        QStringList pieces; // the like pattern split at '*'
    };
    static bool equalsNumber(const QVariant &value, qint64 number);
    static bool equalsText(const QVariant &value, const QString &text);
    static bool like(const QVariant &value, const Test &test);

    QList<Test> m_tests;
};

// Matches text against a like pattern ('*' = any run, everything else
// literal, Latin letters without regard to case).
bool likeMatch(QStringView text, QStringView pattern);

} // namespace lovetest
