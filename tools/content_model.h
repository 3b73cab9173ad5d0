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

// Where an entry was read: the file, and the line and column when it came
// from a content file. Not part of the content: it never makes two equal.
struct SourcePlace {
    QString file;
    int line = 0;
    int column = 0;
    bool operator==(const SourcePlace &) const { return true; }
    // This place when it is known, otherwise fallback.
    SourcePlace orElse(const SourcePlace &fallback) const { return line > 0 ? *this : fallback; }
};

// Where a content file holds each item of a list. Like SourcePlace it never
// makes two lists unequal, and it is empty for content from a database.
struct SourcePlaces : QList<SourcePlace> {
    bool operator==(const SourcePlaces &) const { return true; }
    // The place of item i, or fallback when it is not known.
    SourcePlace placeOf(qsizetype i, const SourcePlace &fallback) const
    {
        return i < size() && (*this)[i].line > 0 ? (*this)[i] : fallback;
    }
};

// The choices of a question or of a category panel: a value list paired
// item by item with a caption list. Values are kept as the texts that go into
// the list, and the two lists as read, so content whose values are not
// integers or whose lists differ in length can still be loaded and reported
// by the checker.
struct ChoiceList {
    QStringList values;
    QStringList captions;
    SourcePlaces valuePlaces = {};
    SourcePlaces captionPlaces = {};
    bool isEmpty() const { return values.isEmpty() && captions.isEmpty(); }
    qsizetype size() const { return std::max(values.size(), captions.size()); }
    void append(const QString &value, const QString &caption)
    {
        values.append(value);
        captions.append(caption);
    }
    bool operator==(const ChoiceList &) const = default;
};

// The lowest and highest id an entry or question row may take: the ids the
// program's integer fields and filter texts hold without loss.
constexpr qint64 kMinId = 1;
constexpr qint64 kMaxId = 2147483647;

// The list keys of an entry the reader refused (and reported), so the checker
// does not report the same mistake again as an empty list.
struct RefusedKeys : QStringList {
    bool operator==(const RefusedKeys &) const { return true; }
};

struct Question {
    QString text;
    QString instructions; // empty: none
    ChoiceList options;
    SourcePlace place;
    // The pieces' own places; "= {}" lets brace lists leave them out quietly.
    SourcePlace textPlace = {}, instructionsPlace = {}, optionsPlace = {};
    RefusedKeys refused = {};
    bool operator==(const Question &) const = default;
};

struct Verdict {
    std::optional<QString> category; // set for the verdicts of a category test
    QStringList thresholds;
    QStringList texts;
    SourcePlace place;
    SourcePlace categoryPlace = {}, thresholdsPlace = {}, textsPlace = {};
    SourcePlaces thresholdPlaces = {}, textPlaces = {};
    RefusedKeys refused = {};
    bool operator==(const Verdict &) const = default;
};

// A catalog entry: a test, or a folder (a catalog row without questions
// under which other entries stand).
struct Test {
    SourcePlace place;
    std::optional<qint64> id;
    bool folder = false;
    // Where the entry stands: none at the top level (its row's Parent is its
    // own ID); kNoParentRow for a row whose Parent is empty (Null), as
    // databases written elsewhere may hold; otherwise the parent entry's id.
    std::optional<qint64> parent;
    QString name;
    QString remarks;
    double factor = 1.0;
    ChoiceList categories; // empty: no category choice
    QList<Question> questions;
    QList<Verdict> verdicts;
    SourcePlace idPlace = {}, parentPlace = {}, namePlace = {}, remarksPlace = {}, factorPlace = {},
                categoriesPlace = {}, questionsPlace = {}, verdictsPlace = {};
    RefusedKeys refused = {};
    bool operator==(const Test &) const = default;
};

struct Content {
    QList<Test> tests;
    bool operator==(const Content &) const = default;
};

constexpr qint64 kNoParentRow = 0;

// A mistake found in content: "FILE:LINE:COLUMN: error: test …, question 2: what".
struct Problem {
    enum Severity { Error, Warning };
    Severity severity;
    QString where; // the test, question or verdict row concerned
    QString what;
    SourcePlace place;
    QString text() const;
};
bool hasErrors(const QList<Problem> &problems);

// "test \"name\" (id 3)": the location every message names, the name as
// shownName() shows it.
QString describeTest(const Test &test);
QString describeQuestion(const Test &test, qsizetype questionIndex);

// A score, value or threshold of the content as the program reads it (a
// 32-bit integer); nullopt when it is none.
std::optional<qint64> integerValue(const QString &text);

} // namespace lovetest::content
