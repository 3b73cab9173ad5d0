#pragma once
#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

namespace lovetest::content {

// Plays one test of a database with the real run controller, on a copy of
// the file (the file itself is never written).
struct PlayRequest {
    QString databasePath;
    qint64 testId = 0;
    QList<int> answers; // option index per question, in order, from 0
    std::optional<qint64> category; // the category value to choose, if asked
};

// The lines the run showed: every question caption as its panel shows it,
// the category prompt when one is shown, the verdict view's text, then
// "得分: SCORE" and, when a category was chosen, "类别: VALUE".
// Answers that do not fit the test are a UsageError; a run that fails is a
// ContentError.
QStringList playTest(const PlayRequest &request);

// The content page of one test, as the report window receives it.
QString reportTest(const QString &databasePath, qint64 testId);

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace lovetest::content
