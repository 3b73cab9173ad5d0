#include "shell/backup_restore.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "data/database_error.h"
#include "data/test_database.h"
#include "run/test_run.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"
#include "widgets/read_only_notice.h"

namespace lovetest {

namespace {

constexpr int kNoteMs = 10000;

QString fileNameOf(const BackupFile &backup)
{
    return QFileInfo(backup.path).fileName();
}

} // namespace

BackupRestore::BackupRestore(TestDatabase &database, TestRun &run, const Places &places)
    : m_database(database), m_run(run), m_places(places)
{
    m_restoreAction = new QAction(QStringLiteral("从备份恢复…"), places.window);
    m_restoreAction->setObjectName(QStringLiteral("restoreBackupAction"));
    if (places.menu) {
        const QList<QAction *> items = places.menu->actions();
        const qsizetype at = items.indexOf(places.after);
        places.menu->insertAction(at >= 0 && at + 1 < items.size() ? items.at(at + 1) : nullptr, m_restoreAction);
    } else if (places.window) {
        places.window->addAction(m_restoreAction);
    }
    connect(m_restoreAction, &QAction::triggered, this, &BackupRestore::chooseAndRestore);
    m_run.addListener(this);
    updateAction();
}

BackupRestore::~BackupRestore()
{
    // A copy under way stops before the connection it reads beside goes.
    m_daily.reset();
    m_run.removeListener(this);
}

void BackupRestore::setClock(DailyBackup::Clock clock)
{
    m_clock = std::move(clock);
    m_daily.reset();
}

QString BackupRestore::databasePath() const
{
    const Connection &connection = m_database.connection;
    if (!connection.connected())
        return {};
    return QDir::current().absoluteFilePath(connection.fileName());
}

bool BackupRestore::mayBackUp() const
{
    return m_database.connection.connected() && !m_database.connection.readOnly();
}

DailyBackup &BackupRestore::daily()
{
    if (!m_daily || m_daily->databasePath() != QFileInfo(databasePath()).absoluteFilePath())
        m_daily = std::make_unique<DailyBackup>(databasePath(), m_clock);
    return *m_daily;
}

void BackupRestore::startDailyBackup()
{
    if (!mayBackUp())
        return;
    daily().start(this, [this](const DailyBackup::Outcome &outcome) { reportFailure(outcome); });
}

void BackupRestore::reportFailure(const DailyBackup::Outcome &outcome)
{
    // No box: the start goes on, and tomorrow's start tries again.
    if (!outcome.error.isEmpty())
        note(QStringLiteral("没能备份测试数据库：%1").arg(outcome.error));
}

std::optional<DailyBackup::Outcome> BackupRestore::runDailyBackup()
{
    if (!mayBackUp())
        return std::nullopt;
    DailyBackup &backup = daily();
    backup.wait();
    DailyBackup::Outcome outcome = backup.runNow();
    reportFailure(outcome);
    return outcome;
}

void BackupRestore::chooseAndRestore()
{
    guarded(m_places.window, [this] {
        if (refused())
            return;
        const QList<BackupFile> backups = listBackups(databasePath());
        if (backups.isEmpty()) {
            Dialogs::instance().showMessage(
                m_places.window,
                QStringLiteral("文件夹 %1 中还没有备份。程序每天启动时会备份一次测试数据库。")
                    .arg(QDir::toNativeSeparators(backupFolder(databasePath()))));
            return;
        }
        BackupListDialog dialog(backups, m_places.window);
        if (dialog.exec() != QDialog::Accepted)
            return;
        if (const std::optional<BackupFile> chosen = dialog.chosen())
            restore(*chosen);
    });
}

void BackupRestore::restore(const BackupFile &backup)
{
    guarded(m_places.window, [this, &backup] {
        if (refused())
            return;
        const QString label = BackupListDialog::label(backup);
        if (!Dialogs::instance().askYesNo(m_places.window, applicationTitle(),
                                          QStringLiteral("要用 %1 的备份（%2）替换现在的测试数据吗？\n"
                                                         "替换之前，现在的数据会先备份到 backups 文件夹中。")
                                              .arg(label, fileNameOf(backup)),
                                          Dialogs::DefaultAnswer::No))
            return;

        const QString path = databasePath();
        const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
        const QString safety = safetyBackupPath(path, now);
        if (const QString failure = backupDatabaseFile(path, safety); !failure.isEmpty())
            throw DatabaseError(
                QStringLiteral("没能先备份现在的数据，没有从 %1 的备份恢复，数据保持原样：%2").arg(label, failure));

        // The datasets let go of the file while its pages change under them,
        // and read it anew whatever the outcome.
        const qint64 key = m_places.tree ? m_places.tree->selectedKey().value_or(0) : 0;
        for (Dataset *set :
             {&m_database.catalog, &m_database.questions, &m_database.instructions, &m_database.verdicts})
            set->close();
        const QString failure = restoreDatabaseFrom(m_database.connection.db(), backup.path);
        reload();
        if (m_places.restored)
            m_places.restored();
        if (key != 0)
            m_database.catalog.locate(QStringLiteral("ID"), key);
        if (m_places.tree)
            m_places.tree->selectCurrentRow();
        if (!failure.isEmpty())
            throw DatabaseError(
                QStringLiteral("没能从 %1 的备份（%2）恢复，数据保持原样：%3").arg(label, fileNameOf(backup), failure));
        note(QStringLiteral("已从 %1 的备份恢复；恢复前的数据在 %2 中。").arg(label, QFileInfo(safety).fileName()));
    });
}

bool BackupRestore::refused()
{
    // Quietly during a run: the command is disabled then.
    if (m_run.running())
        return true;
    if (const std::optional<QString> refusal = readOnlyRefusal(&m_database.catalog)) {
        Dialogs::instance().showMessage(m_places.window, *refusal);
        return true;
    }
    if (!m_database.connection.connected()) {
        Dialogs::instance().showMessage(m_places.window, closedDatabaseMessage(m_database.connection.fileName()));
        return true;
    }
    return false;
}

void BackupRestore::reload()
{
    for (Dataset *set : {&m_database.catalog, &m_database.questions, &m_database.instructions, &m_database.verdicts}) {
        set->close();
        set->open();
    }
}

void BackupRestore::runStarted(qint64, const QString &)
{
    updateAction();
}

void BackupRestore::runEnded(bool)
{
    updateAction();
}

void BackupRestore::updateAction()
{
    m_restoreAction->setEnabled(!m_run.running());
}

void BackupRestore::note(const QString &text)
{
    if (m_places.statusBar)
        m_places.statusBar->showMessage(text, kNoteMs);
}

BackupListDialog::BackupListDialog(const QList<BackupFile> &backups, QWidget *parent)
    : QDialog(parent), m_backups(backups)
{
    setObjectName(QStringLiteral("backupListDialog"));
    setWindowTitle(QStringLiteral("从备份恢复"));
    auto *layout = new QVBoxLayout(this);
    auto *caption = new QLabel(QStringLiteral("选择要恢复的备份（最新的在最上面）："), this);
    layout->addWidget(caption);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("backupList"));
    m_list->setAccessibleName(QStringLiteral("备份列表"));
    caption->setBuddy(m_list);
    for (const BackupFile &backup : std::as_const(m_backups)) {
        auto *item = new QListWidgetItem(QStringLiteral("%1    %2").arg(label(backup), sizeText(backup.size)), m_list);
        item->setToolTip(QDir::toNativeSeparators(backup.path));
    }
    m_list->setCurrentRow(0);
    layout->addWidget(m_list);

    m_buttons = new QDialogButtonBox(this);
    QPushButton *restore = m_buttons->addButton(QStringLiteral("恢复"), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("restoreButton"));
    restore->setAccessibleName(QStringLiteral("恢复选中的备份"));
    restore->setDefault(true);
    QPushButton *close = m_buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Enter on a row restores it, as the default button would.
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentRowChanged, restore, [restore](int row) { restore->setEnabled(row >= 0); });
    m_list->setFocus();
}

std::optional<BackupFile> BackupListDialog::chosen() const
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_backups.size())
        return std::nullopt;
    return m_backups.at(row);
}

QString BackupListDialog::label(const BackupFile &backup)
{
    const QString day = backup.date.toString(QStringLiteral("yyyy-MM-dd"));
    if (backup.daily)
        return day;
    return QStringLiteral("%1 %2（恢复前的数据）").arg(day, backup.time.toString(QStringLiteral("HH:mm:ss")));
}

QString BackupListDialog::sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 字节").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(QString::number(double(bytes) / 1024.0, 'f', 1));
    return QStringLiteral("%1 MB").arg(QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1));
}

} // namespace lovetest
