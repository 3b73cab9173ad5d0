#pragma once
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include "data/text_head.h"

class QTextEdit;

namespace lovetest {

// The text with CR LF and a lone CR turned into "\n".
QString withPlainLineBreaks(const QString &text);

// The part of a text a view shows at first: the whole text when it fits,
// otherwise its first headLength characters (never half a surrogate pair)
// followed by a line with "…".
struct TextHead {
    QString shown;
    bool truncated = false;
};
TextHead headOf(const QString &text, qsizetype headLength = kShownHeadLength);

// Shows plain texts in a text view at a cost that does not depend on their
// length: a long text shows its head and a "显示全文" button that puts the
// whole text into the view. While only the head shows, the view is kept
// read-only, so no edit can drop the rest of the text.
class LongTextPresenter : public QObject {
    Q_OBJECT
public:
    explicit LongTextPresenter(QTextEdit &view, qsizetype headLength = kShownHeadLength);

    // Shows text, taking CR LF and a lone CR as line breaks; only the part
    // shown is prepared, so the cost does not grow with the text.
    void show(const QString &text);
    void showAll();
    // Only the head of the last text shows.
    bool truncated() const { return m_truncated; }
    QPushButton *showAllButton() const { return m_button; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeButton();
    void releaseReadOnly();

    QTextEdit &m_view;
    qsizetype m_headLength;
    QString m_text;
    bool m_truncated = false;
    bool m_madeReadOnly = false;
    QPointer<QPushButton> m_button;
    QPointer<QWidget> m_viewport;
};

} // namespace lovetest
