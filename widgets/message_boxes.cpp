#include "widgets/message_boxes.h"

#include <QAbstractButton>

namespace lovetest {

void useChineseButtonTexts(QMessageBox &box)
{
    static const struct {
        QMessageBox::StandardButton button;
        const char *text;
    } texts[] = {
        {QMessageBox::Ok, "确定"},
        {QMessageBox::Cancel, "取消"},
        {QMessageBox::Yes, "是"},
        {QMessageBox::No, "否"},
    };
    for (const auto &[button, text] : texts) {
        if (QAbstractButton *shown = box.button(button))
            shown->setText(QString::fromUtf8(text));
    }
}

QMessageBox::StandardButton execMessageBox(QMessageBox &box)
{
    useChineseButtonTexts(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace lovetest
