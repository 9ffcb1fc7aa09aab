// The compiled-in images: the falloff pictures are what the curves draw, and they show the curves.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>

#include "pf_falloff.h"
#include "pf_falloff_pictures.h"

namespace {

struct PictureCase {
    PfFalloffMode mode;
    char const* file;
};

void PrintTo(PictureCase const& c, std::ostream* os) {
    *os << c.file;
}

// Light pixels belong to the shape, dark ones to the ground.
bool IsShape(QRgb pixel) {
    return qGray(pixel) > 0x80;
}

// The height of the shape in a column, from the bottom margin up, as a weight 0..1.
double WeightShownAt(QImage const& image, int column) {
    double const top = 10.0, bottom = PF_FALLOFF_PICTURE_HEIGHT - 8.0;
    for (int y = 0; y < image.height(); ++y)
        if (IsShape(image.pixel(column, y)))
            return (bottom - y) / (bottom - top);
    return 0.0;
}

// The largest difference of one channel; anti-aliasing may round the two sides of a symmetric shape apart.
int ChannelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

class PfFalloffPicture : public ::testing::TestWithParam<PictureCase> {
protected:
    void SetUp() override { PfInitImageResources(); }
};

}  // namespace

TEST_P(PfFalloffPicture, TheCompiledInFileIsWhatTheCurveDraws) {
    PictureCase const& c = GetParam();
    EXPECT_EQ(PfFalloffPictureFileName(c.mode), c.file);
    QImage const compiled(QString(":/img/") + c.file);
    ASSERT_FALSE(compiled.isNull()) << "missing; run scripts/make-images";
    EXPECT_EQ(compiled.size(), QSize(618, 150));
    QImage const drawn = PfDrawFalloffPicture(c.mode).convertToFormat(QImage::Format_ARGB32);
    QImage const stored = compiled.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(drawn.size(), stored.size());
    // Exact on the same Qt; a few levels of anti-aliasing are allowed for another rasteriser.
    int worst = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            worst = std::max(worst, ChannelDistance(drawn.pixel(x, y), stored.pixel(x, y)));
    EXPECT_LE(worst, 8) << "resources/img is out of date; run scripts/make-images";
}

TEST_P(PfFalloffPicture, ShowsTheCurveMirroredAboutTheCentreAndNothingBeyondTheRadius) {
    PictureCase const& c = GetParam();
    QImage const image = PfDrawFalloffPicture(c.mode);
    int const half = image.width() / 2;
    for (int column = 0; column < half; ++column) {
        EXPECT_LE(ChannelDistance(image.pixel(half + column, 75), image.pixel(half - 1 - column, 75)), 3)
            << column;
    }
    // Past the radius (1 / 1.15 of the half width) only the ground and the radius mark remain.
    for (int column = half - 36; column < half; ++column)
        EXPECT_FALSE(IsShape(image.pixel(half + column, 60)));
    if (c.mode == PfFalloffMode::Random)
        return;
    bool seeded = true;
    PfFalloffCurve const curve = PfGetFalloffCurve(c.mode, &seeded);
    for (double x : {0.05, 0.3, 0.5, 0.7, 0.85}) {
        int const column = int(x / 1.15 * half);
        EXPECT_NEAR(WeightShownAt(image, half + column), curve((column + 0.5) / half * 1.15), 0.04)
            << "x " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PfFalloffPicture,
                         ::testing::Values(PictureCase{PfFalloffMode::SmoothCurve, "01-smooth-curve.png"},
                                           PictureCase{PfFalloffMode::Sphere, "02-sphere.png"},
                                           PictureCase{PfFalloffMode::InverseSquare, "03-inverse-square.png"},
                                           PictureCase{PfFalloffMode::Sharp, "04-sharp.png"},
                                           PictureCase{PfFalloffMode::Linear, "05-linear.png"},
                                           PictureCase{PfFalloffMode::Constant, "06-constant.png"},
                                           PictureCase{PfFalloffMode::Random, "07-random.png"}));

TEST(PfFalloffPictures, NoPictureForAModeWithoutACurve) {
    EXPECT_TRUE(PfDrawFalloffPicture(PfFalloffMode(7)).isNull());
    EXPECT_TRUE(PfFalloffPictureFileName(PfFalloffMode(7)).isEmpty());
}

TEST(PfFalloffPictures, TheCogIsCompiledInOpaqueInTheMiddleOfATransparentGround) {
    PfInitImageResources();
    QImage const cog = QImage(":/img/cog.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(cog.isNull());
    EXPECT_EQ(cog.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(cog.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(cog.pixel(16, 16)), 0);  // the hole
    EXPECT_EQ(qAlpha(cog.pixel(16, 8)), 255);
    EXPECT_EQ(cog, PfDrawCogIcon().convertToFormat(QImage::Format_ARGB32));
}
