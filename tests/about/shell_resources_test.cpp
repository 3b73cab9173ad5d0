#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include "shell/shell_resources.h"

namespace lovetest {
namespace {

// Share of pixels that the picture covers at all.
double coverage(const QImage &image)
{
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            covered += qAlpha(image.pixel(x, y)) > 0;
    return double(covered) / (image.width() * image.height());
}

TEST(ShellResourcesTest, EveryPictureDrawsAtItsSize)
{
    initShellResources();
    struct Picture {
        QString path;
        int size;
    };
    QList<Picture> pictures;
    for (int i = 0; i < kToolbarImageCount; ++i)
        pictures.append({toolbarImagePath(i), 32});
    pictures.append({startGlyphPath(), 16});
    pictures.append({programIconPath(), 64});

    for (const Picture &picture : pictures) {
        SCOPED_TRACE(picture.path.toStdString());
        const QImage image = QIcon(picture.path).pixmap(picture.size, picture.size).toImage();
        ASSERT_EQ(image.size(), QSize(picture.size, picture.size));
        EXPECT_GT(coverage(image), 0.2);
    }
}

TEST(ShellResourcesTest, ImageListIndexesOutsideTheListGiveNoImage)
{
    EXPECT_TRUE(toolbarImagePath(-1).isEmpty());
    EXPECT_TRUE(toolbarImagePath(kToolbarImageCount).isEmpty());
    EXPECT_TRUE(toolbarImageIcon(kToolbarImageCount).isNull());
    EXPECT_FALSE(toolbarImageIcon(0).isNull());
}

} // namespace
} // namespace lovetest
