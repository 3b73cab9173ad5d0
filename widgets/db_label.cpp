#include "widgets/db_label.h"

#include "data/dataset.h"
#include "data/field.h"

namespace lovetest {

TcxDBLabel::TcxDBLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TcxDBLabel::setDataSource(DataSource *source)
{
    FieldDataLink::setDataSource(source);
    showField();
}

void TcxDBLabel::setDataField(const QString &fieldName)
{
    m_fieldName = fieldName;
    showField();
}

void TcxDBLabel::recordChanged(Field *field)
{
    if (!field || field == boundField())
        showField();
}

void TcxDBLabel::showField()
{
    const Field *field = boundField();
    setText(field ? field->asString() : QString());
}

} // namespace lovetest
