#include "shell/catalog_keeper.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QStatusBar>

#include "data/connection.h"
#include "data/database_error.h"
#include "data/sample_tests.h"
#include "data/test_database.h"
#include "data/text_head.h"
#include "run/test_run.h"
#include "shell/menu_order.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"
#include "widgets/read_only_notice.h"

namespace lovetest {

namespace {

const QString kSampleName = QStringLiteral("lovetest/sample/date.mdb");

// The reason of a failure without the name of the object that raised it.
QString reasonOf(const std::exception &error)
{
    if (const auto *database = dynamic_cast<const DatabaseError *>(&error))
        return database->message();
    return QString::fromUtf8(error.what());
}

QString quoted(const QString &name)
{
    return QStringLiteral("“%1”").arg(boundedLine(name));
}

} // namespace

QString bundledSampleFile()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    QStringList candidates{programDir + QStringLiteral("/../share/") + kSampleName};
    // The system data folders, not the user's own: that one holds the
    // user's database.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        if (folder != own)
            candidates.append(folder + QLatin1Char('/') + kSampleName);
    // A build tree keeps the program in shell/ and the sample in content/.
    candidates.append(programDir + QStringLiteral("/../content/date.mdb"));
    for (const QString &candidate : std::as_const(candidates))
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    return {};
}

