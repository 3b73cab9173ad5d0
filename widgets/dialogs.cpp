#include "widgets/dialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>

#include "data/text_head.h"
#include "widgets/message_boxes.h"
#include "widgets/texts_form.h"

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

void startUrlOpener(const QUrl &url, QObject *context, const std::function<void()> &failed)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // QDesktopServices::openUrl reports success as soon as xdg-open starts,
    // even when it then finds no browser: its exit status tells.
    auto *opener = new QProcess(QCoreApplication::instance());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    QPointer<QObject> owner = context;
    const bool hasOwner = context != nullptr;
    auto fail = [owner, hasOwner, failed] {
        if (failed && (!hasOwner || owner))
            failed();
    };
    QObject::connect(opener, &QProcess::finished, opener, [opener, fail](int exitCode, QProcess::ExitStatus status) {
        opener->deleteLater();
        if (status != QProcess::NormalExit || exitCode != 0)
            fail();
    });
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, fail](QProcess::ProcessError error) {
        // A crash or a lost pipe ends in finished as well.
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        fail();
    });
    opener->start(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
#else
    Q_UNUSED(context);
    if (!QDesktopServices::openUrl(url) && failed)
        failed();
#endif
}

namespace {

class RealDialogs final : public Dialogs {
public:
    void showError(QWidget *parent, const QString &message) override
    {
        QMessageBox box(QMessageBox::Critical, applicationTitle(), boundedText(errorBoxText(message)), QMessageBox::Ok,
                        parent);
        box.setTextFormat(Qt::PlainText);
        execMessageBox(box);
    }
    void showMessage(QWidget *parent, const QString &text) override
    {
        // Only the text and OK: a plain message carries no icon. Selectable,
        // so that an address the program could not open can be copied.
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), boundedText(text), QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        execMessageBox(box);
    }
    bool confirm(QWidget *parent, const QString &caption, const QString &text) override
    {
        QMessageBox box(QMessageBox::Question, caption, boundedText(text), QMessageBox::Ok | QMessageBox::Cancel,
                        parent);
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(QMessageBox::Cancel);
        return execMessageBox(box) == QMessageBox::Ok;
    }
    bool askYesNo(QWidget *parent, const QString &caption, const QString &text, DefaultAnswer preferred) override
    {
        QMessageBox box(QMessageBox::Question, caption, boundedText(text), QMessageBox::Yes | QMessageBox::No, parent);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        box.setDefaultButton(preferred == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        box.setTextFormat(Qt::PlainText);
        // Its own button texts, so not through execMessageBox; the program's
        // end answers it as cancelled all the same.
        if (terminationRequested())
            return false;
        const bool yes = box.exec() == QMessageBox::Yes;
        return yes && !terminationRequested();
    }
    bool askTexts(QWidget *parent, const QString &caption, const QString &prompt, const QStringList &labels,
                  QStringList &values) override
    {
        TextsForm form(parent, caption, prompt, labels, values);
        if (terminationRequested() || form.exec() != QDialog::Accepted || terminationRequested())
            return false;
        values = form.values();
        return true;
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
    void openUrl(QWidget *parent, const QUrl &url, const std::function<void()> &failed) override
    {
        startUrlOpener(url, parent, failed);
    }
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
