#include "widgets/bound_text_view.h"

#include <QFocusEvent>

#include "data/dataset.h"
#include "data/field.h"
#include "widgets/guard.h"

namespace lovetest {

TextView::TextView(QWidget *parent) : QTextEdit(parent), m_presenter(new LongTextPresenter(*this))
{
    setAcceptRichText(false);
}

QString TextView::normalizedLineBreaks(const QString &text)
{
    return withPlainLineBreaks(text);
}

void TextView::setDisplayText(const QString &text)
{
    // Content is never read as markup: it might point at local files.
    m_presenter->show(text);
}

BoundTextView::BoundTextView(QWidget *parent) : TextView(parent)
{
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!m_loading)
            guarded(this, [this] { userChangedText(); });
    });
}

BoundTextView::~BoundTextView()
{
    // The text view below may still report changes while it goes away.
    disconnect(this, &QTextEdit::textChanged, this, nullptr);
}

void BoundTextView::setDataSource(DataSource *source)
{
    FieldDataLink::setDataSource(source);
    showField();
}

void BoundTextView::setDataField(const QString &fieldName)
{
    m_fieldName = fieldName;
    showField();
}

void BoundTextView::recordChanged(Field *field)
{
    // Our own write changes nothing on screen.
    if (m_writing)
        return;
    if (!field || field == boundField())
        showField();
}

void BoundTextView::showField()
{
    if (m_writing)
        return;
    const Field *field = boundField();
    m_loading = true;
    setDisplayText(field ? field->asString() : QString());
    m_loading = false;
    m_pendingEdit = false;
}

void BoundTextView::userChangedText()
{
    if (isReadOnly() || m_pendingEdit)
        return;
    Field *field = boundField();
    if (!field)
        return;
    Dataset *set = field->dataSet();
    if (set->state() != DatasetState::Edit && set->state() != DatasetState::Insert) {
        try {
            set->edit();
        } catch (...) {
            // The row cannot be edited: the view goes back to the field.
            showField();
            throw;
        }
    }
    m_pendingEdit = true;
}

QString BoundTextView::textForField() const
{
    // The database keeps Windows line breaks.
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void BoundTextView::writePendingEdit()
{
    if (!m_pendingEdit)
        return;
    Field *field = boundField();
    if (!field) {
        m_pendingEdit = false;
        return;
    }
    m_writing = true;
    try {
        field->setAsString(textForField());
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
    m_pendingEdit = false;
}

void BoundTextView::focusOutEvent(QFocusEvent *event)
{
    guarded(this, [this] { writePendingEdit(); });
    TextView::focusOutEvent(event);
}

} // namespace lovetest
