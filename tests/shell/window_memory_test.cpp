// The main window's size, position and splitter kept between starts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include "shell/main_window.h"
#include "shell/window_memory.h"
#include "tests/shell/main_window_harness.h"

namespace lovetest {
namespace {

class WindowMemoryTest : public testing::MainWindowHarness {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        database = dir.filePath(QStringLiteral("date.mdb"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(SAMPLE_DATABASE), database));
        QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
        WindowMemory::forget();
    }
    void TearDown() override
    {
        MainWindowHarness::TearDown();
        WindowMemory::forget();
    }

    // A start of the program: the window, its memory, and the default size
    // unless the memory restores one.
    bool start()
    {
        form.reset();
        form = std::make_unique<MainWindow>(database);
        form->setWindows(&about, &report);
        memory = new WindowMemory(*form, *form->ui().splitter);
        const bool restored = memory->restore();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return restored;
    }
    int leftPane() const { return form->ui().splitter->sizes().constFirst(); }

    QTemporaryDir dir;
    QString database;
    WindowMemory *memory = nullptr;
};

TEST_F(WindowMemoryTest, AFirstStartLooksAsAlwaysAndStoresNothingUnchanged)
{
    EXPECT_FALSE(start());
    EXPECT_EQ(form->size(), QSize(688, 454));
    EXPECT_EQ(leftPane(), 185);
    form->close();
    EXPECT_FALSE(WindowMemory::settings().contains(QStringLiteral("mainWindow/geometry")));
    EXPECT_FALSE(start());
    EXPECT_EQ(form->size(), QSize(688, 454));
}

TEST_F(WindowMemoryTest, SizeAndSplitterChangedByTheUserComeBackAtTheNextStart)
{
    start();
    form->resize(760, 540);
    form->ui().splitter->setSizes({260, 760 - 260 - 8});
    QApplication::processEvents();
    const int left = leftPane();
    ASSERT_NE(left, 185);
    form->close();

    EXPECT_TRUE(start());
    EXPECT_EQ(form->size(), QSize(760, 540));
    EXPECT_EQ(leftPane(), left);

    // The quit command stores as well.
    form->resize(700, 500);
    QApplication::processEvents();
    QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection);
    EXPECT_TRUE(start());
    EXPECT_EQ(form->size(), QSize(700, 500));
}

TEST_F(WindowMemoryTest, AStoredSizeStaysOnTheScreenAndAboveTheMinimum)
{
    start();
    const QSize screen = form->screen()->availableGeometry().size();
    for (const QSize &size : {QSize(120, 90), screen + QSize(900, 900)}) {
        SCOPED_TRACE(size.width());
        // Stored as another session of the program might have left it.
        QWidget other;
        other.setGeometry(QRect(QPoint(40, 40), size));
        WindowMemory::settings().setValue(QStringLiteral("mainWindow/geometry"), other.saveGeometry());
        EXPECT_TRUE(start());
        EXPECT_GE(form->width(), form->minimumWidth());
        EXPECT_GE(form->height(), form->minimumHeight());
        EXPECT_LE(form->width(), screen.width());
        EXPECT_LE(form->height(), screen.height());
    }
}

TEST_F(WindowMemoryTest, GarbageStoredFallsBackToTheDefault)
{
    QSettings stored = WindowMemory::settings();
    stored.setValue(QStringLiteral("mainWindow/geometry"), QByteArray("not a geometry"));
    stored.setValue(QStringLiteral("mainWindow/splitter"), QStringLiteral("nor a splitter"));
    stored.sync();
    EXPECT_FALSE(start());
    EXPECT_EQ(form->size(), QSize(688, 454));
    EXPECT_EQ(leftPane(), 185);
}

} // namespace
} // namespace lovetest
