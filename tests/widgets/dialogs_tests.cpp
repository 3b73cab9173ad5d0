#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "widgets/dialogs.h"

namespace lovetest {
namespace {

// Runs look on the modal dialog that action opens, then closes it.
void inspectModal(const std::function<void()> &action, const std::function<void(QWidget *)> &look)
{
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll.stop();
        seen = true;
        look(modal);
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
    });
    poll.start(10);
    action();
    EXPECT_TRUE(seen);
}

TEST(RealDialogs, APlainMessageShowsOnlyTextAndOk)
{
    inspectModal([] { Dialogs::instance().showMessage(nullptr, QStringLiteral("请选择!再进行下一步")); },
                 [](QWidget *modal) {
                     auto *box = qobject_cast<QMessageBox *>(modal);
                     ASSERT_NE(box, nullptr);
                     EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
                     EXPECT_EQ(box->text(), QStringLiteral("请选择!再进行下一步"));
                     EXPECT_EQ(box->buttons().size(), 1);
                 });
}

TEST(RealDialogs, TheSaveDialogNamesItsFilterOnce)
{
    const QString filter = QStringLiteral("超文本格式(*.Html, *.Htm) (*.html *.htm)");
    inspectModal([&] { Dialogs::instance().saveFileName(nullptr, filter, QStringLiteral("htm"), QString()); },
                 [](QWidget *modal) {
                     auto *types = modal->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                     ASSERT_NE(types, nullptr);
                     ASSERT_EQ(types->count(), 1);
                     EXPECT_EQ(types->itemText(0), QStringLiteral("超文本格式(*.Html, *.Htm)"));
                 });
}

} // namespace
} // namespace lovetest
