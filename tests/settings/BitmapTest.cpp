#include "ScriptedMessages.h"
#include "cDIBSection.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace {

QRgb at(const cDIBSection& d, int x, int y) { return d.image().pixel(x, y); }

TEST(Bitmap, ScanLinesAre24BitPaddedToFourBytes) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(5, 3));
    EXPECT_EQ(d.Width(), 5);
    EXPECT_EQ(d.Height(), 3);
    EXPECT_EQ(d.BytesPerScanLine(), 16);
    EXPECT_EQ(d.image().bytesPerLine(), 16);
    uchar* bits = d.DIBSectionBitsPtr();
    bits[0] = 10, bits[1] = 20, bits[2] = 30; // blue, green, red
    EXPECT_EQ(at(d, 0, 0), qRgb(30, 20, 10));
    EXPECT_FALSE(d.Create(0, 3));
    EXPECT_TRUE(d.isNull());
    EXPECT_EQ(d.DIBSectionBitsPtr(), nullptr);
}

TEST(Bitmap, ResampleIsBilinearAndSameSizeIsACopy) {
    QImage src(3, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(0, 0, 0));
    src.setPixel(1, 0, qRgb(100, 200, 40));
    src.setPixel(2, 0, qRgb(200, 0, 80));
    cDIBSection d;
    d.CreateFromPicture(src);
    ASSERT_EQ(at(d, 2, 0), qRgb(200, 0, 80));

    const auto copy = d.Resample(1, 3);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->image(), d.image());

    // x scale (3 - 1) / 4 = 0.5: destination x = 1 lies halfway between source 0 and 1.
    const auto wide = d.Resample(1, 4);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->Width(), 4);
    EXPECT_EQ(at(*wide, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(at(*wide, 1, 0), qRgb(50, 100, 20));
    EXPECT_EQ(at(*wide, 2, 0), qRgb(100, 200, 40));
    EXPECT_EQ(at(*wide, 3, 0), qRgb(150, 100, 60));
}

TEST(Bitmap, ResamplingTheLastRowAndColumnStaysInside) {
    // A one-pixel picture has no right or lower neighbour to blend with.
    cDIBSection one;
    ASSERT_TRUE(one.Create(1, 1));
    one.DIBSectionBitsPtr()[2] = 255;
    const auto big = one.Resample(4, 6);
    ASSERT_TRUE(big);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(at(*big, x, y), qRgb(255, 0, 0));
    EXPECT_FALSE(one.Resample(0, 5));
    EXPECT_FALSE(cDIBSection().Resample(2, 2));
}

TEST(Bitmap, RandomPixels) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(16, 16));
    d.RandomiseBits(true);
    bool varied = false;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb p = at(d, x, y);
            EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
            varied |= p != at(d, 0, 0);
        }
    EXPECT_TRUE(varied);
    d.RandomiseBits(false);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(qBlue(at(d, x, y)), 0);
}

TEST(Bitmap, ClipboardTakesAnImageButNotADib) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(2, 2));
    ScriptedMessages msgs;
    EXPECT_FALSE(d.CopyToClipboard(true));
    EXPECT_TRUE(msgs.sawText("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"));
    EXPECT_TRUE(d.CopyToClipboard(false));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(2, 2));
}

} // namespace
