#include "run/answer_trail.h"

#include "run/test_run.h"

namespace lovetest {

void AnswerTrail::begin(Dataset &questions)
{
    m_rows.clear();
    for (questions.first(); !questions.atEnd(); questions.next()) {
        if (!isTestsOwnRow(questions))
            m_rows.append(questions.bookmark());
    }
    m_chosen = QList<int>(m_rows.size(), -1);
    m_position = 0;
    m_category = -1;
}

void AnswerTrail::setChosen(int index, int item)
{
    if (index >= 0 && index < m_chosen.size())
        m_chosen[index] = item;
}

void AnswerTrail::restore(const QList<int> &chosen)
{
    for (int i = 0; i < m_chosen.size() && i < chosen.size(); ++i)
        m_chosen[i] = chosen[i];
}

int AnswerTrail::firstUnanswered() const
{
    const int index = int(m_chosen.indexOf(-1));
    return index < 0 ? size() : index;
}

int AnswerTrail::takeCategoryChoice()
{
    const int item = m_category;
    m_category = -1;
    return item;
}

} // namespace lovetest
