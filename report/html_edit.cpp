#include "report/html_edit.h"

#include <stdexcept>

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>

#include "data/codepage.h"
#include "report/print_dialogs.h"
#include "report/resource_policy.h"

namespace lovetest {

void TOperate::Clear()
{
    m_view.startNewPage();
}

void TOperate::Copy()
{
    m_view.copy();
}

void TOperate::SelectAll()
{
    m_view.selectAll();
}

void TOperate::Print(bool preview)
{
    if (preview) {
        PrintPreview();
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!PrintDialogs::instance().choosePrinter(&m_view, printer))
        return;
    // QTextEdit::print honours a "selection only" choice made in the dialog.
    m_view.print(&printer);
}

void TOperate::PrintPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    THtmlEdit &view = m_view;
    PrintDialogs::instance().preview(&view, printer,
                                     [&view](QPrinter *target) { view.print(target); });
}

THtmlEdit::THtmlEdit(QWidget *parent)
    : QTextEdit(parent)
{
    // The page shows database texts as they stand: it loads nothing they
    // point at, and its links open only web addresses.
    setDocument(new OfflineDocument(this));
    new WebLinkClicks(*this);
    setReadOnly(false);
    m_editCommands = std::make_unique<TEditCommands>(document());
    m_htmlFont = std::make_unique<THtmlFont>(document());
    m_operate = std::make_unique<TOperate>(*this);
}

THtmlEdit::~THtmlEdit()
{
    // The companions go in this order; the document itself belongs to QTextEdit.
    m_editCommands.reset();
    m_operate.reset();
    m_htmlFont.reset();
}

QString THtmlEdit::Html() const
{
    const QString whole = toHtml();
    const qsizetype start = whole.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    const QLatin1String endTag("</body>");
    const qsizetype end = whole.lastIndexOf(endTag, -1, Qt::CaseInsensitive);
    if (start < 0 || end < start)
        return {};
    // The document holds non-breaking spaces as characters; the page gives
    // them back as the entity it was written with.
    return whole.mid(start, end + endTag.size() - start).replace(QChar(0xA0), QLatin1String("&nbsp;"));
}

void THtmlEdit::setHtml(const QString &html)
{
    m_written += html;
    QTextEdit::setHtml(m_written);
}

QString THtmlEdit::Text() const
{
    return toPlainText();
}

void THtmlEdit::startNewPage()
{
    m_written.clear();
    QTextEdit::setHtml(QString());
}

void THtmlEdit::SaveToFile(const QString &fileName) const
{
    QFile file(fileName);
    // Unbuffered, so that a failing write is seen here and not lost at close.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        const QString fullName = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
        throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2")
                                     .arg(fullName, file.errorString())
                                     .toStdString());
    }
    // The file is closed when it goes out of scope, also after a write error.
    SaveToStream(file);
}

void THtmlEdit::SaveToStream(QIODevice &stream) const
{
    // Characters code page 936 lacks are kept as character references.
    const QByteArray bytes = toCp936Html(Html());
    if (stream.write(bytes) != bytes.size())
        throw std::runtime_error("Stream write error");
}

void THtmlEdit::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::RightButton) {
        QTextEdit::mousePressEvent(event);
        return;
    }
    // The press is ours whether or not a menu is assigned: the editor never
    // sees it and so never moves the cursor or opens a menu of its own.
    event->accept();
    showPopupMenu(event->globalPosition().toPoint());
}

void THtmlEdit::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    // A mouse-made request follows the right-button press that already opened
    // the menu; the menu key opens it here.
    if (event->reason() != QContextMenuEvent::Mouse)
        showPopupMenu(event->globalPos());
}

void THtmlEdit::showPopupMenu(const QPoint &globalPos)
{
    if (m_popupMenu)
        m_popupMenu->popup(globalPos);
}

} // namespace lovetest
