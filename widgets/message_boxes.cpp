#include "widgets/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

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

namespace {

bool g_terminating = false;

} // namespace

QMessageBox::StandardButton execMessageBox(QMessageBox &box)
{
    if (g_terminating)
        return QMessageBox::NoButton;
    useChineseButtonTexts(box);
    const auto chosen = static_cast<QMessageBox::StandardButton>(box.exec());
    return g_terminating ? QMessageBox::NoButton : chosen;
}

void requestTermination()
{
    g_terminating = true;
    if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
        dialog->reject();
}

bool terminationRequested()
{
    return g_terminating;
}

} // namespace lovetest
