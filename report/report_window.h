#pragma once
#include <QString>
#include <QWidget>

class QAction;
class QKeySequence;
class QMenu;
class QFrame;
class QToolBar;
class QToolButton;

namespace lovetest {

class THtmlEdit;

// Turns a filter of the form "description|pattern; pattern|..." into the
// name filters of a Qt file dialog ("description (pattern pattern);;...").
QString qtNameFilter(const QString &dialogFilter);

// The report window: shows one content page, editable in place, with
// select all, copy, save as, print and preview. Created once and reused;
// closing only hides it.
class TForm3 : public QWidget {
    Q_OBJECT

public:
    explicit TForm3(QWidget *parent = nullptr);

    // Hands a new page over: clears the view, writes the page, titles the
    // window and shows it in front without making it modal.
    void showReport(const QString &pageHtml, const QString &title);

    // The save dialog's filter and default extension.
    static QString saveFilter();
    static QString saveDefaultExtension() { return QStringLiteral("htm"); }

    QFrame *ScrollBox1 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton3 = nullptr;
    QToolButton *ToolButton1 = nullptr;
    QAction *ToolButton5 = nullptr;
    QToolButton *ToolButton2 = nullptr;
    QAction *ToolButton4 = nullptr;
    QToolButton *ToolButton6 = nullptr;
    QToolButton *ToolButton7 = nullptr;
    QFrame *ScrollBox2 = nullptr;
    THtmlEdit *HtmlEdit1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *N1 = nullptr;
    QAction *N2 = nullptr;

public slots:
    void ToolButton3Click(); // select all
    void ToolButton1Click(); // copy
    void ToolButton2Click(); // save as
    void ToolButton6Click(); // print
    void ToolButton7Click(); // print preview

private:
    QToolButton *addButton(const QString &name, const QString &caption, const QString &iconFile,
                           void (TForm3::*handler)());
    QAction *addSeparator(const QString &name);
    void addShortcut(QToolButton *button, const QKeySequence &keys);

    QString m_lastSaveName; // filled into the save dialog next time
};

} // namespace lovetest
