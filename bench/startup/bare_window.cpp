// The anchor: a bare Qt window showing one Chinese label, maximised, ending
// after its first paint.
#include "bench/startup/first_paint.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("朗月爱情心理测试")));
    QuitAfterFirstPaint quit;
    window.installEventFilter(&quit);
    window.showMaximized();
    return app.exec();
}
