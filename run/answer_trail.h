#pragma once
#include <QList>

#include "data/dataset.h"

namespace lovetest {

// The question rows of a running test in the order the run shows them, the
// item chosen on each of them in this run, and where the run stands. Going
// back returns to a remembered row; a row visited again shows the item
// chosen on it before.
class AnswerTrail {
public:
    // Remembers the question rows of the filtered question set (the test's
    // own row left out); nothing chosen yet, standing on the first question.
    // Walks the set.
    void begin(Dataset &questions);

    int size() const { return int(m_rows.size()); }
    // The index of the question shown; size() once the questions are done.
    int position() const { return m_position; }
    void setPosition(int position) { m_position = position; }
    Bookmark bookmark(int index) const { return m_rows.at(index); }

    // The item chosen on question index in this run, -1 for none.
    int chosen(int index) const { return index >= 0 && index < m_chosen.size() ? m_chosen[index] : -1; }
    void setChosen(int index, int item);
    const QList<int> &chosenItems() const { return m_chosen; }
    // Takes over the choices of an earlier, unfinished run of the same test.
    void restore(const QList<int> &chosen);
    // The questions with a choice (stored as the run went on).
    int answeredCount() const { return int(m_chosen.size() - m_chosen.count(-1)); }
    // The first question without a choice; size() when all have one.
    int firstUnanswered() const;

    // The category chosen before going back from the category choice; it is
    // shown chosen once the choice comes round again.
    int takeCategoryChoice();
    void setCategoryChoice(int item) { m_category = item; }

private:
    QList<Bookmark> m_rows;
    QList<int> m_chosen;
    int m_position = 0;
    int m_category = -1;
};

} // namespace lovetest
