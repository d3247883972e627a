#pragma once

#include <QImage>

#include <memory>

class QPaintDevice;

// A 24-bit picture held in memory: 3 bytes a pixel in the order blue, green,
// red, each scan line padded to a multiple of 4 bytes. Rows run from the top.
class cDIBSection {
public:
    bool Create(int width, int height); // releases any previous picture; false when it cannot be made
    void CreateFromPicture(const QImage& picture);
    void ClearUp();

    bool isNull() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    int BytesPerScanLine() const { return (Width() * 3 + 3) & ~3; }
    uchar* DIBSectionBitsPtr() { return image_.isNull() ? nullptr : image_.bits(); }
    const QImage& image() const { return image_; }

    // Copies from `source` at (left, top) into this picture at (0, 0); a
    // negative width or height means this picture's own.
    void LoadPictureBlt(const QImage& source, int left = 0, int top = 0, int width = -1, int height = -1);
    // Copies this picture, from (srcLeft, srcTop), onto `target` at (left, top).
    void PaintPicture(QPaintDevice* target, int left = 0, int top = 0, int width = -1, int height = -1,
                      int srcLeft = 0, int srcTop = 0) const;

    // Puts the picture on the clipboard as an image; asDib is refused with a message.
    bool CopyToClipboard(bool asDib = false) const;

    // Random pixels: one grey value per pixel, or random green and red with no blue.
    void RandomiseBits(bool gray);

    // A new picture of the given size (height first), resampled bilinearly;
    // null when it cannot be made.
    std::unique_ptr<cDIBSection> Resample(int newHeight, int newWidth) const;

private:
    QImage image_;
};
