#include "cDIBSection.h"

#include <gtest/gtest.h>

namespace {

QRgb at(const cDIBSection& d, int x, int y) { return d.image().pixel(x, y); }

TEST(Bitmap, ScanLinesAre24BitPaddedToFourBytes) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(5, 3));
    EXPECT_EQ(d.BytesPerScanLine(), 16);
    uchar* bits = d.DIBSectionBitsPtr();
    bits[16] = 10, bits[17] = 20, bits[18] = 30; // blue, green, red of the second row
    EXPECT_EQ(at(d, 0, 1), qRgb(30, 20, 10));
    EXPECT_FALSE(d.Create(0, 3));
    EXPECT_EQ(d.DIBSectionBitsPtr(), nullptr);
}

TEST(Bitmap, ResampleIsBilinearAndStaysInsideTheLastRowAndColumn) {
    QImage src(3, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(0, 0, 0));
    src.setPixel(1, 0, qRgb(100, 200, 40));
    src.setPixel(2, 0, qRgb(200, 0, 80));
    cDIBSection d;
    d.CreateFromPicture(src);
    EXPECT_EQ(d.Resample(1, 3)->image(), d.image());
    // x scale (3 - 1) / 4 = 0.5: destination x = 1 lies halfway between source 0 and 1.
    const auto wide = d.Resample(1, 4);
    ASSERT_TRUE(wide);
    EXPECT_EQ(at(*wide, 1, 0), qRgb(50, 100, 20));
    EXPECT_EQ(at(*wide, 2, 0), qRgb(100, 200, 40));
    EXPECT_EQ(at(*wide, 3, 0), qRgb(150, 100, 60));

    // A one-pixel picture has no right or lower neighbour to blend with.
    cDIBSection one;
    ASSERT_TRUE(one.Create(1, 1));
    one.DIBSectionBitsPtr()[2] = 255;
    const auto big = one.Resample(4, 6);
    ASSERT_TRUE(big);
    EXPECT_EQ(at(*big, 5, 3), qRgb(255, 0, 0));
    EXPECT_FALSE(one.Resample(0, 5));
    EXPECT_FALSE(cDIBSection().Resample(2, 2));
}

} // namespace
