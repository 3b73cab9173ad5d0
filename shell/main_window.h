#pragma once
#include <memory>
#include <optional>

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

class BackupRestore;
class CatalogKeeper;
class ContentReportBuilder;
class QuestionPanels;
class PairCompanion;
class RunCompanion;
class SealCodec;
class SealedFields;
class AboutWindow;
class ReportWindow;
class BoundLabel;
class BoundTextView;
class CatalogTreeView;
class StatusStrip;
class TestRun;

// The main window: the catalog with its search box on the left, the test's
// title, instructions and question pane on the right above the run buttons,
// the menu and the toolbar with every command of the program. It owns the
// test database, the ciphers and the test run.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Opens the data from databaseFile (each failure goes to the error box)
    // and shows the selected test's remarks.
    explicit MainWindow(const QString &databaseFile = QString::fromUtf8(kDatabaseFileName), QWidget *parent = nullptr);
    ~MainWindow() override;

    static QString caption() { return QStringLiteral("朗月爱情心理测试(娱乐版)V1.0"); }

    // The About and report windows the commands show; they live beside the
    // main window and are not owned by it.
    void setWindows(AboutWindow *about, ReportWindow *report);
    // The product web site's host name, unsealed once at start.
    const QString &siteAddress() const { return m_siteAddress; }

    TestDatabase &database() { return *m_database; }
    TestRun &run() { return *m_run; }
    // Progress, going back, the kept result, history and resume.
    RunCompanion &companion() { return *m_companion; }
    PairCompanion &pairCompanion() { return *m_pairCompanion; }
    // Undoing deletions in the catalog, restoring the sample tests.
    CatalogKeeper &catalogKeeper() { return *m_keeper; }
    // The daily backup and restoring one.
    BackupRestore &backups() { return *m_backups; }
    // Offers to go on with a run the program left unfinished.
    void offerResume();

    // The controls of the window, by the names the code and the tests use.
    struct Ui {
        QToolBar *toolBar = nullptr;
        QToolButton *startButton = nullptr; // start a test
        QToolButton *siteButton = nullptr; // web site
        QToolButton *updatesButton = nullptr; // updates
        QToolButton *booksButton = nullptr; // psychology books
        QToolButton *contentButton = nullptr; // test content
        QToolButton *quitProgramButton = nullptr; // quit
        StatusStrip *statusStrip = nullptr;
        QFrame *panes = nullptr;
        QSplitter *splitter = nullptr;
        QFrame *catalogPane = nullptr;
        QFrame *searchPane = nullptr;
        QLineEdit *searchBox = nullptr;
        QFrame *treePane = nullptr;
        CatalogTreeView *catalogTree = nullptr;
        QFrame *testPane = nullptr;
        QFrame *buttonBar = nullptr;
        QPushButton *stepButton = nullptr;
        QPushButton *quitButton = nullptr;
        QFrame *questionArea = nullptr;
        QFrame *titleStrip = nullptr;
        BoundLabel *titleLabel = nullptr;
        QFrame *questionStack = nullptr;
        CappedPane *instructionsPane = nullptr;
        BoundTextView *instructionsView = nullptr;
        QScrollArea *questionPane = nullptr;

        QMenu *testMenu = nullptr; // 操作
        QAction *startAction = nullptr;
        QMenu *helpMenu = nullptr; // 帮助
        QAction *homePageAction = nullptr;
        QAction *updatesAction = nullptr;
        QAction *linksSeparator = nullptr;
        QAction *booksAction = nullptr;
        QAction *aboutSeparator = nullptr;
        QAction *aboutAction = nullptr;
        // Keyboard reach beyond the toolbar: the content report and quitting.
        QAction *contentAction = nullptr; // 测试内容
        QAction *quitAction = nullptr; // 退出
    };
    const Ui &ui() const { return m_ui; }

public slots:
    void start();
    void next();
    void finish();
    // Under a verdict: the same test from the start; the next test in the
    // catalog selected, its remarks shown.
    void takeAgain();
    void takeNext();
    void onStep(); // the step button: start, next or finish
    void onQuitRun(); // the quit button: ends the run, asking first once answers would be lost
    void onHomePage(); // home page
    void onUpdates(); // updates page
    void onBooks(); // psychology books page
    void onContent(); // content report of the selected test
    void onAbout(); // About window
    void onQuit(); // quit
    void onSearchChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void buildMenu();
    void buildToolBar();
    QFrame *buildLeftPane();
    QFrame *buildRightPane();
    QFrame *buildBottomBar();
    QFrame *buildQuestionArea();
    void bindCommands();
    void placeTitleLabel();
    bool searchShowsNoTest();
    // The test after the current catalog row, in the tree's order.
    std::optional<qint64> nextTest();
    // Selects the test in the catalog as the user would; false when it is gone.
    bool selectTest(qint64 testId);
    ReportWindow *reportWindow();
    QToolButton *addToolButton(const QString &name, const QString &caption, const QString &hint, int image,
                               void (MainWindow::*handler)());

    Ui m_ui;
    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<SealCodec> m_codec;
    std::unique_ptr<SealedFields> m_sealed;
    std::unique_ptr<QuestionPanels> m_panels;
    std::unique_ptr<TestRun> m_run;
    std::unique_ptr<ContentReportBuilder> m_report;
    std::unique_ptr<RunCompanion> m_companion;
    std::unique_ptr<PairCompanion> m_pairCompanion;
    std::unique_ptr<CatalogKeeper> m_keeper;
    std::unique_ptr<BackupRestore> m_backups;
    QString m_siteAddress;
    QString m_dataFolder; // absolute folder of the database file
    QPointer<AboutWindow> m_about;
    QPointer<ReportWindow> m_reportWindow;
};

} // namespace lovetest
