#pragma once
#include <QString>
#include <QTextEdit>

#include "widgets/field_data_link.h"
#include "widgets/plain_text_view.h"

namespace lovetest {

// A text view. setDisplayText() shows a text as plain text, markup included,
// taking CR LF and a lone CR as line breaks; a long text shows its head and
// the rest on demand (see LongTextPresenter).
class TextView : public QTextEdit {
    Q_OBJECT
public:
    explicit TextView(QWidget *parent = nullptr);

    void setDisplayText(const QString &text);
    // Only the head of the text last given to setDisplayText() shows.
    bool showsHeadOnly() const { return m_presenter->truncated(); }
    LongTextPresenter &presenter() const { return *m_presenter; }

    // Plain text with the line breaks turned into "\n".
    static QString normalizedLineBreaks(const QString &text);

private:
    LongTextPresenter *m_presenter;
};

// A rich-text view bound to one field of its dataset's current row; it
// follows the row (scrolls, changes, open and close). Read-only views only
// show. In an editable view the first change by the user puts the row into
// edit state, and the text is written into the field when the view loses
// the focus or when the dataset is about to post; the row itself is never
// posted by the view.
class BoundTextView : public TextView, private FieldDataLink {
    Q_OBJECT
public:
    explicit BoundTextView(QWidget *parent = nullptr);
    ~BoundTextView() override;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return DataLink::dataSource(); }
    void setDataField(const QString &fieldName);
    QString dataField() const { return m_fieldName; }

    // The user changed the text and it has not been written to the field yet.
    bool hasPendingEdit() const { return m_pendingEdit; }
    // Writes a pending edit into the field now (raises on data errors).
    void writePendingEdit();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void activeChanged() override { showField(); }
    void dataSetChanged() override { showField(); }
    void dataSetScrolled() override { showField(); }
    void recordChanged(Field *field) override;
    void updateData() override { writePendingEdit(); }

    void showField();
    void userChangedText();
    QString textForField() const;
    bool m_loading = false;
    bool m_pendingEdit = false;
    bool m_writing = false;
};

} // namespace lovetest