CatalogKeeper::CatalogKeeper(TestDatabase &database, TestRun &run, const Places &places)
    : m_database(database), m_run(run), m_places(places), m_sampleFile(bundledSampleFile())
{
    m_undoAction = new QAction(QStringLiteral("撤销删除"), places.window);
    m_undoAction->setObjectName(QStringLiteral("undoDeleteAction"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_restoreAction = new QAction(QStringLiteral("恢复示例测试"), places.window);
    m_restoreAction->setObjectName(QStringLiteral("restoreSamplesAction"));
    if (places.menu) {
        QAction *before = firstSeparator(*places.menu);
        QAction *separator = places.menu->insertSeparator(before);
        separator->setObjectName(QStringLiteral("catalogSeparator"));
        places.menu->insertAction(before, m_undoAction);
        places.menu->insertAction(before, m_restoreAction);
    } else if (places.window) {
        places.window->addAction(m_undoAction);
        places.window->addAction(m_restoreAction);
    }
    connect(m_undoAction, &QAction::triggered, this, &CatalogKeeper::undoDelete);
    connect(m_restoreAction, &QAction::triggered, this, &CatalogKeeper::restoreSamples);
    if (places.tree)
        places.tree->setRemoval(this);
    m_run.addListener(this);
    updateActions();
}

CatalogKeeper::~CatalogKeeper()
{
    m_run.removeListener(this);
    if (m_places.tree)
        m_places.tree->setRemoval(nullptr);
}

QString CatalogKeeper::confirmationDetail(const QList<qint64> &keys)
{
    if (keys.size() < 2 || !m_database.connection.connected())
        return {};
    // The entry itself comes last: what lies beneath it goes with it.
    const int tests = int(testsAmong(m_database.connection.db(), keys.first(keys.size() - 1)).size());
    return tests > 0 ? QStringLiteral("以及其中的 %1 个测试").arg(tests) : QString();
}

void CatalogKeeper::remove(const QList<qint64> &keys, const QString &label, const std::function<void()> &removeRows)
{
    Connection &connection = m_database.connection;
    if (!connection.connected()) {
        removeRows();
        return;
    }
    Deleted deleted{label, readEntryRows(connection.db(), keys)};
    try {
        Connection::Transaction transaction(connection);
        removeRows();
        removeEntryContent(connection, deleted.rows);
        transaction.commit();
    } catch (const std::exception &error) {
        // The file holds every row again; the catalog set and the tree
        // follow it.
        try {
            reload(keys.isEmpty() ? 0 : keys.constLast());
        } catch (...) {}
        throw DatabaseError(QStringLiteral("没能删除%1，目录保持原样：%2").arg(quoted(label), reasonOf(error)));
    }
    m_deleted.push_back(std::move(deleted));
    updateActions();
    note(QStringLiteral("已删除%1。按 Ctrl+Z 可撤销删除。").arg(quoted(label)));
}

void CatalogKeeper::undoDelete()
{
    guarded(m_places.window, [this] {
        if (m_deleted.empty() || m_run.running())
            return;
        if (const std::optional<QString> refusal = readOnlyRefusal(&m_database.catalog)) {
            Dialogs::instance().showMessage(m_places.window, *refusal);
            return;
        }
        const Deleted &last = m_deleted.back();
        const QList<qint64> back = idsInUse(m_database.connection.db(), last.rows.keys);
        if (!back.isEmpty()) {
            // Restored otherwise meanwhile (the sample tests): nothing to undo.
            const QString label = last.label;
            m_deleted.pop_back();
            updateActions();
            Dialogs::instance().showMessage(m_places.window,
                                            QStringLiteral("%1已经回到目录中，不需要撤销。").arg(quoted(label)));
            return;
        }
        try {
            writeEntryRows(m_database.connection, last.rows);
        } catch (const std::exception &error) {
            throw DatabaseError(QStringLiteral("没能撤销删除%1：%2").arg(quoted(last.label), reasonOf(error)));
        }
        const QString label = last.label;
        const qint64 key = last.rows.keys.isEmpty() ? 0 : last.rows.keys.constLast();
        m_deleted.pop_back();
        updateActions();
        reload(key);
        note(QStringLiteral("已恢复%1。").arg(quoted(label)));
    });
}

void CatalogKeeper::restoreSamples()
{
    guarded(m_places.window, [this] {
        if (m_run.running())
            return;
        if (const std::optional<QString> refusal = readOnlyRefusal(&m_database.catalog)) {
            Dialogs::instance().showMessage(m_places.window, *refusal);
            return;
        }
        if (!m_database.connection.connected()) {
            Dialogs::instance().showMessage(m_places.window, closedDatabaseMessage(m_database.connection.fileName()));
            return;
        }
        if (m_sampleFile.isEmpty() || !QFileInfo(m_sampleFile).isFile()) {
            Dialogs::instance().showMessage(
                m_places.window,
                QStringLiteral("找不到程序自带的示例测试（share/lovetest/sample/date.mdb），"
                               "没有恢复任何测试。"));
            return;
        }
        RestoredSamples result;
        try {
            result = restoreMissingSamples(m_database.connection, m_sampleFile);
        } catch (const std::exception &error) {
            throw DatabaseError(QStringLiteral("没能恢复示例测试，目录保持原样：%1").arg(reasonOf(error)));
        }
        if (!result.restored.isEmpty())
            reload(result.firstRestored);
        QStringList lines;
        if (result.restored.isEmpty())
            lines << QStringLiteral("示例测试都在目录中，没有需要恢复的。");
        else
            lines << QStringLiteral("已恢复 %1 个示例测试：%2。")
                         .arg(result.restored.size())
                         .arg(result.restored.join(QStringLiteral("、")));
        if (!result.blocked.isEmpty())
            lines << QStringLiteral("有 %1 个示例测试的编号已被其他条目占用，没有恢复：%2。")
                         .arg(result.blocked.size())
                         .arg(result.blocked.join(QStringLiteral("、")));
        Dialogs::instance().showMessage(m_places.window, lines.join(QLatin1Char('\n')));
    });
}

void CatalogKeeper::runStarted(qint64, const QString &)
{
    updateActions();
}

void CatalogKeeper::runEnded(bool)
{
    updateActions();
}

void CatalogKeeper::updateActions()
{
    const bool idle = !m_run.running();
    m_undoAction->setEnabled(idle && !m_deleted.empty());
    m_undoAction->setStatusTip(m_deleted.empty() ? QString()
                                                 : QStringLiteral("撤销删除%1").arg(quoted(m_deleted.back().label)));
    m_restoreAction->setEnabled(idle);
}

void CatalogKeeper::reload(qint64 key)
{
    for (Dataset *set : {&m_database.catalog, &m_database.questions, &m_database.verdicts}) {
        set->close();
        set->open();
    }
    if (key != 0)
        m_database.catalog.locate(QStringLiteral("ID"), key);
    if (m_places.tree)
        m_places.tree->selectCurrentRow();
}

void CatalogKeeper::note(const QString &text)
{
    if (m_places.statusBar)
        m_places.statusBar->showMessage(text, 10000);
}

} // namespace lovetest
