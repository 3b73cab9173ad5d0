#include "widgets/choice_group.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

#include "data/choice_value.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/text_head.h"
#include "widgets/guard.h"

namespace lovetest {

namespace {

// A radio button whose check mark only the panel sets: a click reports the
// gesture but changes nothing by itself.
class ChoiceButton : public QRadioButton {
public:
    explicit ChoiceButton(QWidget *parent) : QRadioButton(parent)
    {
        // Exclusive, so that screen readers announce a radio button; the
        // panel keeps the one choice itself.
        setAutoExclusive(true);
        setFocusPolicy(Qt::NoFocus);
    }

    void setChosen(bool on)
    {
        // An exclusive button refuses to be unchecked on its own.
        setAutoExclusive(false);
        setChecked(on);
        setAutoExclusive(true);
    }

protected:
    void nextCheckState() override {}
};

// Puts a caption into label: a long one only as its head, which any text
// lays out at once. The button returned (nullptr when the caption fits)
// puts the whole caption into the label when clicked, and the panel then
// reports that its content grew.
QPushButton *showCaption(QLabel &label, const QString &caption, ChoiceGroup &panel, QWidget *parent)
{
    const QString head = boundedText(caption);
    label.setText(head);
    if (head.size() == caption.size())
        return nullptr;
    auto *button = new QPushButton(QStringLiteral("显示全文（共 %1 字）").arg(caption.size()), parent);
    button->setObjectName(QStringLiteral("showAllButton"));
    button->setAccessibleName(QStringLiteral("显示全文"));
    QObject::connect(button, &QPushButton::clicked, &label, [&label, &panel, button, caption] {
        button->hide();
        label.setText(caption);
        button->deleteLater();
        emit panel.contentGrew();
    });
    return button;
}

} // namespace

// One item: its button and its caption, which wraps at the panel's width.
// Clicking either chooses the item.
class ChoiceItem : public QWidget {
public:
    ChoiceItem(ChoiceGroup *panel, int index, const QString &caption, const QString &value)
        : QWidget(panel), m_panel(panel), m_index(index), m_caption(caption), m_value(value)
    {
        m_button = new ChoiceButton(this);
        m_button->setAccessibleName(boundedLine(caption));
        m_label = new QLabel(this);
        m_label->setTextFormat(Qt::PlainText);
        m_label->setWordWrap(panel->wordWrap());
        auto *row = new QHBoxLayout(this);
        row->setContentsMargins(2, 2, 2, 2);
        row->setSpacing(4);
        row->addWidget(m_button, 0, Qt::AlignTop);
        if (QPushButton *showAll = showCaption(*m_label, caption, *panel, this)) {
            auto *column = new QVBoxLayout;
            column->addWidget(m_label);
            column->addWidget(showAll, 0, Qt::AlignLeft);
            row->addLayout(column, 1);
        } else {
            row->addWidget(m_label, 1);
        }
        QObject::connect(m_button, &QAbstractButton::clicked, this, [this] { choose(); });
    }

    const QString &caption() const { return m_caption; }
    const QString &value() const { return m_value; }
    void setChosen(bool on) { m_button->setChosen(on); }
    void setWordWrap(bool on) { m_label->setWordWrap(on); }
    void setFocusMark(bool on)
    {
        if (m_focusMark != on) {
            m_focusMark = on;
            update();
        }
    }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            choose();
    }

