#include "report/html_view.h"

#include <stdexcept>

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "data/codepage.h"
#include "report/print_dialogs.h"
#include "report/resource_policy.h"

namespace lovetest {

void HtmlCommands::clear()
{
    m_view.startNewPage();
}

void HtmlCommands::copy()
{
    m_view.copy();
}

void HtmlCommands::selectAll()
{
    m_view.selectAll();
}

void HtmlCommands::print(bool preview)
{
    if (preview) {
        printPreview();
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    m_view.proposePrintNames(printer);
    if (!PrintDialogs::instance().choosePrinter(&m_view, printer))
        return;
    m_view.printPage(&printer);
}

void HtmlCommands::printPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    m_view.proposePrintNames(printer);
    HtmlView &view = m_view;
    PrintDialogs::instance().preview(&view, printer, [&view](QPrinter *target) { view.printPage(target); });
}

HtmlView::HtmlView(QWidget *parent) : QTextEdit(parent)
{
    // The page shows database texts as they stand: it loads nothing they
    // point at, and its links open only web addresses.
    setDocument(new OfflineDocument(this));
    new WebLinkClicks(*this);
    setReadOnly(false);
    m_commands = std::make_unique<HtmlCommands>(*this);
}

HtmlView::~HtmlView() = default;

QString HtmlView::pageHtml() const
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

void HtmlView::setHtml(const QString &html)
{
    m_written += html;
    QTextEdit::setHtml(m_written);
}

QString HtmlView::pageText() const
{
    return toPlainText();
}

void HtmlView::startNewPage()
{
    m_written.clear();
    QTextEdit::setHtml(QString());
}

namespace {

// Creates or replaces fileName with bytes; on failure the file is left as it
// was. Throws "Cannot create file ..." or "Stream write error".
void writeWholeFile(const QString &fileName, const QByteArray &bytes)
{
    const auto cannotCreate = [&fileName](const QFileDevice &file) {
        const QString fullName = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
        return std::runtime_error(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fullName, file.errorString()).toStdString());
    };
    const auto write = [&bytes](QIODevice &device) {
        if (device.write(bytes) != bytes.size())
            throw std::runtime_error("Stream write error");
    };
    // Unbuffered, so that a failing write is seen here and not lost later.
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile()) {
        // A device or a pipe is written in place: it holds no file to keep,
        // and renaming over it would put a plain file where it stood.
        QFile file(fileName);
        if (!file.open(mode | QIODevice::Truncate))
            throw cannotCreate(file);
        write(file);
        return;
    }
    // Written beside the file and renamed over it only when whole, so a
    // failed save leaves the file it was replacing as it was; leaving by an
    // exception discards what was written.
    QSaveFile file(fileName);
    if (!file.open(mode))
        throw cannotCreate(file);
    write(file);
    if (!file.commit())
        throw cannotCreate(file);
}

} // namespace

void HtmlView::saveToFile(const QString &fileName) const
{
    // Characters code page 936 lacks are kept as character references.
    writeWholeFile(fileName, toCp936Html(pageHtml()));
}

void HtmlView::saveDocumentToFile(const QString &fileName, const QString &title) const
{
    const QString document = QStringLiteral("<html><head><meta charset=\"gbk\"><title>") + title.toHtmlEscaped() +
        QStringLiteral("</title></head>") + pageHtml() + QStringLiteral("</html>");
    writeWholeFile(fileName, toCp936Html(document));
}

void HtmlView::saveToStream(QIODevice &stream) const
{
    // Characters code page 936 lacks are kept as character references.
    const QByteArray bytes = toCp936Html(pageHtml());
    if (stream.write(bytes) != bytes.size())
        throw std::runtime_error("Stream write error");
}

void HtmlView::setPrintNames(const QString &pdfFileName, const QString &documentName)
{
    m_pdfFileName = pdfFileName;
    m_documentName = documentName;
}

