#pragma once
#include <QColor>
#include <QGroupBox>
#include <QList>
#include <QPointer>
#include <QString>

#include "widgets/field_data_link.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace lovetest {

class ChoiceItem;

// The choice panel: a captioned group of items, each with a caption and a
// value text, bound to one field of its dataset's current row.
//
// A new panel shows no chosen item, whatever the field holds: the panel
// never reads the field. Choosing an item (a click on its button or its
// caption, Up/Down, or the number keys 1-9 while the panel has the focus)
// writes the item's value into the field at once through writeChoice(): the
// row enters editing, the value is converted to the field's type, an empty
// value writes Null. The row is never posted by the panel. A choice that
// cannot be written is reported in the error box and the previous choice
// stays. The choice belongs to the row it was made on: when the dataset
// closes or its current row moves to another row, no item is chosen.
//
// The caption and the item captions wrap at the panel's width, so the panel
// never needs more width than its pane offers. They take the panel's font
// and text colour. A caption too long to lay out at once shows its head and
// "…", with a "显示全文" button under it for the rest. For screen readers
// each item is a radio button named by its caption, and the panel is named
// by its caption (names of a long caption are its head).
class ChoiceGroup : public QGroupBox, private FieldDataLink {
    Q_OBJECT
public:
    explicit ChoiceGroup(QWidget *parent = nullptr);
    ~ChoiceGroup() override;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return DataLink::dataSource(); }
    void setDataField(const QString &fieldName);
    QString dataField() const { return m_fieldName; }

    // The group's caption. It is drawn by a wrapping label of the panel, not
    // by the group box's one-line title, which stays empty; these hide the
    // group box's own title accessors.
    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }
    void setTitle(const QString &caption) { setCaption(caption); }
    QString title() const { return m_caption; }
    // The colour of the caption and the item captions.
    void setTextColor(const QColor &color);
    QColor textColor() const { return m_textColor; }
    // On by default.
    void setWordWrap(bool on);
    bool wordWrap() const { return m_wordWrap; }

    void addItem(const QString &caption, const QString &value);
    struct Item {
        QString caption;
        QString value;
    };
    // Adds all items at once, with one layout pass for them all.
    void addItems(const QList<Item> &items);
    void clearItems();
    int count() const { return int(m_items.size()); }
    QString itemCaption(int index) const;
    QString itemValue(int index) const;
    // The row of item index (button and caption), nullptr when out of range.
    QWidget *itemWidget(int index) const;

    // The chosen item, -1 when none.
    int itemIndex() const { return m_itemIndex; }
    // Chooses item index as the user would, writing its value into the field
    // (raises on data errors, and the choice then stays as it was); -1 shows
    // no choice and writes nothing.
    void setItemIndex(int index);

    // The height the panel needs to show its caption and all its items at its
    // current width.
    int itemsHeight() const;
    // The height the items take at width (what itemsHeight() reports for it).
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    // Only the layout's own minimum: the caption wraps, so it sets no width.
    QSize minimumSizeHint() const override;

signals:
    // The user chose an item and its value was written.
    void itemChosen(int index);
    // A caption shown only in part was put in whole: the panel needs more
    // height.
    void contentGrew();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class ChoiceItem;
    void activeChanged() override { forgetStaleChoice(); }
    void dataSetChanged() override { forgetStaleChoice(); }
    void dataSetScrolled() override { forgetStaleChoice(); }

    // A user gesture: writes and reports errors in the error box.
    void chooseByUser(int index);
    void showChoice(int index);
    void forgetStaleChoice();
    void applyLook();
    ChoiceItem *newItem(const QString &caption, const QString &value);
    QList<ChoiceItem *> m_items;
    QVBoxLayout *m_layout = nullptr;
    QLabel *m_captionLabel = nullptr;
    QPointer<QPushButton> m_captionShowAll;
    QString m_caption;
    QColor m_textColor;
    bool m_wordWrap = true;
    int m_itemIndex = -1;
    qint64 m_choiceRow = -1; // bookmark of the row the choice was written to
};

} // namespace lovetest
