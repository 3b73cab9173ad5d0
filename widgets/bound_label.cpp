#include "widgets/bound_label.h"

#include "data/dataset.h"
#include "data/field.h"
#include "data/text_head.h"

namespace lovetest {

BoundLabel::BoundLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void BoundLabel::setDataSource(DataSource *source)
{
    FieldDataLink::setDataSource(source);
    showField();
}

void BoundLabel::setDataField(const QString &fieldName)
{
    m_fieldName = fieldName;
    showField();
}

void BoundLabel::recordChanged(Field *field)
{
    if (!field || field == boundField())
        showField();
}

void BoundLabel::showField()
{
    const Field *field = boundField();
    // A one-line label: a long text shows its head.
    setText(field ? boundedLine(field->asString()) : QString());
}

} // namespace lovetest
