// The preview's picture for the screen: fitted exactly as a smooth scale of the whole canvas would be.
#include <gtest/gtest.h>

#include "app/previewer.h"

using namespace tavu;

namespace {
double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}
}  // namespace

TEST(ScreenImage, FitsLikeASmoothScaleOfTheWholeCanvas) {
    for (const QSize size : {QSize(1003, 601), QSize(6000, 4000), QSize(333, 2000), QSize(90, 50)}) {
        Canvas c(size.width(), size.height());
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x) {
                uint8_t* p = c.data() + size_t(y) * c.stride() + size_t(x) * 3;
                p[0] = uint8_t(x * 255 / c.width());  // red runs left to right
                p[1] = uint8_t(y * 255 / c.height());
                p[2] = uint8_t((x / 40 + y / 40) % 2 ? 200 : 20);
            }
        for (const QSize box : {QSize(700, 500), QSize(92, 92), QSize(4000, 4000)}) {
            const QImage expected = CanvasToImage(c).scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            const QImage shown = CanvasToScreenImage(c, box.width(), box.height());
            const QImage& reference = size.width() <= box.width() && size.height() <= box.height() ? CanvasToImage(c) : expected;
            ASSERT_EQ(shown.size(), reference.size()) << size.width() << "x" << size.height() << " in " << box.width();
            EXPECT_LT(MeanDifference(shown.convertToFormat(QImage::Format_RGB32), reference.convertToFormat(QImage::Format_RGB32)), 4.0)
                << size.width() << "x" << size.height() << " in " << box.width();
        }
    }
    EXPECT_TRUE(CanvasToScreenImage(Canvas(), 100, 100).isNull());
}
