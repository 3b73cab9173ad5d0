#include "shell/history_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "data/convert.h"
#include "run/run_history.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"

namespace lovetest {

namespace {

QPushButton *button(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return b;
}

} // namespace

HistoryWindow::HistoryWindow(RunHistory &history, ShowResult showResult, QWidget *parent)
    : QWidget(parent), m_history(history), m_showResult(std::move(showResult))
{
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(QStringLiteral("我的测试记录"));
    setWindowFlag(Qt::Window);
    resize(640, 400);

    auto *filterLabel = new QLabel(QStringLiteral("测试(&T)："), this);
    filter = new QComboBox(this);
    filter->setObjectName(QStringLiteral("historyFilter"));
    filter->setAccessibleName(QStringLiteral("按测试筛选"));
    filterLabel->setBuddy(filter);
    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(filter, 1);

    table = new QTableWidget(0, 5, this);
    table->setObjectName(QStringLiteral("historyTable"));
    table->setAccessibleName(QStringLiteral("测试记录列表"));
    table->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("测试"), QStringLiteral("类别"),
                                      QStringLiteral("得分"), QStringLiteral("结论")});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);

    openButton = button(QStringLiteral("查看结果(&O)"), QStringLiteral("HistoryOpen"), this);
    deleteButton = button(QStringLiteral("删除(&D)"), QStringLiteral("HistoryDelete"), this);
    deleteAllButton = button(QStringLiteral("全部删除(&A)"), QStringLiteral("HistoryDeleteAll"), this);
    closeButton = button(QStringLiteral("关闭(&C)"), QStringLiteral("HistoryClose"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(openButton);
    buttons->addWidget(deleteButton);
    buttons->addWidget(deleteAllButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);

    auto *note = new QLabel(QStringLiteral("记录只保存在本机的测试数据文件中，不会发送到任何地方。"), this);
    note->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(table, 1);
    layout->addWidget(note);
    layout->addLayout(buttons);

    connect(filter, &QComboBox::currentIndexChanged, this, [this] { guarded(this, [this] { reload(); }); });
    connect(table, &QTableWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(table, &QTableWidget::cellActivated, this, [this] { openSelected(); });
    connect(openButton, &QPushButton::clicked, this, &HistoryWindow::openSelected);
    connect(deleteButton, &QPushButton::clicked, this, &HistoryWindow::deleteSelected);
    connect(deleteAllButton, &QPushButton::clicked, this, &HistoryWindow::deleteAll);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    auto *deleteKey = new QShortcut(QKeySequence::Delete, table);
    deleteKey->setContext(Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &HistoryWindow::deleteSelected);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::hide);
}

void HistoryWindow::showHistory()
{
    fillFilter();
    reload();
    show();
    raise();
    activateWindow();
    table->setFocus();
}

void HistoryWindow::fillFilter()
{
    const QVariant chosen = filter->currentData();
    const QSignalBlocker quiet(filter);
    filter->clear();
    filter->addItem(QStringLiteral("全部测试"));
    for (const auto &[id, name] : m_history.testsTaken())
        filter->addItem(name, id);
    const int index = chosen.isValid() ? filter->findData(chosen) : 0;
    filter->setCurrentIndex(index < 0 ? 0 : index);
}

void HistoryWindow::reload()
{
    const QVariant testId = filter->currentData();
    const QList<RunHistory::Entry> entries =
        m_history.entries(testId.isValid() ? std::optional<qint64>(testId.toLongLong()) : std::nullopt);
    table->setRowCount(0);
    table->setRowCount(int(entries.size()));
    for (int row = 0; row < entries.size(); ++row) {
        const RunHistory::Entry &entry = entries[row];
        QString verdict = entry.verdict;
        verdict.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QStringList cells{entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")), entry.testName, entry.category,
                                numberText(entry.score), verdict};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setData(Qt::UserRole, entry.record);
            item->setToolTip(column == 4 ? entry.verdict : cells[column]);
            table->setItem(row, column, item);
        }
    }
    table->resizeColumnsToContents();
    if (!entries.isEmpty())
        table->selectRow(0);
    updateButtons();
}

qint64 HistoryWindow::selectedRecord() const
{
    const QList<QTableWidgetItem *> items = table->selectedItems();
    return items.isEmpty() ? 0 : items.first()->data(Qt::UserRole).toLongLong();
}

void HistoryWindow::updateButtons()
{
    const bool selected = selectedRecord() != 0;
    openButton->setEnabled(selected);
    deleteButton->setEnabled(selected);
    deleteAllButton->setEnabled(table->rowCount() > 0);
}

void HistoryWindow::openSelected()
{
    guarded(this, [this] {
        const qint64 record = selectedRecord();
        if (record == 0)
            return;
        if (const std::optional<RunResult> result = m_history.result(record))
            m_showResult(*result);
    });
}

void HistoryWindow::deleteSelected()
{
    guarded(this, [this] {
        const qint64 record = selectedRecord();
        if (record == 0 ||
            !Dialogs::instance().confirm(this, windowTitle(), QStringLiteral("删除选中的这条测试记录吗？")))
            return;
        const int row = table->currentRow();
        m_history.remove(record);
        fillFilter();
        reload();
        if (table->rowCount() > 0)
            table->selectRow(std::min(row, table->rowCount() - 1));
    });
}

void HistoryWindow::deleteAll()
{
    guarded(this, [this] {
        if (table->rowCount() == 0 ||
            !Dialogs::instance().confirm(this, windowTitle(), QStringLiteral("删除全部测试记录吗？此操作不能撤销。")))
            return;
        m_history.removeAll();
        fillFilter();
        reload();
    });
}

} // namespace lovetest