void HtmlView::proposePrintNames(QPrinter &printer) const
{
    if (!m_documentName.isEmpty())
        printer.setDocName(m_documentName);
    if (m_pdfFileName.isEmpty())
        return;
    // A ".pdf" name switches the printer to PDF output; the dialog is to
    // start on the usual printer and only propose the name for a PDF.
    const QPrinter::OutputFormat format = printer.outputFormat();
    printer.setOutputFileName(m_pdfFileName);
    printer.setOutputFormat(format);
}

std::unique_ptr<QTextDocument> HtmlView::printCopy(const QPagedPaintDevice &device, bool selectionOnly) const
{
    const QTextDocument *source = document();
    auto copy = std::make_unique<QTextDocument>();
    copy->setDefaultFont(source->defaultFont());
    copy->setUseDesignMetrics(source->useDesignMetrics());
    copy->setMetaInformation(QTextDocument::DocumentTitle, source->metaInformation(QTextDocument::DocumentTitle));
    copy->rootFrame()->setFrameFormat(source->rootFrame()->frameFormat());
    QTextCursor(copy.get()).insertFragment(selectionOnly ? textCursor().selection() : QTextDocumentFragment(source));

    // The page's Chinese faces seldom have a bold style: the screen thickens
    // their glyphs, but at printer resolution the glyphs are drawn as outlines
    // (preview) or overprinted by a hair (PDF), and bold all but vanishes.
    // An outline of the text's own colour keeps it bold on every device.
    struct Span {
        int start;
        int length;
        QPen pen;
    };
    QList<Span> spans;
    const qreal defaultPoints = copy->defaultFont().pointSizeF() > 0 ? copy->defaultFont().pointSizeF() : 9.0;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.fontWeight() < QFont::DemiBold)
                continue;
            const qreal points = format.fontPointSize() > 0 ? format.fontPointSize() : defaultPoints;
            const QColor colour =
                format.foreground().style() != Qt::NoBrush ? format.foreground().color() : QColor(Qt::black);
            spans.append(
                {fragment.position(), fragment.length(), QPen(colour, points * device.logicalDpiY() / 72.0 * 0.04)});
        }
    for (const Span &span : spans) {
        QTextCursor cursor(copy.get());
        cursor.setPosition(span.start);
        cursor.setPosition(span.start + span.length, QTextCursor::KeepAnchor);
        QTextCharFormat outline;
        outline.setTextOutline(span.pen);
        cursor.mergeCharFormat(outline);
    }
    return copy;
}

void HtmlView::printPage(QPrinter *printer) const
{
    // A "selection only" choice made in the dialog prints the selection.
    const bool selectionOnly = printer->printRange() == QPrinter::Selection;
    if (selectionOnly && !textCursor().hasSelection())
        return;
    printCopy(*printer, selectionOnly)->print(printer);
}

void HtmlView::savePdf(const QString &fileName, const QString &title) const
{
    const auto failure = [&fileName](const QString &reason) {
        return std::runtime_error(QStringLiteral("无法保存 PDF 文件“%1”：%2")
                                      .arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()), reason)
                                      .toStdString());
    };
    // Written beside the file and renamed over it only when whole.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw failure(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        writer.setTitle(title);
        printCopy(writer)->print(&writer);
    }
    if (!file.commit())
        throw failure(file.errorString());
}

void HtmlView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::RightButton) {
        QTextEdit::mousePressEvent(event);
        return;
    }
    // The press is ours whether or not a menu is assigned: the editor never
    // sees it and so never moves the cursor or opens a menu of its own.
    event->accept();
    showContextMenu(event->globalPosition().toPoint());
}

void HtmlView::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    // A mouse-made request follows the right-button press that already opened
    // the menu; the menu key opens it here.
    if (event->reason() != QContextMenuEvent::Mouse)
        showContextMenu(event->globalPos());
}

void HtmlView::showContextMenu(const QPoint &globalPos)
{
    if (m_contextMenu)
        m_contextMenu->popup(globalPos);
}

} // namespace lovetest
