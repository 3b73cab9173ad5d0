#include <QCoreApplication>

#include <gtest/gtest.h>

// The SQL driver plugin and the code page converters are looked up through
// the application object.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
