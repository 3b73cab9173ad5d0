#include <exception>

#include <QApplication>
#include <QMessageBox>

#include "report/report_window.h"
#include "shell/about_window.h"
#include "shell/application_setup.h"
#include "shell/main_window.h"
#include "shell/termination_signals.h"
#include "shell/window_memory.h"
#include "widgets/message_boxes.h"

// The program: the main window, the About window and the report window,
// created in this order; the main window shows maximised, or as the user left
// it last time. Closing it or the quit command ends the program.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    lovetest::quitOnTerminationSignals(app);

    try {
        lovetest::MainWindow mainWindow;
        lovetest::AboutWindow aboutWindow(mainWindow.siteAddress());
        lovetest::ReportWindow reportWindow;
        mainWindow.setWindows(&aboutWindow, &reportWindow);
        auto *memory = new lovetest::WindowMemory(mainWindow, *mainWindow.ui().splitter);
        if (memory->restore())
            mainWindow.show();
        else
            mainWindow.showMaximized();
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
        lovetest::execMessageBox(box);
        return 1;
    }
}
