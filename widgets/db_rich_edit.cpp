#include "widgets/db_rich_edit.h"

#include <QFocusEvent>

#include "data/dataset.h"
#include "data/field.h"
#include "widgets/guard.h"

namespace lovetest {

TcxRichEdit::TcxRichEdit(QWidget *parent) : QTextEdit(parent), m_presenter(new LongTextPresenter(*this))
{
    setAcceptRichText(false);
}

QString TcxRichEdit::normalizedLineBreaks(const QString &text)
{
    return withPlainLineBreaks(text);
}

void TcxRichEdit::setDisplayText(const QString &text)
{
    // Content is never read as markup: it might point at local files.
    m_presenter->show(text);
}

TcxDBRichEdit::TcxDBRichEdit(QWidget *parent) : TcxRichEdit(parent)
{
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!m_loading)
            guarded(this, [this] { userChangedText(); });
    });
}

TcxDBRichEdit::~TcxDBRichEdit()
{
    // The text view below may still report changes while it goes away.
    disconnect(this, &QTextEdit::textChanged, this, nullptr);
}

void TcxDBRichEdit::setDataSource(DataSource *source)
{
    FieldDataLink::setDataSource(source);
    showField();
}

void TcxDBRichEdit::setDataField(const QString &fieldName)
{
    m_fieldName = fieldName;
    showField();
}

void TcxDBRichEdit::recordChanged(Field *field)
{
    // Our own write changes nothing on screen.
    if (m_writing)
        return;
    if (!field || field == boundField())
        showField();
}

void TcxDBRichEdit::showField()
{
    if (m_writing)
        return;
    const Field *field = boundField();
    m_loading = true;
    setDisplayText(field ? field->asString() : QString());
    m_loading = false;
    m_pendingEdit = false;
}

void TcxDBRichEdit::userChangedText()
{
    if (isReadOnly() || m_pendingEdit)
        return;
    Field *field = boundField();
    if (!field)
        return;
    Dataset *set = field->dataSet();
    if (set->State() != dsEdit && set->State() != dsInsert) {
        try {
            set->Edit();
        } catch (...) {
            // The row cannot be edited: the view goes back to the field.
            showField();
            throw;
        }
    }
    m_pendingEdit = true;
}

QString TcxDBRichEdit::textForField() const
{
    // The database keeps Windows line breaks.
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void TcxDBRichEdit::writePendingEdit()
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

void TcxDBRichEdit::focusOutEvent(QFocusEvent *event)
{
    guarded(this, [this] { writePendingEdit(); });
    TcxRichEdit::focusOutEvent(event);
}

} // namespace lovetest
