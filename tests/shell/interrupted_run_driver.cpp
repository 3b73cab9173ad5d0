// Takes part of a test run in the real main window and then waits to be
// killed: lovetest_interrupted_run DATABASE TEST-ID [pair] ITEM...
// With "pair" the run is the first of two takers (甲 and 乙), and the item
// "handover" goes on from the hand-over screen to the second taker.
// Prints "answered" once the items are answered (each followed by a step).
#include <cstdio>

#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>

#include "data/test_database.h"
#include "shell/application_setup.h"
#include "shell/main_window.h"
#include "shell/pair_companion.h"
#include "tests/support/fake_dialogs.h"
#include "widgets/choice_group.h"

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: lovetest_interrupted_run DATABASE TEST-ID ITEM...\n");
        return 2;
    }
    // Names and window state never come from or go to the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    lovetest::testing::FakeDialogs dialogs;
    lovetest::MainWindow form(args[1]);
    form.show();
    form.database().catalog.locate(QStringLiteral("ID"), args[2].toLongLong());
    qsizetype first = 3;
    if (args.size() > 3 && args[3] == QStringLiteral("pair")) {
        form.pairCompanion().startPair();
        ++first;
    } else {
        form.ui().startButton->click();
    }
    for (qsizetype i = first; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("handover")) {
            form.pairCompanion().continuePair();
            continue;
        }
        auto *panel = form.ui().questionPane->findChild<lovetest::ChoiceGroup *>();
        if (!panel)
            return 1;
        panel->setItemIndex(args[i].toInt());
        form.ui().stepButton->click();
    }
    std::printf("answered\n");
    std::fflush(stdout);
    return app.exec();
}
