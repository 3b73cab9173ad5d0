#pragma once
#include <algorithm>
#include <optional>
#include <stdexcept>

#include <QList>
#include <QString>
#include <QStringList>

namespace lovetest::content {

// A content error (exit status 1): the message names the test and question.
class ContentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The choices of a question or of a category panel: a value list paired
// item by item with a caption list. Values are kept as the texts that go into
// the list, and the two lists as read, so content whose values are not
// integers or whose lists differ in length can still be loaded and reported
// by the checker.
struct ChoiceList {
    QStringList values;
    QStringList captions;
    bool isEmpty() const { return values.isEmpty() && captions.isEmpty(); }
    qsizetype size() const { return std::max(values.size(), captions.size()); }
    void append(const QString &value, const QString &caption)
    {
        values.append(value);
        captions.append(caption);
    }
    bool operator==(const ChoiceList &) const = default;
};

struct Question {
    QString text;
    QString instructions; // empty: none
    ChoiceList options;
    bool operator==(const Question &) const = default;
};

struct Verdict {
    std::optional<QString> category; // set for the verdicts of a category test
    QStringList thresholds;
    QStringList texts;
    bool operator==(const Verdict &) const = default;
};

struct Test {
    std::optional<qint64> id;
    QString name;
    QString remarks;
    double factor = 1.0;
    ChoiceList categories; // empty: no category choice
    QList<Question> questions;
    QList<Verdict> verdicts;
    bool operator==(const Test &) const = default;
};

struct Content {
    QList<Test> tests;
    bool operator==(const Content &) const = default;
};

// "测试 'name' (id 3)" style location used in every message.
QString describeTest(const Test &test);
QString describeQuestion(const Test &test, qsizetype questionIndex);

} // namespace lovetest::content
