// The program's start, as its main() does it, ending after the main window's
// first paint. Run from a folder holding date.mdb.
#include "bench/startup/first_paint.h"
#include "report/report_window.h"
#include "shell/about_window.h"
#include "shell/application_setup.h"
#include "shell/backup_restore.h"
#include "shell/main_window.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    lovetest::MainWindow mainWindow;
    lovetest::AboutWindow aboutWindow(mainWindow.siteAddress());
    lovetest::ReportWindow reportWindow;
    mainWindow.setWindows(&aboutWindow, &reportWindow);
    QuitAfterFirstPaint quit;
    mainWindow.installEventFilter(&quit);
    mainWindow.showMaximized();
    // As main() does: the day's backup runs beside the first paint.
    mainWindow.backups().startDailyBackup();
    return app.exec();
}
