#pragma once
#include <memory>

#include <QString>

namespace lovetest {

class Dataset;
class SealedFields;
class TestDatabase;

// Escapes a text of the test database for the content page: "&", the double
// quote, "<", ">" and the space become entities, a carriage return "<br>".
QString htmlEscape(const QString &text);

// The content page of a test: heading, every question with its instructions
// and numbered options, the numbered verdicts of its first verdict row, and a
// footer, all as one HTML fragment, built before anything reaches a window.
struct ContentReport {
    QString page;
    QString title;
};

class ContentReportBuilder {
public:
    ContentReportBuilder(TestDatabase &database, SealedFields &sealed);
    ~ContentReportBuilder();

    // The page of the current catalog row. The question rows are walked
    // through a cursor of the report's own, so a test run's current question
    // and its pending answer stay as they are.
    ContentReport build();

private:
    TestDatabase &m_database;
    SealedFields &m_sealed;
    std::unique_ptr<Dataset> m_questions;
};

} // namespace lovetest
