#pragma once
#include <memory>

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

namespace lovetest {

class AboutWindow;
class MainWindow;
class ReportWindow;

// Shows content files in the real main window while their author edits them.
// The files are built into a private temporary folder (nothing is written
// beside them); when one changes, they are built again and the window is
// replaced by one on the new build, in the same place, on the same test.
// Content with errors leaves the last good build on screen and says what is
// wrong in the window's status line, so the author's loop never stops.
class ContentPreview : public QObject {
    Q_OBJECT
public:
    explicit ContentPreview(const QStringList &files, QObject *parent = nullptr);
    ~ContentPreview() override;

    // Builds the files and shows the first window.
    void show();
    // Builds again if a file differs from the last build, as the watcher
    // does once edits have settled.
    void rebuild();

    MainWindow *window() const { return m_window.get(); }
    // The status line's text after the last build.
    QString status() const { return m_status; }

    // How long edits must settle before a build: an editor's save is often a
    // write, a rename and a few more writes.
    static constexpr int kSettleMs = 250;

signals:
    // After every build attempt; good tells whether the window shows it.
    void rebuilt(bool good);

private:
    struct Build;
    Build buildFiles();
    void showBuild(const QString &databaseFile);
    void setStatus(const QString &text);
    void watchFiles();
    QByteArray fingerprint() const;

    QStringList m_files;
    QTemporaryDir m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QByteArray m_built; // fingerprint of the files the last attempt read
    int m_generation = 0;
    QString m_databaseFile;
    QString m_status;
    QString m_errors; // every error of the last build, a line each
    std::unique_ptr<AboutWindow> m_about;
    std::unique_ptr<ReportWindow> m_report;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace lovetest
