#include "widgets/dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

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
        QMessageBox::critical(parent, applicationTitle(), errorBoxText(message));
    }
    void showMessage(QWidget *parent, const QString &text) override
    {
        // Only the text and OK: a plain message carries no icon.
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
        box.exec();
    }
    bool confirm(QWidget *parent, const QString &caption, const QString &text) override
    {
        return QMessageBox::question(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Ok)
            == QMessageBox::Ok;
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
    void openUrl(QWidget *, const QUrl &url) override { QDesktopServices::openUrl(url); }
};

RealDialogs realDialogs;
Dialogs *current = &realDialogs;

} // namespace

Dialogs &Dialogs::instance()
{
    return *current;
}

void Dialogs::setInstance(Dialogs *dialogs)
{
    current = dialogs ? dialogs : &realDialogs;
}

} // namespace lovetest
