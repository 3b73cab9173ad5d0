#pragma once
#include <memory>

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QTextEdit>

class QIODevice;
class QPagedPaintDevice;
class QPrinter;
class QTextDocument;

namespace lovetest {

class HtmlView;

// The commands the owner of a view runs on its page: clearing it, the
// clipboard and selection, printing and the print preview.
class HtmlCommands {
public:
    explicit HtmlCommands(HtmlView &view) : m_view(view) {}

    // Empties the page and starts a new write: the next Html write shows
    // exactly the text written.
    void clear();
    // Puts the current selection on the clipboard.
    void copy();
    void selectAll();
    // false: asks for the printer, then prints the page; true: the preview.
    void print(bool preview);
    void printPreview();

private:
    HtmlView &m_view;
};

// Shows one HTML page and keeps it editable in place. Html writes continue
// the page written so far until commands()->clear() starts a new one; reading
// Html gives the page body as the document serialises it, edits included.
class HtmlView : public QTextEdit {
    Q_OBJECT

public:
    explicit HtmlView(QWidget *parent = nullptr);
    ~HtmlView() override;

    // "<body ...>...</body>" of the shown document; empty without a body.
    QString pageHtml() const;
    // Appends html to the page written since the last Clear and shows it.
    void setHtml(const QString &html);
    // The page's plain text.
    QString pageText() const;

    // The owner's menu, opened by a right-button press over the page in
    // place of the editor's own context menu.
    QMenu *contextMenu() const { return m_contextMenu; }
    void setContextMenu(QMenu *menu) { m_contextMenu = menu; }

    HtmlCommands *commands() const { return m_commands.get(); }

    // Creates or replaces the file with the page as saveToStream writes it;
    // on failure the file is left as it was. Throws "Cannot create file ..."
    // or "Stream write error".
    void saveToFile(const QString &fileName) const;
    // Writes Html() in code page 936 and nothing else, in one write.
    void saveToStream(QIODevice &stream) const;
    // The page as a document of its own, which any browser reads right: the
    // body of saveToFile inside <html>, a head that names the code page and
    // the title. Replaces the file as saveToFile does.
    void saveDocumentToFile(const QString &fileName, const QString &title) const;

    // What the print dialog proposes when the user prints to a PDF file, and
    // the name of the print job.
    void setPrintNames(const QString &pdfFileName, const QString &documentName);
    // Sets printer up with those names; printing to a printer stays as chosen.
    void proposePrintNames(QPrinter &printer) const;
    // The copy of the page (or of the selection only) that printing lays out
    // on device: bold text is outlined in its own colour, as the printer
    // copy keeps no synthetic bold of a face without a bold style.
    std::unique_ptr<QTextDocument> printCopy(const QPagedPaintDevice &device, bool selectionOnly = false) const;
    // Prints the page as QTextEdit::print does (honouring "selection only").
    void printPage(QPrinter *printer) const;
    // Writes the page as an A4 PDF titled title; a failed write leaves any
    // file of that name as it was and throws a message naming the file.
    void savePdf(const QString &fileName, const QString &title) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    friend class HtmlCommands;
    void startNewPage();
    void showContextMenu(const QPoint &globalPos);

    QString m_written; // everything written since the last Clear
    QString m_pdfFileName;
    QString m_documentName;
    QPointer<QMenu> m_contextMenu;
    std::unique_ptr<HtmlCommands> m_commands;
};

} // namespace lovetest
