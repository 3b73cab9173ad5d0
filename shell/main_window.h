#pragma once
#include <memory>

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "data/test_database.h"
#include "widgets/capped_pane.h"

class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QSplitter;
class QToolBar;
class QToolButton;

namespace lovetest {

class ContentReportBuilder;
class QuestionPanels;
class RunCompanion;
class SealCodec;
class SealedFields;
class TForm2;
class TForm3;
class TcxDBLabel;
class TcxDBRichEdit;
class TdxDBTreeView;
class TdxStatusBar;
class TestRun;

// The main window: the catalog with its search box on the left, the test's
// title, instructions and question pane on the right above the run buttons,
// the menu and the toolbar with every command of the program. It owns the
// test database, the ciphers and the test run.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // Opens the data from databaseFile (each failure goes to the error box)
    // and shows the selected test's remarks.
    explicit TForm1(const QString &databaseFile = QString::fromUtf8(kDatabaseFileName),
                    QWidget *parent = nullptr);
    ~TForm1() override;

    static QString caption() { return QStringLiteral("朗月爱情心理测试(娱乐版)V1.0"); }

    // The About and report windows the commands show; they live beside the
    // main window and are not owned by it.
    void setWindows(TForm2 *about, TForm3 *report);
    // The product web site's host name, unsealed once at start.
    const QString &siteAddress() const { return m_siteAddress; }

    TestDatabase &database() { return *m_database; }
    TestRun &run() { return *m_run; }
    // Progress, going back, the kept result, history and resume.
    RunCompanion &companion() { return *m_companion; }
    // Offers to go on with a run the program left unfinished.
    void offerResume();

    // The controls of the window, by the names the run and the tests use.
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton1 = nullptr; // start a test
    QToolButton *ToolButton3 = nullptr; // web site
    QToolButton *ToolButton2 = nullptr; // updates
    QToolButton *ToolButton4 = nullptr; // psychology books
    QToolButton *ToolButton8 = nullptr; // test content
    QToolButton *ToolButton6 = nullptr; // quit
    TdxStatusBar *dxStatusBar1 = nullptr;
    QFrame *ScrollBox2 = nullptr;
    QSplitter *Splitter1 = nullptr;
    QFrame *ScrollBox3 = nullptr;
    QFrame *ScrollBox10 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QFrame *ScrollBox11 = nullptr;
    TdxDBTreeView *dxDBTreeView1 = nullptr;
    QFrame *ScrollBox4 = nullptr;
    QFrame *ScrollBox5 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QFrame *ScrollBox8 = nullptr;
    QFrame *ScrollBox9 = nullptr;
    TcxDBLabel *cxDBLabel1 = nullptr;
    QFrame *ScrollBox6 = nullptr;
    CappedPane *ScrollBox7 = nullptr;
    TcxDBRichEdit *cxDBRichEdit1 = nullptr;
    QScrollArea *ScrollBox1 = nullptr;

    QMenu *N1 = nullptr; // 操作
    QAction *N2 = nullptr;
    QMenu *N3 = nullptr; // 帮助
    QAction *N7 = nullptr;
    QAction *N4 = nullptr;
    QAction *N5 = nullptr;
    QAction *N8 = nullptr;
    QAction *N6 = nullptr;
    QAction *N101 = nullptr;
    // Keyboard reach beyond the toolbar: the content report and quitting.
    QAction *N9 = nullptr;  // 测试内容
    QAction *N10 = nullptr; // 退出

public slots:
    void xiayibu();
    void xiayibu_1();
    void jieshu();
    void BitBtn1Click(); // the step button: start, next or finish
    void N7Click();      // home page
    void N4Click();      // updates page
    void ToolButton4Click(); // psychology books page
    void ToolButton8Click(); // content report of the selected test
    void N101Click();    // About window
    void ToolButton6Click(); // quit
    void Edit1Change();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void buildMenu();
    void buildToolBar();
    QFrame *buildLeftPane();
    QFrame *buildRightPane();
    QFrame *buildBottomBar();
    QFrame *buildQuestionArea();
    void bindCommands();
    void placeTitleLabel();
    TForm3 *reportWindow();
    QToolButton *addToolButton(const QString &name, const QString &caption, const QString &hint,
                               int image, void (TForm1::*handler)());

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<SealCodec> m_codec;
    std::unique_ptr<SealedFields> m_sealed;
    std::unique_ptr<QuestionPanels> m_panels;
    std::unique_ptr<TestRun> m_run;
    std::unique_ptr<ContentReportBuilder> m_report;
    std::unique_ptr<RunCompanion> m_companion;
    QString m_siteAddress;
    QPointer<TForm2> m_about;
    QPointer<TForm3> m_reportWindow;
};

} // namespace lovetest
