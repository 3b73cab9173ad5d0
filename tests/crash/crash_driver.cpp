// Drives the real main window on a database file for ever with random runs,
// answers, renames and deletes, the way a user does, and reports on stdout:
//   begin <kind> <id> <value> <test>   before a change is made
//   done                        once the window has made it (confirmed)
//   error <text>                for every error box
// The crash test kills it at random moments and checks the file against the
// confirmed changes.
#include <cstdio>
#include <random>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include "data/dataset.h"
#include "data/field.h"
#include "run/test_run.h"
#include "shell/main_window.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"
#include "widgets/dialogs.h"

using namespace lovetest;

namespace {

void report(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// Confirms every question and reports every error.
class AgreeingDialogs : public Dialogs {
public:
    void showError(QWidget *, const QString &message) override { report(QStringLiteral("error ") + message); }
    void showMessage(QWidget *, const QString &text) override { report(QStringLiteral("error ") + text); }
    bool confirm(QWidget *, const QString &, const QString &) override { return true; }
    bool askTexts(QWidget *, const QString &, const QString &, const QStringList &, QStringList &) override
    {
        return true;
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    void openUrl(QWidget *, const QUrl &, const std::function<void()> &) override {}
};

class Driver {
public:
    Driver(MainWindow &form, unsigned seed) : m_form(form), m_random(seed) {}

    void act()
    {
        const int roll = pick(100);
        if (roll < 60)
            runTest();
        else if (roll < 85)
            rename();
        else
            remove();
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    QAbstractItemView &tree() { return *m_form.ui().catalogTree; }
    qint64 currentId(Dataset &set) { return set.fieldByName(QStringLiteral("ID"))->value().toLongLong(); }

    bool selectRandomTest()
    {
        QAbstractItemModel *model = tree().model();
        if (model->rowCount() == 0)
            return false;
        tree().setCurrentIndex(model->index(pick(model->rowCount()), 0));
        QCoreApplication::processEvents();
        return true;
    }

    void runTest()
    {
        if (!selectRandomTest())
            return;
        QTest::mouseClick(m_form.ui().stepButton, Qt::LeftButton); // start
        Dataset &questions = m_form.database().questions;
        while (auto *panel = m_form.ui().questionPane->findChild<ChoiceGroup *>()) {
            const auto items = panel->findChildren<QAbstractButton *>();
            if (items.isEmpty())
                return;
            const bool answering = m_form.run().phase() == TestRun::Phase::Answering;
            const qint64 question = answering ? currentId(questions) : 0;
            const qint64 test = currentId(m_form.database().catalog);
            QTest::mouseClick(items[pick(int(items.size()))], Qt::LeftButton);
            const QString value = answering ? questions.fieldByName(QStringLiteral("分值"))->asString() : QString();
            if (answering)
                report(QStringLiteral("begin answer %1 %2 %3").arg(question).arg(value).arg(test));
            QTest::mouseClick(m_form.ui().stepButton, Qt::LeftButton); // next or finish
            if (answering)
                report(QStringLiteral("done"));
        }
        QTest::mouseClick(m_form.ui().stepButton, Qt::LeftButton); // back to the catalog
    }

    void rename()
    {
        if (!selectRandomTest())
            return;
        const qint64 id = currentId(m_form.database().catalog);
        const QString name = QStringLiteral("名%1").arg(pick(1000000));
        tree().setFocus();
        QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
        QApplication::sendEvent(&tree(), &f2);
        auto *editor = tree().findChild<QLineEdit *>();
        if (!editor)
            return;
        editor->setText(name);
        report(QStringLiteral("begin rename %1 %2 %1").arg(id).arg(name));
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        report(QStringLiteral("done"));
    }

    void remove()
    {
        // Keep enough tests for the runs to come.
        if (tree().model()->rowCount() < 8 || !selectRandomTest())
            return;
        const qint64 id = currentId(m_form.database().catalog);
        report(QStringLiteral("begin delete %1 - %1").arg(id));
        tree().setFocus();
        QTest::keyClick(&tree(), Qt::Key_Delete);
        report(QStringLiteral("done"));
    }

    MainWindow &m_form;
    std::mt19937 m_random;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: crash_driver DATABASE SEED\n");
        return 2;
    }
    AgreeingDialogs dialogs;
    Dialogs::setInstance(&dialogs);
    MainWindow form(QString::fromLocal8Bit(argv[1]));
    form.show();
    report(QStringLiteral("ready"));
    Driver driver(form, unsigned(std::strtoul(argv[2], nullptr, 10)));
    for (;;)
        driver.act();
}