    void paintEvent(QPaintEvent *) override
    {
        if (!m_focusMark)
            return;
        QPainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = m_label->geometry().adjusted(-1, -1, 1, 1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }

private:
    void choose()
    {
        m_panel->setFocus(Qt::MouseFocusReason);
        m_panel->chooseByUser(m_index);
    }

    ChoiceGroup *m_panel;
    int m_index;
    QString m_caption;
    QString m_value;
    ChoiceButton *m_button = nullptr;
    QLabel *m_label = nullptr;
    bool m_focusMark = false;
};

ChoiceGroup::ChoiceGroup(QWidget *parent) : QGroupBox(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    m_layout = new QVBoxLayout(this);
    m_layout->setSpacing(2);
    m_captionLabel = new QLabel(this);
    m_captionLabel->setObjectName(QStringLiteral("caption"));
    m_captionLabel->setTextFormat(Qt::PlainText);
    m_captionLabel->setWordWrap(true);
    m_captionLabel->hide();
    m_layout->addWidget(m_captionLabel);
    m_layout->addStretch(1);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

ChoiceGroup::~ChoiceGroup() = default;

void ChoiceGroup::setDataSource(DataSource *source)
{
    FieldDataLink::setDataSource(source);
    forgetStaleChoice();
}

void ChoiceGroup::setDataField(const QString &fieldName)
{
    m_fieldName = fieldName;
}

void ChoiceGroup::setTextColor(const QColor &color)
{
    m_textColor = color;
    applyLook();
}

void ChoiceGroup::applyLook()
{
    if (!m_textColor.isValid())
        return;
    QPalette look = palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        look.setColor(role, m_textColor);
    setPalette(look);
}

void ChoiceGroup::setWordWrap(bool on)
{
    m_wordWrap = on;
    for (ChoiceItem *item : std::as_const(m_items))
        item->setWordWrap(on);
    updateGeometry();
}

void ChoiceGroup::setCaption(const QString &caption)
{
    m_caption = caption;
    delete m_captionShowAll;
    m_captionShowAll = showCaption(*m_captionLabel, caption, *this, this);
    if (m_captionShowAll)
        m_layout->insertWidget(m_layout->indexOf(m_captionLabel) + 1, m_captionShowAll, 0, Qt::AlignLeft);
    m_captionLabel->setVisible(!caption.isEmpty());
    setAccessibleName(boundedLine(caption));
    updateGeometry();
}

ChoiceItem *ChoiceGroup::newItem(const QString &caption, const QString &value)
{
    auto *item = new ChoiceItem(this, int(m_items.size()), caption, value);
    // Items stand below the caption and above the closing stretch.
    m_layout->insertWidget(m_layout->count() - 1, item);
    m_items.append(item);
    return item;
}

void ChoiceGroup::addItem(const QString &caption, const QString &value)
{
    addItems({{caption, value}});
}

void ChoiceGroup::addItems(const QList<Item> &items)
{
    for (const Item &item : items)
        newItem(item.caption, item.value);
    // Hidden children of a shown panel need showing; a hidden panel shows
    // them with itself.
    if (isVisible()) {
        for (ChoiceItem *item : std::as_const(m_items))
            item->show();
    }
    m_layout->invalidate();
    updateGeometry();
}

QSize ChoiceGroup::minimumSizeHint() const
{
    return m_layout->totalMinimumSize();
}

void ChoiceGroup::clearItems()
{
    showChoice(-1);
    qDeleteAll(m_items);
    m_items.clear();
    updateGeometry();
}

QString ChoiceGroup::itemCaption(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index]->caption() : QString();
}

QWidget *ChoiceGroup::itemWidget(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

QString ChoiceGroup::itemValue(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index]->value() : QString();
}

void ChoiceGroup::setItemIndex(int index)
{
    if (index < 0 || index >= m_items.size()) {
        showChoice(-1);
        return;
    }
    Dataset *set = dataSet();
    if (!set)
        throw std::runtime_error(QStringLiteral("%1: Missing data source").arg(objectName()).toStdString());
    Field *field = boundField();
    if (!field)
        field = set->fieldByName(m_fieldName); // raises the data layer's message
    writeChoice(*field, m_items[index]->value());
    m_choiceRow = set->bookmark().row;
    showChoice(index);
}

void ChoiceGroup::chooseByUser(int index)
{
    if (!isEnabled())
        return;
    if (guarded(this, [&] { setItemIndex(index); }))
        emit itemChosen(index);
}

void ChoiceGroup::showChoice(int index)
{
    m_itemIndex = index;
    if (index < 0)
        m_choiceRow = -1;
    for (int i = 0; i < m_items.size(); ++i) {
        m_items[i]->setChosen(i == index);
        m_items[i]->setFocusMark(hasFocus() && i == std::max(index, 0));
    }
}

void ChoiceGroup::forgetStaleChoice()
{
    if (m_itemIndex < 0)
        return;
    const Dataset *set = dataSet();
    if (!set || !set->active() || set->bookmark().row != m_choiceRow)
        showChoice(-1);
}

int ChoiceGroup::heightForWidth(int width) const
{
    if (m_layout->hasHeightForWidth())
        return m_layout->totalHeightForWidth(width);
    return m_layout->totalSizeHint().height();
}

int ChoiceGroup::itemsHeight() const
{
    return heightForWidth(width());
}

void ChoiceGroup::keyPressEvent(QKeyEvent *event)
{
    const int last = int(m_items.size()) - 1;
    int target = -2;
    switch (event->key()) {
    case Qt::Key_Down:
        target = m_itemIndex < 0 ? 0 : std::min(m_itemIndex + 1, last);
        break;
    case Qt::Key_Up:
        target = m_itemIndex < 0 ? last : std::max(m_itemIndex - 1, 0);
        break;
    default:
        if (event->key() >= Qt::Key_1 && event->key() <= Qt::Key_9 &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            target = event->key() - Qt::Key_1;
        break;
    }
    if (target == -2) {
        QGroupBox::keyPressEvent(event);
        return;
    }
    event->accept();
    if (target >= 0 && target <= last && target != m_itemIndex)
        chooseByUser(target);
}

void ChoiceGroup::focusInEvent(QFocusEvent *event)
{
    QGroupBox::focusInEvent(event);
    showChoice(m_itemIndex);
}

void ChoiceGroup::focusOutEvent(QFocusEvent *event)
{
    QGroupBox::focusOutEvent(event);
    showChoice(m_itemIndex);
}

void ChoiceGroup::changeEvent(QEvent *event)
{
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
}

} // namespace lovetest
