// The compiled-in tool icon: one plain image that the tool action tints.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "pf_falloff_pictures.h"

TEST(PfResources, ToolIconIsAPlainSquareImageWithTransparency) {
    PfInitImageResources();
    QImage const icon(QStringLiteral(":/img/tool-icon.png"));
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.width(), icon.height());
    EXPECT_GE(icon.width(), 24);
    ASSERT_TRUE(icon.hasAlphaChannel());
    // Grey only, so a tint shows the style's colour and nothing of the image's own; some of it clear, some
    // of it solid.
    int clear = 0, solid = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            QColor const c = icon.pixelColor(x, y);
            if (c.alpha() == 0) {
                ++clear;
                continue;
            }
            EXPECT_EQ(c.hsvSaturation(), 0) << x << "," << y;
            if (c.alpha() == 255)
                ++solid;
        }
    EXPECT_GT(clear, icon.width() * icon.height() / 3);
    EXPECT_GT(solid, icon.width());
}
