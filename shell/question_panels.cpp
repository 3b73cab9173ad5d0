#include "shell/question_panels.h"

#include <algorithm>
#include <stdexcept>

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

#include "data/test_database.h"
#include "run/choice_content.h"
#include "run/run_state.h"
#include "widgets/bound_text_view.h"
#include "widgets/capped_pane.h"
#include "widgets/choice_group.h"
#include "widgets/dialogs.h"
#include "widgets/fixed_colours.h"

namespace lovetest {

namespace {

constexpr int kInstructionsMaxHeight = 200;
const QString kScore = QStringLiteral("分值");

// The look both choice panels share: dark red, bold 12 point Song, with the
// nearest Chinese font where Song is missing.
QFont choiceFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Droid Sans Fallback")});
    font.setPointSize(12);
    font.setBold(true);
    return font;
}

// The views of the question pane show their text at 14 points.
void setPointSize(QWidget &view, int points)
{
    QFont font = view.font();
    font.setPointSize(points);
    view.setFont(font);
}

// Keeps a question panel as tall as its items need at its current width,
// also after the pane is resized and the captions wrap anew.
class HeightFitter : public QObject {
public:
    explicit HeightFitter(ChoiceGroup *panel) : QObject(panel), m_panel(panel)
    {
        panel->installEventFilter(this);
        connect(panel, &ChoiceGroup::contentGrew, this, &HeightFitter::fit);
    }

    void fit()
    {
        m_fittedWidth = m_panel->width();
        m_panel->setFixedHeight(m_panel->itemsHeight());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_panel && event->type() == QEvent::Resize) {
            const int width = m_panel->width();
            if (width != m_fittedWidth) {
                m_fittedWidth = width;
                fit();
            }
        }
        return false;
    }

private:
    ChoiceGroup *m_panel;
    int m_fittedWidth = -1;
};

// Caption, binding to 分值 and items of a choice panel, all before the panel
// is first laid out.
void fillChoicePanel(ChoiceGroup &panel, const ChoiceContent &content, DataSource &source)
{
    panel.setTitle(content.caption);
    panel.setDataSource(&source);
    panel.setDataField(kScore);
    QList<ChoiceGroup::Item> items;
    items.reserve(content.items.size());
    for (const auto &item : content.items)
        items.append({item.caption, item.value});
    panel.addItems(items);
}

// When the captions ran out before the values, the items before stay and
// the error follows.
void raiseContentError(const ChoiceContent &content)
{
    if (content.error)
        throw std::out_of_range(content.error->toStdString());
}

} // namespace

int instructionsPaneHeight(int lines, int lineHeight)
{
    if (lines <= 0)
        return 0;
    const int height = (lines + 1) * lineHeight;
    return height >= kInstructionsMaxHeight ? kInstructionsMaxHeight : height;
}

int displayedLineCount(QTextEdit &view)
{
    QTextDocument *document = view.document();
    // The view lays its document out at the width of its viewport.
    document->setTextWidth(view.viewport()->width());
    document->documentLayout()->documentSize(); // finishes the layout
    int lines = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (const QTextLayout *layout = block.layout())
            lines += std::max(layout->lineCount(), 1);
    }
    return lines;
}

QuestionPanels::QuestionPanels(TestDatabase &database, SealedFields &sealed, const Panes &panes,
                               const RunControls &controls)
    : m_database(database), m_sealed(sealed), m_panes(panes), m_controls(controls)
{
    QWidget *content = paneContent();
    if (!content->layout()) {
        auto *layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
}

QWidget *QuestionPanels::paneContent() const
{
    QScrollArea *pane = m_panes.questionPane;
    if (!pane->widget()) {
        pane->setWidgetResizable(true);
        auto *content = new QWidget;
        content->setObjectName(QStringLiteral("questionPaneContent"));
        pane->setWidget(content);
    }
    return pane->widget();
}

void QuestionPanels::clearPanel()
{
    QWidget *content = paneContent();
    const auto children = content->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        // A view that fails while going away must not keep the others.
        try {
            delete child;
        } catch (...) {}
    }
    QLayout *layout = content->layout();
    while (QLayoutItem *item = layout->takeAt(0))
        delete item;
}

ChoiceGroup *QuestionPanels::newChoicePanel()
{
    auto *panel = new ChoiceGroup(paneContent());
    panel->setObjectName(QStringLiteral("choiceGroup"));
    panel->setFont(choiceFont());
    fixColours(*panel, fixed_colours::kButtonFace, fixed_colours::kChoiceText);
    m_choicePanel = panel;
    // The option a key chooses is never left out of sight.
    QScrollArea *pane = m_panes.questionPane;
    QObject::connect(panel, &ChoiceGroup::itemChosen, panel, [pane, panel](int index) {
        if (QWidget *item = panel->itemWidget(index))
            pane->ensureWidgetVisible(item, 0, 4);
    });
    // Tab reaches the panel between the catalog tree and the step button.
    if (m_controls.catalogTree)
        QWidget::setTabOrder(m_controls.catalogTree, panel);
    if (m_controls.stepButton)
        QWidget::setTabOrder(panel, m_controls.stepButton);
    if (m_state)
        m_state->choiceGroup = panel;
    return panel;
}

