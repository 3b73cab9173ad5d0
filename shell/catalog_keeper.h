#pragma once
#include <QObject>
#include <QString>

#include <vector>

#include "data/entry_rows.h"
#include "run/run_listener.h"
#include "widgets/catalog_tree_view.h"

class QAction;
class QMenu;
class QStatusBar;
class QWidget;

namespace lovetest {

class TestDatabase;
class TestRun;

// Keeps what the catalog loses. A deletion in the tree takes the deleted
// tests' question and verdict rows along, all in one transaction, and is
// kept while the program runs: 撤销删除 (Ctrl+Z) writes the last one back
// with its ids and its place in the file. 恢复示例测试 writes back the tests
// of the bundled sample database that the file lacks. Neither works during
// a run.
class CatalogKeeper : public QObject, public CatalogRemoval, private RunListener {
    Q_OBJECT
public:
    struct Places {
        QWidget *window = nullptr; // owner of the message boxes
        CatalogTreeView *tree = nullptr;
        QMenu *menu = nullptr; // the commands go above its first separator
        QStatusBar *statusBar = nullptr; // nullptr: no notes
    };
    CatalogKeeper(TestDatabase &database, TestRun &run, const Places &places);
    ~CatalogKeeper() override;

    // The sample database 恢复示例测试 reads; by default the one installed
    // beside the program (bundledSampleFile()).
    void setSampleFile(const QString &path) { m_sampleFile = path; }

    QAction *undoAction() const { return m_undoAction; }
    QAction *restoreAction() const { return m_restoreAction; }
    // Deletions that can still be undone, the last one last.
    int undoCount() const { return int(m_deleted.size()); }

    void undoDelete();
    void restoreSamples();

    // CatalogRemoval
    QString confirmationDetail(const QList<qint64> &keys) override;
    void remove(const QList<qint64> &keys, const QString &label, const std::function<void()> &removeRows) override;

private:
    struct Deleted {
        QString label;
        EntryRows rows;
    };
    // RunListener
    void runStarted(qint64 testId, const QString &testName) override;
    void runEnded(bool finished) override;

    void updateActions();
    // Reads the catalog, question and verdict sets anew from the file (they
    // keep their own copies) and stands on key when it is there.
    void reload(qint64 key);
    void note(const QString &text);

    TestDatabase &m_database;
    TestRun &m_run;
    Places m_places;
    QString m_sampleFile;
    std::vector<Deleted> m_deleted;
    QAction *m_undoAction = nullptr;
    QAction *m_restoreAction = nullptr;
};

// The sample database installed with the program (share/lovetest/sample/date.mdb
// beside its bin folder, or in the system data folders), or the one built
// beside it in a build tree; empty when there is none.
QString bundledSampleFile();

} // namespace lovetest
