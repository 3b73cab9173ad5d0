#pragma once
#include <optional>

#include <QString>
#include <QWidget>

#include "report/result_card.h"

class QAction;
class QKeySequence;
class QMenu;
class QFrame;
class QToolBar;
class QToolButton;

namespace lovetest {
struct PairResult;
struct RunResult;
} // namespace lovetest

namespace lovetest {

class HtmlView;

// Turns a filter of the form "description|pattern; pattern|..." into the
// name filters of a Qt file dialog ("description (pattern pattern);;...").
QString qtNameFilter(const QString &dialogFilter);

// The report window: shows one content page, editable in place, with
// select all, copy, save as, print and preview. Created once and reused;
// closing only hides it.
class ReportWindow : public QWidget {
    Q_OBJECT

public:
    explicit ReportWindow(QWidget *parent = nullptr);

    // Hands a new page over: clears the view, writes the page, titles the
    // window and shows it in front without making it modal. testName names
    // the saved page and its proposed file (the title when empty).
    void showReport(const QString &pageHtml, const QString &title, const QString &testName = QString());
    // The same for the result page of a run, which can also be saved as PDF.
    void showResultPage(const QString &pageHtml, const QString &title, const QString &testName);
    // The result page of a finished run, which can also be saved or copied
    // as a picture to share.
    void showResult(const RunResult &result);
    // The comparison of two takers, shown and saved like a result page,
    // with the card of both as its picture.
    void showPair(const PairResult &pair);

    // The save dialog's filter and default extension.
    static QString saveFilter();
    static QString saveDefaultExtension() { return QStringLiteral("htm"); }
    // The file the save dialog proposes for a page of testName: that name,
    // made safe for a file, in the user's documents folder.
    static QString proposedSaveName(const QString &testName);
    // The same with another extension (the PDF of a printed or saved page).
    static QString proposedFileName(const QString &testName, const QString &suffix);
    static QString pdfFilter() { return QStringLiteral("PDF 文件 (*.pdf)"); }
    static QString imageFilter() { return QStringLiteral("PNG 图片 (*.png)"); }
    // The picture's proposed file: testName.png in the user's pictures folder.
    static QString proposedImageName(const QString &testName);

    // The controls of the window, by the names the code and the tests use.
    struct Ui {
        QFrame *toolBarPane = nullptr;
        QToolBar *toolBar = nullptr;
        QToolButton *selectAllButton = nullptr;
        QToolButton *copyButton = nullptr;
        QAction *copySeparator = nullptr;
        QToolButton *saveButton = nullptr;
        QToolButton *savePdfButton = nullptr; // result pages only
        QAction *savePdfAction = nullptr; // shows and hides the button
        QToolButton *saveImageButton = nullptr; // finished results only
        QAction *saveImageAction = nullptr; // shows and hides the button
        QToolButton *copyImageButton = nullptr;
        QAction *copyImageAction = nullptr;
        QAction *saveSeparator = nullptr;
        QToolButton *printButton = nullptr;
        QToolButton *previewButton = nullptr;
        QFrame *pagePane = nullptr;
        HtmlView *htmlView = nullptr;
        QMenu *contextMenu = nullptr;
        QAction *selectAllAction = nullptr;
        QAction *copyAction = nullptr;
    };
    const Ui &ui() const { return m_ui; }

public slots:
    void onSelectAll(); // select all
    void onCopy(); // copy
    void onSaveAs(); // save as
    void onSavePdf(); // save the result page as PDF
    void onSaveImage(); // save the result's card as PNG
    void onCopyImage(); // put the result's card on the clipboard
    void onPrint(); // print
    void onPreview(); // print preview

private:
    QToolButton *addButton(const QString &name, const QString &caption, const QString &iconFile,
                           void (ReportWindow::*handler)());
    QAction *addSeparator(const QString &name);
    QAction *addShortcut(QToolButton *button, const QKeySequence &keys);
    void showCard(const std::optional<ResultCard> &card);

    Ui m_ui;
    QString m_lastSaveName; // filled into the save dialog next time
    void showPage(const QString &pageHtml, const QString &title, const QString &testName, bool resultPage);

    QString m_testName; // of the page shown
    QString m_lastPdfName; // filled into the PDF save dialog next time
    QString m_lastImageName; // filled into the picture's save dialog next time
    std::optional<ResultCard> m_card; // of the finished result shown
    QList<QAction *> m_cardShortcuts; // live only while a card is shown
};

} // namespace lovetest
