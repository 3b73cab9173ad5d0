#include "widgets/plain_text_view.h"

#include <utility>

#include <QEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextEdit>

#include "widgets/guard.h"

namespace lovetest {

QString withPlainLineBreaks(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

TextHead headOf(const QString &text, qsizetype headLength)
{
    if (text.size() <= headLength)
        return {text, false};
    return {text.left(headCut(text, headLength)) + QStringLiteral("\n…"), true};
}

LongTextPresenter::LongTextPresenter(QTextEdit &view, qsizetype headLength)
    : QObject(&view), m_view(view), m_headLength(headLength)
{
    m_button = new QPushButton(&view);
    m_button->setObjectName(QStringLiteral("showAllButton"));
    m_button->setAccessibleName(QStringLiteral("显示全文"));
    m_button->hide();
    connect(m_button, &QPushButton::clicked, this, [this] { guarded(&m_view, [this] { showAll(); }); });
    // The viewport is resized once the scroll bars are placed.
    m_viewport = m_view.viewport();
    m_viewport->installEventFilter(this);
}

void LongTextPresenter::show(const QString &text)
{
    releaseReadOnly();
    const TextHead head = headOf(text, m_headLength);
    m_truncated = head.truncated;
    m_text = m_truncated ? text : QString();
    if (m_truncated && !m_view.isReadOnly()) {
        m_view.setReadOnly(true);
        m_madeReadOnly = true;
    }
    m_view.setPlainText(withPlainLineBreaks(head.shown));
    if (m_truncated) {
        m_button->setText(QStringLiteral("显示全文（共 %1 字）").arg(text.size()));
        m_button->adjustSize();
        placeButton();
        m_button->show();
    } else {
        m_button->hide();
    }
}

void LongTextPresenter::showAll()
{
    if (!m_truncated)
        return;
    const QString text = std::exchange(m_text, QString());
    m_truncated = false;
    m_button->hide();
    releaseReadOnly();
    // Showing more is no edit by the user.
    const QSignalBlocker quiet(&m_view);
    m_view.setPlainText(withPlainLineBreaks(text));
}

void LongTextPresenter::releaseReadOnly()
{
    if (m_madeReadOnly)
        m_view.setReadOnly(false);
    m_madeReadOnly = false;
}

bool LongTextPresenter::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by the pointer kept: the view may be half destroyed here.
    if (watched == m_viewport && event->type() == QEvent::Resize && m_button && !m_button->isHidden())
        placeButton();
    return QObject::eventFilter(watched, event);
}

void LongTextPresenter::placeButton()
{
    // Bottom right, clear of the vertical scroll bar.
    const QRect area = m_viewport->geometry();
    const QSize size = m_button->sizeHint();
    m_button->setGeometry(area.right() - size.width() - 4, area.bottom() - size.height() - 4, size.width(),
                          size.height());
}

} // namespace lovetest
