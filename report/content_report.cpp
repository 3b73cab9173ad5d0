#include "report/content_report.h"

#include <stdexcept>

#include "data/codepage.h"
#include "data/convert.h"
#include "data/dataset.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "data/text_head.h"
#include "seal/keys.h"

namespace lovetest {

QString htmlEscape(const QString &text)
{
    // toHtmlEscaped covers "&", the double quote, "<" and ">"; the page
    // keeps runs of spaces and its own line breaks.
    return text.toHtmlEscaped()
        .replace(QLatin1Char(' '), QLatin1String("&nbsp;"))
        .replace(QLatin1Char('\r'), QLatin1String("<br>"));
}

ContentReportBuilder::ContentReportBuilder(TestDatabase &database, SealedFields &sealed)
    : m_database(database), m_sealed(sealed)
{}

ContentReportBuilder::~ContentReportBuilder() = default;

ContentReport ContentReportBuilder::build()
{
    Dataset &catalog = m_database.catalog;
    if (!catalog.active())
        throw std::runtime_error(closedDatabaseMessage(m_database.connection.fileName()).toStdString());
    const Field *idField = catalog.fieldByName(QStringLiteral("id"));
    if (catalog.isEmpty() || idField->isNull())
        throw std::runtime_error("没有选中的测试，无法查看测试内容：请先在目录中选择一个测试");
    const QString testId = integerText(idField->asLargeInt());
    // The page is laid out whole: each text goes into it only as its head.
    const QString name = boundedLine(catalog.fieldByName(QStringLiteral("name"))->asString());

    // Read afresh for every report: the copy then holds what was posted since,
    // such as instructions edited in the instructions pane.
    auto questions = std::make_unique<Dataset>(QString::fromUtf8(message_names::kQuestions), &m_database.connection,
                                               m_database.questions.tableName());
    questions->open();
    m_questions = std::move(questions);
    Dataset &rows = *m_questions;

    m_sealed.refreshDataKey();
    const QString site = fromCp936(m_sealed.unseal(sealedSiteAddress()));

    QString page = QStringLiteral("<p align=center><B><font size=5><a target=\"_blank\" href=\"http://") + site +
        QStringLiteral("\" style=\"text-decoration: none\">[心理测试]:</a>") + name.toHtmlEscaped() +
        QStringLiteral("</font></B></p><br><br>");

    rows.setFiltered(false);
    rows.setFilter(QStringLiteral("Parent=") + testId);
    rows.setFiltered(true);
    rows.first();
    const Field *parent = rows.fieldByName(QStringLiteral("Parent"));
    const Field *rowId = rows.fieldByName(QStringLiteral("id"));
    while (!rows.atEnd() && !parent->isNull() && parent->asLargeInt() == rowId->asLargeInt())
        rows.next();
    for (; !rows.atEnd(); rows.next()) {
        // Entries placed under this one (a test under a test) are no questions.
        if (rows.fieldByName(QStringLiteral("目录"))->asInteger() != 0)
            continue;
        page += htmlEscape(boundedText(rows.fieldByName(QStringLiteral("填写说明"))->asString())) +
            QStringLiteral("<br><br>");
        page += QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;<b>") +
            boundedText(fromCp936(m_sealed.unseal(*rows.fieldByName(QStringLiteral("name"))))).toHtmlEscaped() +
            QStringLiteral("</B><br>");
        const QList<QByteArray> options =
            m_sealed.unsealList(*rows.fieldByName(QStringLiteral("结果")), kTextSeparator);
        for (qsizetype i = 0; i < options.size(); ++i)
            page += QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;%1.").arg(i + 1) +
                htmlEscape(boundedText(fromCp936(options[i]))) + QStringLiteral("<br>");
    }

    page += QStringLiteral("<br><br><b>&nbsp;&nbsp;&nbsp;&nbsp;[测试结果]:</b><br>");
    Dataset &verdictSet = m_database.verdicts;
    verdictSet.setFiltered(false);
    verdictSet.setFilter(QStringLiteral("lbid=") + testId);
    verdictSet.setFiltered(true);
    const QList<QByteArray> verdicts =
        m_sealed.unsealList(*verdictSet.fieldByName(QStringLiteral("结果")), kTextSeparator);
    for (qsizetype j = 0; j < verdicts.size(); ++j)
        page += QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;选择:%1.<br>").arg(j + 1) +
            htmlEscape(boundedText(fromCp936(verdicts[j]))) + QStringLiteral("<br>");

    page += QStringLiteral("<br>朗月心理测试网:<a target=\"_blank\" href=\"http://") + site +
        QStringLiteral("\">http://") + site + QStringLiteral("</a>");
    return {page, name};
}

} // namespace lovetest
