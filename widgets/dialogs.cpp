#include "widgets/dialogs.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

#include "widgets/message_boxes.h"

namespace lovetest {

QString applicationTitle()
{
    return QStringLiteral("朗月爱情心理测试(娱乐版)  V1.0");
}

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

namespace {

class RealDialogs final : public Dialogs {
public:
    void showError(QWidget *parent, const QString &message) override
    {
        QMessageBox box(QMessageBox::Critical, applicationTitle(), errorBoxText(message), QMessageBox::Ok, parent);
        execMessageBox(box);
    }
    void showMessage(QWidget *parent, const QString &text) override
    {
        // Only the text and OK: a plain message carries no icon. Selectable,
        // so that an address the program could not open can be copied.
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        execMessageBox(box);
    }
    bool confirm(QWidget *parent, const QString &caption, const QString &text) override
    {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
        box.setDefaultButton(QMessageBox::Ok);
        return execMessageBox(box) == QMessageBox::Ok;
    }
    bool askYesNo(QWidget *parent, const QString &caption, const QString &text, DefaultAnswer preferred) override
    {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        box.setDefaultButton(preferred == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }
    QString saveFileName(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                         const QString &previousName) override
    {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(filter);
        // The description already names its patterns; show it once.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!previousName.isEmpty())
            dialog.selectFile(previousName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }
    bool openUrl(QWidget *, const QUrl &url) override { return QDesktopServices::openUrl(url); }
};

RealDialogs g_realDialogs;
Dialogs *g_current = &g_realDialogs;

} // namespace

Dialogs &Dialogs::instance()
{
    return *g_current;
}

void Dialogs::setInstance(Dialogs *dialogs)
{
    g_current = dialogs ? dialogs : &g_realDialogs;
}

} // namespace lovetest
