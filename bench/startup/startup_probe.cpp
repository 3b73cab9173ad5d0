// The program's start, as its main() does it, ending after the main window's
// first paint. Run from a folder holding date.mdb.
#include "bench/startup/first_paint.h"
#include "report/report_window.h"
#include "shell/about_window.h"
#include "shell/application_setup.h"
#include "shell/main_window.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    lovetest::TForm1 form1;
    lovetest::TForm2 form2(form1.siteAddress());
    lovetest::TForm3 form3;
    form1.setWindows(&form2, &form3);
    QuitAfterFirstPaint quit;
    form1.installEventFilter(&quit);
    form1.showMaximized();
    return app.exec();
}
