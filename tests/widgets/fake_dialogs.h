#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "widgets/dialogs.h"

namespace lovetest::testing {

// Records what would be shown and answers confirmations ahead. Installed for
// the life of the object.
class FakeDialogs : public Dialogs {
public:
    struct Question {
        QString caption;
        QString text;
    };

    FakeDialogs() { Dialogs::setInstance(this); }
    ~FakeDialogs() override { Dialogs::setInstance(nullptr); }

    bool answer = true;
    QStringList errors;
    QList<Question> questions;

    void showError(QWidget *, const QString &message) override { errors << message; }
    void showMessage(QWidget *, const QString &) override {}
    bool confirm(QWidget *, const QString &caption, const QString &text) override
    {
        questions.append({caption, text});
        return answer;
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    void openUrl(QWidget *, const QUrl &) override {}
};

} // namespace lovetest::testing
