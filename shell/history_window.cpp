#include "shell/history_window.h"

#include <algorithm>
#include <exception>

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
#include "data/text_head.h"
#include "run/run_history.h"
#include "run/score_trend.h"
#include "shell/score_chart.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"
#include "widgets/plain_tool_tip.h"

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

HistoryWindow::HistoryWindow(RunHistory &history, ShowResult showResult, PastVerdicts pastVerdicts, QWidget *parent)
    : QWidget(parent), m_history(history), m_showResult(std::move(showResult)), m_pastVerdicts(std::move(pastVerdicts))
{
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(QStringLiteral("我的测试记录"));
    setWindowFlag(Qt::Window);
    resize(640, 400);

    auto *filterLabel = new QLabel(QStringLiteral("测试(&T)："), this);
    m_ui.filter = new QComboBox(this);
    m_ui.filter->setObjectName(QStringLiteral("historyFilter"));
    m_ui.filter->setAccessibleName(QStringLiteral("按测试筛选"));
    filterLabel->setBuddy(m_ui.filter);
    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_ui.filter, 1);

    m_ui.table = new QTableWidget(0, 5, this);
    m_ui.table->setObjectName(QStringLiteral("historyTable"));
    m_ui.table->setAccessibleName(QStringLiteral("测试记录列表"));
    m_ui.table->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("测试"), QStringLiteral("类别"),
                                           QStringLiteral("得分"), QStringLiteral("结论")});
    m_ui.table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui.table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui.table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui.table->setTabKeyNavigation(false);
    m_ui.table->verticalHeader()->hide();
    m_ui.table->horizontalHeader()->setStretchLastSection(true);

    m_ui.openButton = button(QStringLiteral("查看结果(&O)"), QStringLiteral("HistoryOpen"), this);
    m_ui.deleteButton = button(QStringLiteral("删除(&D)"), QStringLiteral("HistoryDelete"), this);
    m_ui.deleteAllButton = button(QStringLiteral("全部删除(&A)"), QStringLiteral("HistoryDeleteAll"), this);
    m_ui.closeButton = button(QStringLiteral("关闭(&C)"), QStringLiteral("HistoryClose"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_ui.openButton);
    buttons->addWidget(m_ui.deleteButton);
    buttons->addWidget(m_ui.deleteAllButton);
    buttons->addStretch(1);
    buttons->addWidget(m_ui.closeButton);

    m_ui.chart = new ScoreChart(this);

    auto *note = new QLabel(QStringLiteral("记录只保存在本机的测试数据文件中，不会发送到任何地方。"), this);
    note->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(m_ui.table, 1);
    layout->addWidget(m_ui.chart);
    layout->addWidget(note);
    layout->addLayout(buttons);

    connect(m_ui.filter, &QComboBox::currentIndexChanged, this, [this] { guarded(this, [this] { reload(); }); });
    connect(m_ui.table, &QTableWidget::itemSelectionChanged, this, [this] {
        updateButtons();
        updateChart();
    });
    connect(m_ui.table, &QTableWidget::cellActivated, this, [this] { openSelected(); });
    connect(m_ui.openButton, &QPushButton::clicked, this, &HistoryWindow::openSelected);
    connect(m_ui.deleteButton, &QPushButton::clicked, this, &HistoryWindow::deleteSelected);
    connect(m_ui.deleteAllButton, &QPushButton::clicked, this, &HistoryWindow::deleteAll);
    connect(m_ui.closeButton, &QPushButton::clicked, this, &QWidget::hide);
    auto *deleteKey = new QShortcut(QKeySequence::Delete, m_ui.table);
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
    m_ui.table->setFocus();
}

void HistoryWindow::fillFilter()
{
    const QVariant chosen = m_ui.filter->currentData();
    const QSignalBlocker quiet(m_ui.filter);
    m_ui.filter->clear();
    m_ui.filter->addItem(QStringLiteral("全部测试"));
    for (const auto &[id, name] : m_history.testsTaken())
        m_ui.filter->addItem(boundedLine(name), id);
    const int index = chosen.isValid() ? m_ui.filter->findData(chosen) : 0;
    m_ui.filter->setCurrentIndex(index < 0 ? 0 : index);
}

