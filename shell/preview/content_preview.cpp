#include "shell/preview/content_preview.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSplitter>
#include <QStatusBar>
#include <QTextStream>
#include <QTime>

#include <cstdio>
#include <exception>
#include <optional>

#include "report/report_window.h"
#include "shell/about_window.h"
#include "shell/main_window.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/plain_tool_tip.h"

namespace lovetest {

using content::Problem;

struct ContentPreview::Build {
    QString databaseFile; // empty when the content could not be built
    QList<Problem> problems;
    QString failure; // a build that stopped short, in its own words
    qsizetype tests = 0;
};

namespace {

// The problems a terminal shows, errors first, as the tool prints them.
void printProblems(const QList<Problem> &problems)
{
    QTextStream err(stderr);
    for (const Problem &problem : problems)
        err << problem.text() << '\n';
}

// A problem as the status line shows it: the file without its folder, so the
// place and the mistake fit the line.
QString shortText(const Problem &problem)
{
    Problem shown = problem;
    shown.place.file = QFileInfo(problem.place.file).fileName();
    return shown.text();
}

// The first error, and how many more there are.
QString errorSummary(const QList<Problem> &problems)
{
    QString first;
    int count = 0;
    for (const Problem &problem : problems) {
        if (problem.severity != Problem::Error)
            continue;
        if (count++ == 0)
            first = shortText(problem);
    }
    if (count > 1)
        first += QStringLiteral("（另有 %1 处错误）").arg(count - 1);
    return first;
}

// Every error for the status line's tooltip, within reason.
QString errorList(const QList<Problem> &problems)
{
    QStringList lines;
    for (const Problem &problem : problems) {
        if (problem.severity == Problem::Error && lines.size() < 20)
            lines << shortText(problem);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

ContentPreview::ContentPreview(const QStringList &files, QObject *parent) : QObject(parent)
{
    for (const QString &file : files)
        m_files << QFileInfo(file).absoluteFilePath();
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &ContentPreview::rebuild);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    // An editor that saves by renaming a new file over the old one ends the
    // watch on the file; its folder still sees the change.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
}

ContentPreview::~ContentPreview()
{
    // The windows go before the folder their database is in.
    m_window.reset();
}

QByteArray ContentPreview::fingerprint() const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &path : m_files) {
        QFile file(path);
        hash.addData(path.toUtf8());
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.readAll());
        else
            hash.addData(QByteArrayLiteral("\0missing"));
    }
    return hash.result();
}

ContentPreview::Build ContentPreview::buildFiles()
{
    Build build;
    m_built = fingerprint();
    try {
        content::ReadResult read = content::readContentFileList(m_files);
        build.problems = read.problems;
        if (!content::hasErrors(build.problems))
            build.problems += content::checkContent(read.content);
        if (content::hasErrors(build.problems) || !m_folder.isValid())
            return build;
        const QString path = m_folder.filePath(QStringLiteral("preview-%1.mdb").arg(++m_generation));
        content::buildDatabase(read.content, path);
        build.databaseFile = path;
        build.tests = std::count_if(read.content.tests.begin(), read.content.tests.end(),
                                    [](const content::Test &test) { return !test.folder; });
    } catch (const std::exception &error) {
        build.failure = QString::fromUtf8(error.what());
    }
    return build;
}

void ContentPreview::show()
{
    Build build = buildFiles();
    printProblems(build.problems);
    if (build.databaseFile.isEmpty()) {
        // Nothing good to show yet: an empty catalog, and the reason.
        content::Content none;
        build.databaseFile = m_folder.filePath(QStringLiteral("preview-%1.mdb").arg(++m_generation));
        try {
            content::buildDatabase(none, build.databaseFile);
        } catch (const std::exception &error) {
            build.failure = QString::fromUtf8(error.what());
        }
    }
    m_report = std::make_unique<ReportWindow>();
    showBuild(build.databaseFile);
    m_about = std::make_unique<AboutWindow>(m_window->siteAddress());
    m_window->setWindows(m_about.get(), m_report.get());
    m_window->show();
    const QString error = build.failure.isEmpty() ? errorSummary(build.problems) : build.failure;
    m_errors = build.failure.isEmpty() ? errorList(build.problems) : build.failure;
    if (error.isEmpty())
        setStatus(QStringLiteral("预览：%1 个测试，编辑内容文件后自动更新。").arg(build.tests));
    else
        setStatus(QStringLiteral("内容有错，改好后自动更新：%1").arg(error));
    watchFiles();
    emit rebuilt(error.isEmpty());
}

void ContentPreview::rebuild()
{
    watchFiles();
    if (!m_window || fingerprint() == m_built)
        return;
    Build build = buildFiles();
    printProblems(build.problems);
    if (build.databaseFile.isEmpty()) {
        const QString error = build.failure.isEmpty() ? errorSummary(build.problems) : build.failure;
        m_errors = build.failure.isEmpty() ? errorList(build.problems) : build.failure;
        setStatus(QStringLiteral("内容有错，仍显示上一版：%1").arg(error));
        emit rebuilt(false);
        return;
    }
    showBuild(build.databaseFile);
    m_errors.clear();
    setStatus(QStringLiteral("%1 已更新：%2 个测试。")
                  .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))
                  .arg(build.tests));
    emit rebuilt(true);
}

// Replaces the window by one on databaseFile, where the old one stood and on
// the test it showed.
void ContentPreview::showBuild(const QString &databaseFile)
{
    auto window = std::make_unique<MainWindow>(databaseFile);
    window->setWindowTitle(MainWindow::caption() + QStringLiteral(" — 预览"));
    window->setWindows(m_about.get(), m_report.get());
    const QString oldFile = m_databaseFile;
    if (m_window) {
        window->setGeometry(m_window->geometry());
        window->ui().splitter->setSizes(m_window->ui().splitter->sizes());
        // The catalog's current row leads the tree; a test the edit removed
        // leaves the first entry current.
        if (const std::optional<qint64> key = m_window->ui().catalogTree->selectedKey())
            window->database().catalog.locate(QStringLiteral("ID"), *key);
        const Qt::WindowStates state = m_window->windowState();
        m_window.reset();
        window->setWindowState(state);
        window->show();
    }
    m_window = std::move(window);
    m_databaseFile = databaseFile;
    if (!oldFile.isEmpty()) {
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(oldFile + suffix);
    }
}

void ContentPreview::setStatus(const QString &text)
{
    m_status = text;
    if (!m_window)
        return;
    m_window->statusBar()->showMessage(text);
    // The whole list, as plain text, where the line is too short for it.
    m_window->statusBar()->setToolTip(plainToolTip(m_errors));
}

void ContentPreview::watchFiles()
{
    QStringList paths;
    for (const QString &file : m_files) {
        paths << QFileInfo(file).absolutePath();
        if (QFileInfo::exists(file))
            paths << file;
    }
    paths.removeDuplicates();
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    for (const QString &path : paths) {
        if (!watched.contains(path))
            m_watcher.addPath(path);
    }
}

} // namespace lovetest
