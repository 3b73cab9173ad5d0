#pragma once
#include <QLabel>
#include <QString>

#include "widgets/field_data_link.h"

namespace lovetest {

// A label that shows one field of its dataset's current row as text. It is
// empty while the dataset is closed or has no row, or the field is missing.
class BoundLabel : public QLabel, private FieldDataLink {
    Q_OBJECT
public:
    explicit BoundLabel(QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return DataLink::dataSource(); }
    void setDataField(const QString &fieldName);
    QString dataField() const { return m_fieldName; }

private:
    void activeChanged() override { showField(); }
    void dataSetChanged() override { showField(); }
    void dataSetScrolled() override { showField(); }
    void recordChanged(Field *field) override;
    void showField();
};

} // namespace lovetest
