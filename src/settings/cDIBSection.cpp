#include "cDIBSection.h"

#include "MessageSeam.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <QTime>

#include <cmath>

bool cDIBSection::Create(int width, int height) {
    ClearUp();
    if (width <= 0 || height <= 0)
        return false;
    image_ = QImage(width, height, QImage::Format_BGR888);
    if (image_.isNull())
        return false;
    image_.fill(Qt::black);
    return true;
}

void cDIBSection::CreateFromPicture(const QImage& picture) {
    if (Create(picture.width(), picture.height()))
        LoadPictureBlt(picture);
}

void cDIBSection::ClearUp() { image_ = QImage(); }

void cDIBSection::LoadPictureBlt(const QImage& source, int left, int top, int width, int height) {
    if (image_.isNull())
        return;
    const int w = width < 0 ? Width() : width;
    const int h = height < 0 ? Height() : height;
    QPainter p(&image_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), source, QRect(left, top, w, h));
}

void cDIBSection::PaintPicture(QPaintDevice* target, int left, int top, int width, int height, int srcLeft,
                               int srcTop) const {
    if (!target || image_.isNull())
        return;
    const int w = width < 0 ? Width() : width;
    const int h = height < 0 ? Height() : height;
    QPainter p(target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(left, top), image_, QRect(srcLeft, srcTop, w, h));
}

bool cDIBSection::CopyToClipboard(bool asDib) const {
    if (asDib) {
        msgBox(QStringLiteral("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"));
        return false;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || image_.isNull())
        return false;
    clipboard->setImage(image_);
    return true;
}

void cDIBSection::RandomiseBits(bool gray) {
    if (image_.isNull())
        return;
    QRandomGenerator random(quint32(QTime(0, 0).secsTo(QTime::currentTime())));
    auto next = [&random] { return uchar(std::lround(random.generateDouble() * 255)); };
    for (int y = 0; y < Height(); ++y) {
        uchar* row = image_.scanLine(y);
        for (int x = 0; x < Width(); ++x) {
            uchar* px = row + 3 * x;
            if (gray) {
                px[0] = px[1] = px[2] = next();
            } else {
                px[0] = 0;
                px[1] = next();
                px[2] = next();
            }
        }
    }
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(int newHeight, int newWidth) const {
    auto out = std::make_unique<cDIBSection>();
    if (image_.isNull() || !out->Create(newWidth, newHeight))
        return nullptr;
    if (newWidth == Width() && newHeight == Height()) {
        out->LoadPictureBlt(image_);
        return out;
    }
    const double xScale = double(Width() - 1) / newWidth;
    const double yScale = double(Height() - 1) / newHeight;
    const int lastX = Width() - 1, lastY = Height() - 1;
    for (int y = 0; y < newHeight; ++y) {
        const double sy = y * yScale;
        const int y0 = int(sy);
        const int y1 = qMin(y0 + 1, lastY); // a one-row picture has no row below
        const double fy = sy - y0;
        const uchar* top = image_.constScanLine(y0);
        const uchar* bottom = image_.constScanLine(y1);
        uchar* dst = out->image_.scanLine(y);
        for (int x = 0; x < newWidth; ++x) {
            const double sx = x * xScale;
            const int x0 = int(sx);
            const int x1 = qMin(x0 + 1, lastX);
            const double fx = sx - x0;
            for (int c = 0; c < 3; ++c) {
                const double v = (top[3 * x0 + c] * (1 - fx) + top[3 * x1 + c] * fx) * (1 - fy) +
                                 (bottom[3 * x0 + c] * (1 - fx) + bottom[3 * x1 + c] * fx) * fy;
                dst[3 * x + c] = uchar(std::lround(v));
            }
        }
    }
    return out;
}
