#pragma once
#include <functional>

#include <QString>
#include <QStringList>
#include <QUrl>

class QObject;
class QWidget;

namespace lovetest {

// The application title: the caption of every message box.
QString applicationTitle();

// Everything that would block on a modal dialog or reach outside the program
// goes through this interface, so tests answer ahead instead of blocking.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The error box: title as caption, error icon, OK.
    virtual void showError(QWidget *parent, const QString &message) = 0;
    // A plain message with OK.
    virtual void showMessage(QWidget *parent, const QString &text) = 0;
    // A question with OK and Cancel before something is removed; true for
    // OK. Cancel is the default button: Enter keeps everything.
    virtual bool confirm(QWidget *parent, const QString &caption, const QString &text) = 0;
    // The button Enter presses in a yes-or-no question.
    enum class DefaultAnswer { Yes, No };
    // A question with Yes and No (Escape says No); true for Yes. Yes is the
    // default button unless a question that would lose work asks for No.
    // Stand-ins answer it as a confirmation.
    virtual bool askYesNo(QWidget *parent, const QString &caption, const QString &text,
                          DefaultAnswer preferred = DefaultAnswer::Yes)
    {
        Q_UNUSED(preferred);
        return confirm(parent, caption, text);
    }
    // A small form: one line field for each label, filled with values;
    // true with values as edited for OK, false for Cancel (values as
    // they were). OK is the default button.
    virtual bool askTexts(QWidget *parent, const QString &caption, const QString &prompt, const QStringList &labels,
                          QStringList &values) = 0;
    // A save-file dialog; an empty result means cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                                 const QString &previousName) = 0;
    // Opens an address in the user's browser without waiting for it;
    // failed runs later, once it is known that no browser could be started.
    virtual void openUrl(QWidget *parent, const QUrl &url, const std::function<void()> &failed = {}) = 0;

    static Dialogs &instance();
    // Replaces the instance (tests); nullptr restores the real dialogs.
    static void setInstance(Dialogs *dialogs);
};

// The error box text: the message, with "." added when it is not empty and
// its last character sorts after ".".
QString errorBoxText(const QString &message);

// The real opener behind Dialogs::openUrl: runs the desktop's opener
// (xdg-open) as a process and calls failed when it cannot start or exits
// with a status other than 0, as it does when it finds no browser. Returns
// at once; the window goes on while the opener runs. failed is not called
// once context is gone.
void startUrlOpener(const QUrl &url, QObject *context, const std::function<void()> &failed);

} // namespace lovetest
