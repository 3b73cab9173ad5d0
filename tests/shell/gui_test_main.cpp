#include <gtest/gtest.h>

#include <QApplication>

#include "shell/application_setup.h"

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lovetest::setUpApplication(app);
    return RUN_ALL_TESTS();
}