void QuestionPanels::showQuestion(int number, int total)
{
    ChoiceGroup *panel = newChoicePanel();
    auto *layout = static_cast<QVBoxLayout *>(paneContent()->layout());
    // The panel is filled while hidden and laid out once, when it shows.
    const ChoiceContent content = questionContent(m_database, m_sealed, number, total);
    fillChoicePanel(*panel, content, m_database.questionSource);
    // Aligned to the top, the panel keeps the pane's width and its own height.
    layout->addWidget(panel, 0, Qt::AlignTop);
    panel->resize(m_panes.questionPane->viewport()->width(), panel->height());
    if (!content.error)
        (new HeightFitter(panel))->fit();
    showChoicePanel(*panel);
    giveRoomToChoices(*panel);
    raiseContentError(content);
}

void QuestionPanels::giveRoomToChoices(const ChoiceGroup &panel)
{
    // A question taller than its pane takes the height it lacks from the
    // spare line under instructions shown whole; instructions at their
    // cap keep it.
    CappedPane &instructions = *m_panes.instructionsPane;
    const int lacking = panel.height() - m_panes.questionPane->viewport()->height();
    if (lacking <= 0 || instructions.maximumHeight() <= 0 || instructions.height() >= kInstructionsMaxHeight)
        return;
    const int spareLine = QFontMetrics(m_panes.instructionsView->font()).height();
    setInstructionsHeight(instructions.height() - std::min(lacking, spareLine));
}

void QuestionPanels::showCategoryChoice()
{
    ChoiceGroup *panel = newChoicePanel();
    const ChoiceContent content = categoryContent(m_database, m_sealed);
    fillChoicePanel(*panel, content, m_database.catalogSource);
    paneContent()->layout()->addWidget(panel);
    showChoicePanel(*panel);
    raiseContentError(content);
}

void QuestionPanels::showChoicePanel(ChoiceGroup &panel)
{
    // The "显示全文" buttons of long captions come between the panel and
    // the step button.
    QWidget *previous = &panel;
    const auto showAllButtons = panel.findChildren<QPushButton *>(QStringLiteral("showAllButton"));
    for (QPushButton *button : showAllButtons) {
        QWidget::setTabOrder(previous, button);
        previous = button;
    }
    if (previous != &panel && m_controls.stepButton)
        QWidget::setTabOrder(previous, m_controls.stepButton);
    panel.show();
    // Digits and arrows answer at once, without a Tab or a click first.
    panel.setFocus(Qt::OtherFocusReason);
}

void QuestionPanels::fitInstructions()
{
    const QString text = m_database.questions.fieldByName(QStringLiteral("填写说明"))->asString();
    if (text.isEmpty()) {
        setInstructionsHeight(0);
        return;
    }
    BoundTextView &view = *m_panes.instructionsView;
    const int lineHeight = QFontMetrics(view.font()).height();
    setInstructionsHeight(instructionsPaneHeight(displayedLineCount(view), lineHeight));
}

void QuestionPanels::hideInstructions()
{
    setInstructionsHeight(0);
}

void QuestionPanels::setInstructionsHeight(int height)
{
    m_panes.instructionsPane->setCappedHeight(height);
}

void QuestionPanels::showRemarks()
{
    auto *view = new BoundTextView(paneContent());
    view->setObjectName(QStringLiteral("remarksView"));
    view->setAccessibleName(QStringLiteral("测试说明"));
    view->setReadOnly(true);
    view->setTabChangesFocus(true);
    setPointSize(*view, 14);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setDataSource(&m_database.catalogSource);
    view->setDataField(QStringLiteral("备注"));
    paneContent()->layout()->addWidget(view);
    view->show();
    if (m_state)
        m_state->remarksView = view;
}

void QuestionPanels::showVerdict(const QString &text)
{
    auto *view = new TextView(paneContent());
    view->setObjectName(QStringLiteral("verdictView"));
    view->setTabChangesFocus(true);
    setPointSize(*view, 14);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The verdict separates the disclaimer by bare carriage returns; a long
    // one shows its head and the rest on demand.
    view->setDisplayText(text);
    view->setAccessibleName(QStringLiteral("测试结果"));
    // Screen readers announce the verdict with the view, not only its name.
    view->setAccessibleDescription(view->toPlainText());
    paneContent()->layout()->addWidget(view);
    view->show();
    if (m_state)
        m_state->verdictView = view;
}

void QuestionPanels::showStoredChoice(int index)
{
    if (!m_choicePanel)
        return;
    m_choicePanel->setItemIndex(index);
    m_choicePanel->setFocus();
}

int QuestionPanels::chosenIndex() const
{
    return m_choicePanel ? m_choicePanel->itemIndex() : -1;
}

void QuestionPanels::setRunControls(const Controls &controls)
{
    m_controls.stepButton->setText(controls.stepCaption);
    m_controls.quitButton->setVisible(controls.quitVisible);
    for (QWidget *command : m_controls.startCommands)
        command->setEnabled(controls.idle);
    for (QAction *command : m_controls.startActions)
        command->setEnabled(controls.idle);
    if (m_controls.catalogTree)
        m_controls.catalogTree->setEnabled(controls.idle);
    // A new search during a run would move the catalog row the run reads.
    if (m_controls.searchBox)
        m_controls.searchBox->setEnabled(controls.idle);
}

void QuestionPanels::showMessage(const QString &text)
{
    Dialogs::instance().showMessage(m_panes.questionPane->window(), text);
}

} // namespace lovetest