void HistoryWindow::setPairs(PairHistory *pairs, ShowPair showPair)
{
    m_pairs = pairs;
    m_showPair = std::move(showPair);
}

namespace {

// The store gives heads of long texts; the cells show them cut, on one line.
QString cellLine(const QString &text)
{
    QString line = boundedLine(text);
    return line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

void HistoryWindow::reload()
{
    const QVariant testId = m_ui.filter->currentData();
    const QList<RunHistory::Entry> entries =
        m_history.entries(testId.isValid() ? std::optional<qint64>(testId.toLongLong()) : std::nullopt);
    m_rows = historyRows(entries, m_pairs ? m_pairs->links() : QHash<qint64, qint64>());
    const QHash<qint64, std::pair<QString, QString>> names =
        m_pairs ? m_pairs->names() : QHash<qint64, std::pair<QString, QString>>();
    m_charted.reset();
    m_ui.table->setRowCount(0);
    m_ui.table->setRowCount(int(m_rows.size()));
    for (int row = 0; row < m_rows.size(); ++row) {
        const HistoryRow &shown = m_rows[row];
        const RunHistory::Entry &entry = shown.pair ? shown.second : shown.first;
        QStringList cells{entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")), boundedLine(entry.testName),
                          boundedLine(entry.category), numberText(entry.score), cellLine(entry.verdict)};
        QString verdictTip = boundedLine(entry.verdict);
        if (shown.pair) {
            // "甲 12 · 乙 18": each taker's part under the taker's name.
            const std::pair<QString, QString> named = names.value(shown.pair);
            const QString &first = named.first;
            const QString &second = named.second;
            const auto both = [&](const QString &one, const QString &other, const QString &separator) {
                return QStringLiteral("%1 %2%3%4 %5").arg(first, one, separator, second, other);
            };
            const QString dot = QStringLiteral(" · ");
            cells[1] = QStringLiteral("%1（%2和%3）").arg(cells[1], first, second);
            cells[2] = shown.first.category.isEmpty() && shown.second.category.isEmpty()
                ? QString()
                : both(boundedLine(shown.first.category), boundedLine(shown.second.category), dot);
            cells[3] = both(numberText(shown.first.score), numberText(shown.second.score), dot);
            cells[4] = both(cellLine(shown.first.verdict), cellLine(shown.second.verdict), QStringLiteral(" ｜ "));
            verdictTip = QStringLiteral("%1：%2\n%3：%4")
                             .arg(first, boundedLine(shown.first.verdict), second, boundedLine(shown.second.verdict));
        }
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setData(Qt::UserRole, entry.record);
            item->setData(Qt::UserRole + 1, shown.pair);
            item->setToolTip(plainToolTip(column == 4 ? verdictTip : cells[column]));
            m_ui.table->setItem(row, column, item);
        }
    }
    m_ui.table->resizeColumnsToContents();
    if (!m_rows.isEmpty())
        m_ui.table->selectRow(0);
    updateButtons();
    updateChart();
}

qint64 HistoryWindow::selectedPair() const
{
    const QList<QTableWidgetItem *> items = m_ui.table->selectedItems();
    return items.isEmpty() ? 0 : items.first()->data(Qt::UserRole + 1).toLongLong();
}

qint64 HistoryWindow::selectedRecord() const
{
    const QList<QTableWidgetItem *> items = m_ui.table->selectedItems();
    return items.isEmpty() ? 0 : items.first()->data(Qt::UserRole).toLongLong();
}

void HistoryWindow::updateButtons()
{
    const bool selected = selectedRecord() != 0;
    m_ui.openButton->setEnabled(selected);
    m_ui.deleteButton->setEnabled(selected);
    m_ui.deleteAllButton->setEnabled(m_ui.table->rowCount() > 0);
}

void HistoryWindow::updateChart()
{
    const QList<QTableWidgetItem *> selected = m_ui.table->selectedItems();
    const int row = selected.isEmpty() ? -1 : selected.first()->row();
    // A pair's row charts nothing: the chart is of one taker's runs.
    if (row < 0 || row >= m_rows.size() || m_rows[row].pair != 0) {
        m_charted.reset();
        m_ui.chart->showTrend({});
        return;
    }
    const RunHistory::Entry &entry = m_rows[row].first;
    const std::pair<qint64, QString> key{entry.testId, entry.category};
    if (m_charted == key)
        return;
    m_charted = key;
    // A chart that cannot be read is left out; the list says it all.
    ScoreTrend trend;
    try {
        // Runs taken as one of a pair are another person's as often as not.
        QList<RunHistory::Entry> runs = m_history.entries(entry.testId);
        if (m_pairs) {
            const QHash<qint64, qint64> links = m_pairs->links();
            runs.removeIf([&links](const RunHistory::Entry &run) { return links.contains(run.record); });
        }
        const auto sameCategory = [&entry](const RunHistory::Entry &run) { return run.category == entry.category; };
        if (std::count_if(runs.begin(), runs.end(), sameCategory) >= 2) {
            const std::optional<RunResult> result = m_history.result(entry.record);
            const ScoreRange range = result ? result->range : ScoreRange{entry.score, entry.score};
            trend = scoreTrend(runs, entry.testId, entry.category,
                               result && m_pastVerdicts ? m_pastVerdicts(*result) : QList<RunResult::Verdict>(), range);
        }
    } catch (const std::exception &) {
        trend = {};
    }
    m_ui.chart->showTrend(trend);
}

void HistoryWindow::openSelected()
{
    guarded(this, [this] {
        const qint64 record = selectedRecord();
        if (record == 0)
            return;
        if (const qint64 pair = selectedPair(); pair != 0 && m_pairs && m_showPair) {
            const std::optional<PairHistory::Pair> kept = m_pairs->pair(pair);
            if (!kept || kept->members.size() != 2)
                return;
            const std::optional<RunResult> first = m_history.result(kept->members[0].record);
            const std::optional<RunResult> second = m_history.result(kept->members[1].record);
            if (first && second)
                m_showPair({kept->firstName, kept->secondName, *first, *second});
            return;
        }
        if (const std::optional<RunResult> result = m_history.result(record))
            m_showResult(*result);
    });
}

void HistoryWindow::deleteSelected()
{
    guarded(this, [this] {
        const qint64 record = selectedRecord();
        if (record == 0)
            return;
        const int row = m_ui.table->currentRow();
        // The question names the record: which test, taken when.
        const auto cell = [this, row](int column) {
            const QTableWidgetItem *item = m_ui.table->item(row, column);
            return item ? item->text() : QString();
        };
        const qint64 pair = selectedPair();
        if (!Dialogs::instance().confirm(
                this, windowTitle(),
                (pair ? QStringLiteral("删除“%1”在 %2 的这条两人测试记录吗？两人的结果都会删除。")
                      : QStringLiteral("删除“%1”在 %2 的这条测试记录吗？"))
                    .arg(cell(1), cell(0))))
            return;
        if (pair != 0 && m_pairs) {
            // Both runs go with their pair.
            if (const std::optional<PairHistory::Pair> kept = m_pairs->pair(pair)) {
                for (const PairHistory::Member &member : kept->members)
                    m_history.remove(member.record);
                m_pairs->dissolve(pair);
            }
        } else {
            m_history.remove(record);
        }
        fillFilter();
        reload();
        if (m_ui.table->rowCount() > 0)
            m_ui.table->selectRow(std::min(row, m_ui.table->rowCount() - 1));
    });
}

void HistoryWindow::deleteAll()
{
    guarded(this, [this] {
        if (m_ui.table->rowCount() == 0 ||
            !Dialogs::instance().confirm(this, windowTitle(), QStringLiteral("删除全部测试记录吗？此操作不能撤销。")))
            return;
        m_history.removeAll();
        if (m_pairs) {
            // A pair still under way keeps its runs, and so its place.
            for (const qint64 pair : m_pairs->names().keys()) {
                const std::optional<PairHistory::Pair> kept = m_pairs->pair(pair);
                if (kept && kept->members.isEmpty())
                    m_pairs->dissolve(pair);
            }
        }
        fillFilter();
        reload();
    });
}

} // namespace lovetest
