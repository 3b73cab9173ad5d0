#pragma once
#include <functional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "widgets/dialogs.h"

namespace lovetest::testing {

// Stands in for every dialog while it lives: records error boxes, messages,
// questions, save requests and opened addresses, and answers ahead, so no
// test ever blocks on a modal dialog.
class FakeDialogs : public Dialogs {
public:
    struct Question {
        QString caption;
        QString text;
        // The button Enter would press: Cancel (No) for a confirmation.
        DefaultAnswer defaultAnswer = DefaultAnswer::No;
    };
    struct SaveCall {
        QString filter;
        QString defaultSuffix;
        QString previousName;
    };

    FakeDialogs() { Dialogs::setInstance(this); }
    ~FakeDialogs() override { Dialogs::setInstance(nullptr); }
    FakeDialogs(const FakeDialogs &) = delete;
    FakeDialogs &operator=(const FakeDialogs &) = delete;

    QStringList errors;
    QStringList messages;
    QList<Question> questions;
    // Answers to the next confirmations in order; then `answer`.
    QList<bool> answers;
    bool answer = true;
    QString nextSaveName; // empty: the save dialog is cancelled
    QList<SaveCall> saveCalls;
    QList<QUrl> opened;
    QList<QWidget *> openedFor; // the owner of each opened address
    bool browserStarts = true; // false: opening an address fails

    void showError(QWidget *, const QString &message) override { errors << message; }
    void showMessage(QWidget *, const QString &text) override { messages << text; }
    bool confirm(QWidget *, const QString &caption, const QString &text) override
    {
        questions.append({caption, text, DefaultAnswer::No});
        return answers.isEmpty() ? answer : answers.takeFirst();
    }
    bool askYesNo(QWidget *, const QString &caption, const QString &text, DefaultAnswer preferred) override
    {
        questions.append({caption, text, preferred});
        return answers.isEmpty() ? answer : answers.takeFirst();
    }
    // The forms asked, and what the next ones answer: textsAnswers in
    // order (a list replaces the values, an empty list cancels), then the
    // values as given, taken as they are.
    struct TextsCall {
        QString caption;
        QStringList labels;
        QStringList values;
    };
    QList<TextsCall> textsCalls;
    QList<QStringList> textsAnswers;
    bool askTexts(QWidget *, const QString &caption, const QString &, const QStringList &labels,
                  QStringList &values) override
    {
        textsCalls.append({caption, labels, values});
        if (textsAnswers.isEmpty())
            return true;
        const QStringList next = textsAnswers.takeFirst();
        if (next.isEmpty())
            return false;
        values = next;
        return true;
    }
    QString saveFileName(QWidget *, const QString &filter, const QString &defaultSuffix,
                         const QString &previousName) override
    {
        saveCalls.append({filter, defaultSuffix, previousName});
        return nextSaveName;
    }
    // true: addresses go to the real opener (a stand-in on PATH answers).
    bool realOpener = false;

    void openUrl(QWidget *owner, const QUrl &url, const std::function<void()> &failed) override
    {
        opened << url;
        openedFor << owner;
        if (realOpener)
            startUrlOpener(url, owner, failed);
        else if (!browserStarts && failed)
            failed();
    }
};

} // namespace lovetest::testing
