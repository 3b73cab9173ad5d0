#include "run/headless_view.h"

#include <stdexcept>

#include "data/test_database.h"

namespace lovetest {

HeadlessRunView::HeadlessRunView(TestDatabase &database, SealedFields &sealed) : m_database(database), m_sealed(sealed)
{}

void HeadlessRunView::clearPanel()
{
    m_shown.clear();
    m_choices = {};
    m_boundField = nullptr;
    m_chosen = -1;
    ++m_clears;
}

void HeadlessRunView::fitInstructions()
{
    m_instructions = m_database.questions.fieldByName(QStringLiteral("填写说明"))->asString();
}

void HeadlessRunView::showQuestion(int number, int total)
{
    m_choices = questionContent(m_database, m_sealed, number, total);
    m_shown = m_choices.caption;
    m_boundField = m_database.questions.fieldByName(QStringLiteral("分值"));
    if (m_choices.error)
        throw std::out_of_range(m_choices.error->toStdString());
}

void HeadlessRunView::showCategoryChoice()
{
    m_choices = categoryContent(m_database, m_sealed);
    m_shown = m_choices.caption;
    m_boundField = m_database.catalog.fieldByName(QStringLiteral("分值"));
    if (m_choices.error)
        throw std::out_of_range(m_choices.error->toStdString());
}

void HeadlessRunView::showRemarks()
{
    m_shown = QStringLiteral("remarks");
}

void HeadlessRunView::choose(int index)
{
    if (!m_boundField || index < 0 || index >= m_choices.items.size())
        throw std::out_of_range("no such item");
    m_chosen = index;
    writeChoice(*m_boundField, m_choices.items.at(index).value);
}

} // namespace lovetest
