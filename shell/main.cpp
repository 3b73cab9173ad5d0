#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

#include <QApplication>
#include <QMessageBox>

#include "lovetest_version.h"
#include "report/report_window.h"
#include "shell/about_window.h"
#include "shell/application_setup.h"
#include "shell/backup_restore.h"
#include "shell/main_window.h"
#include "shell/preview/content_preview.h"
#include "shell/termination_signals.h"
#include "shell/window_memory.h"
#include "widgets/message_boxes.h"

namespace {

const char kUsage[] = R"(Usage: lovetest [--help | --version | --preview FILE...]

朗月爱情心理测试(娱乐版): love-psychology tests for entertainment.
Reads the tests from date.mdb in the current folder and writes answers,
renamed and deleted catalog entries back to it.

  --help, -h         print this text and exit
  --version          print the program's name and version and exit
  --preview FILE...  show content files (the authoring format) as the
                     program would, built again whenever one changes;
                     nothing is written beside them
)";

// --help and --version are answered before the application object exists:
// they need no display, and a window system that cannot be reached would
// otherwise abort the program. Returns whether one was answered.
bool answeredInformation(int argc, char **argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("lovetest %s\n", lovetest::kProgramVersion);
            return true;
        }
    }
    return false;
}

// The content files after --preview; nullopt for a normal start.
std::optional<QStringList> previewFiles(const QStringList &args)
{
    if (args.size() < 2 || args.at(1) != QLatin1String("--preview"))
        return std::nullopt;
    QStringList files = args.mid(2);
    if (!files.isEmpty() && files.first() == QLatin1String("--"))
        files.removeFirst();
    return files;
}

int preview(const QStringList &files)
{
    if (files.isEmpty()) {
        std::fputs("lovetest: --preview needs content files\n", stderr);
        return 2;
    }
    lovetest::ContentPreview preview(files);
    preview.show();
    if (!lovetest::terminationRequested())
        QApplication::exec();
    return 0;
}

} // namespace

// The program: the main window, the About window and the report window,
// created in this order; the main window shows maximised, or as the user left
// it last time. Closing it or the quit command ends the program.
int main(int argc, char **argv)
{
    if (answeredInformation(argc, argv))
        return std::fflush(stdout) == 0 ? 0 : 1;
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    lovetest::quitOnTerminationSignals(app);

    try {
        if (const std::optional<QStringList> files = previewFiles(QApplication::arguments()))
            return preview(*files);
        lovetest::MainWindow mainWindow;
        lovetest::AboutWindow aboutWindow(mainWindow.siteAddress());
        lovetest::ReportWindow reportWindow;
        mainWindow.setWindows(&aboutWindow, &reportWindow);
        auto *memory = new lovetest::WindowMemory(mainWindow, *mainWindow.ui().splitter);
        if (memory->restore())
            mainWindow.show();
        else
            mainWindow.showMaximized();
        // After the first paint is queued; the copy runs on its own thread.
        mainWindow.backups().startDailyBackup();
        mainWindow.offerResume();
        // A termination signal during a start-up box ends the program here.
        if (!lovetest::terminationRequested())
            app.exec();
        return 0;
    } catch (const std::exception &error) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                        QStringLiteral("Exception %1: %2")
                            .arg(QString::fromLatin1(typeid(error).name()), QString::fromUtf8(error.what())),
                        QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        lovetest::execMessageBox(box);
        return 1;
    }
}
