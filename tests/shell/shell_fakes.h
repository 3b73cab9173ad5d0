#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "widgets/dialogs.h"

namespace lovetest::testing {

// Records every error box, message and opened address, and answers the
// confirmations from a list prepared ahead (OK when the list runs out).
class RecordingDialogs : public Dialogs {
public:
    QStringList errors;
    QStringList messages;
    QStringList questions;
    QList<bool> answers;
    QList<QUrl> opened;

    void showError(QWidget *, const QString &message) override { errors << message; }
    void showMessage(QWidget *, const QString &text) override { messages << text; }
    bool confirm(QWidget *, const QString &, const QString &text) override
    {
        questions << text;
        return answers.isEmpty() ? true : answers.takeFirst();
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    void openUrl(QWidget *, const QUrl &url) override { opened << url; }
};

// Installs the recording dialogs for as long as it lives.
class DialogsInstalled {
public:
    explicit DialogsInstalled(Dialogs &dialogs) { Dialogs::setInstance(&dialogs); }
    ~DialogsInstalled() { Dialogs::setInstance(nullptr); }
    DialogsInstalled(const DialogsInstalled &) = delete;
    DialogsInstalled &operator=(const DialogsInstalled &) = delete;
};

} // namespace lovetest::testing
