#pragma once
#include <QDialog>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "data/daily_backup.h"
#include "run/run_listener.h"

class QAction;
class QDialogButtonBox;
class QListWidget;
class QMenu;
class QStatusBar;
class QWidget;

namespace lovetest {

class CatalogTreeView;
class TestDatabase;
class TestRun;

// The backups of the test database: one a day made in the background at
// start, and 从备份恢复… that copies a chosen backup back into the open file
// after a safety copy of what it holds now. Restoring waits while a test
// runs and is refused on a file the program may not write.
class BackupRestore : public QObject, private RunListener {
    Q_OBJECT
public:
    struct Places {
        QWidget *window = nullptr; // owner of the dialogs
        CatalogTreeView *tree = nullptr;
        QMenu *menu = nullptr;
        QAction *after = nullptr; // the command follows it in menu (the end when nullptr)
        QStatusBar *statusBar = nullptr; // nullptr: no notes
        std::function<void()> restored; // told once a restore read the file anew
    };
    BackupRestore(TestDatabase &database, TestRun &run, const Places &places);
    ~BackupRestore() override;

    QAction *restoreAction() const { return m_restoreAction; }

    // "Now" for the backups' names (tests); the system clock when empty.
    void setClock(DailyBackup::Clock clock);
    // The absolute path of the database file; empty while none is open.
    QString databasePath() const;

    // Starts today's backup in the background when the file may be written
    // and has none of today; a failure ends as one line in the status bar.
    void startDailyBackup();
    // The same on the calling thread; nullopt when no backup may be made.
    std::optional<DailyBackup::Outcome> runDailyBackup();

    // 从备份恢复…: lists the backups and restores the one chosen.
    void chooseAndRestore();
    // Restores backup after the user confirms.
    void restore(const BackupFile &backup);

private:
    void runStarted(qint64 testId, const QString &testName) override;
    void runEnded(bool finished) override;
    void updateAction();
    bool mayBackUp() const;
    void reportFailure(const DailyBackup::Outcome &outcome);
    // Whether a restore may not go on now; says why unless a run is under way.
    bool refused();
    DailyBackup &daily();
    void reload();
    void note(const QString &text);

    TestDatabase &m_database;
    TestRun &m_run;
    Places m_places;
    DailyBackup::Clock m_clock;
    std::unique_ptr<DailyBackup> m_daily;
    QAction *m_restoreAction = nullptr;
};

// The list of backups 从备份恢复… offers, newest first: Up and Down choose,
// Enter restores the chosen one, Escape closes.
class BackupListDialog : public QDialog {
    Q_OBJECT
public:
    BackupListDialog(const QList<BackupFile> &backups, QWidget *parent = nullptr);

    QListWidget *list() const { return m_list; }
    // The chosen backup; nullopt when none is.
    std::optional<BackupFile> chosen() const;

    // How a backup is named in the list and in the questions: its date (and
    // time, for a copy made before a restore), never in the locale's words.
    static QString label(const BackupFile &backup);
    static QString sizeText(qint64 bytes);

private:
    QList<BackupFile> m_backups;
    QListWidget *m_list = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};

} // namespace lovetest
