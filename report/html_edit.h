#pragma once
#include <memory>

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QTextEdit>

class QIODevice;
class QTextDocument;

namespace lovetest {

class THtmlEdit;

// Keeps a reference to the document of the view that made it.
class TEditCommands {
public:
    explicit TEditCommands(QTextDocument *document) : m_document(document) {}
    QTextDocument *document() const { return m_document; }

private:
    QPointer<QTextDocument> m_document;
};

// Keeps a reference to the document of the view that made it.
class THtmlFont {
public:
    explicit THtmlFont(QTextDocument *document) : m_document(document) {}
    QTextDocument *document() const { return m_document; }

private:
    QPointer<QTextDocument> m_document;
};

// The commands the owner of a view runs on its page: clearing it, the
// clipboard and selection, printing and the print preview.
class TOperate {
public:
    explicit TOperate(THtmlEdit &view) : m_view(view) {}

    // Empties the page and starts a new write: the next Html write shows
    // exactly the text written.
    void Clear();
    // Puts the current selection on the clipboard.
    void Copy();
    void SelectAll();
    // false: asks for the printer, then prints the page; true: the preview.
    void Print(bool preview);
    void PrintPreview();

private:
    THtmlEdit &m_view;
};

// Shows one HTML page and keeps it editable in place. Html writes continue
// the page written so far until Operate()->Clear() starts a new one; reading
// Html gives the page body as the document serialises it, edits included.
class THtmlEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit THtmlEdit(QWidget *parent = nullptr);
    ~THtmlEdit() override;

    // "<body ...>...</body>" of the shown document; empty without a body.
    QString Html() const;
    // Appends html to the page written since the last Clear and shows it.
    void setHtml(const QString &html);
    // The page's plain text.
    QString Text() const;
    // False while the page can be edited in place (the state after
    // construction); setReadOnly() is the inherited one.
    bool ReadOnly() const { return isReadOnly(); }

    // The owner's menu, opened by a right-button press over the page in
    // place of the editor's own context menu.
    QMenu *popupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu *menu) { m_popupMenu = menu; }

    TOperate *Operate() const { return m_operate.get(); }
    TEditCommands *EditCommands() const { return m_editCommands.get(); }
    THtmlFont *HtmlFont() const { return m_htmlFont.get(); }

    // Creates or truncates the file and writes the page into it as
    // SaveToStream does. Throws "Cannot create file ..." or "Stream write error".
    void SaveToFile(const QString &fileName) const;
    // Writes Html() in code page 936 and nothing else, in one write.
    void SaveToStream(QIODevice &stream) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    friend class TOperate;
    void startNewPage();
    void showPopupMenu(const QPoint &globalPos);

    QString m_written; // everything written since the last Clear
    QPointer<QMenu> m_popupMenu;
    std::unique_ptr<TEditCommands> m_editCommands;
    std::unique_ptr<THtmlFont> m_htmlFont;
    std::unique_ptr<TOperate> m_operate;
};

} // namespace lovetest
