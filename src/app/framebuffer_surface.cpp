#include "app/framebuffer_surface.h"

#include <QPainter>
#include <QString>
#include <algorithm>

namespace corvane {
namespace {
constexpr std::chrono::milliseconds kTextInterval{16};

// Larger buffers are refused before the toolkit is asked: rows beyond 65536
// pixels overflow its int arithmetic, and a gigabyte is beyond any screen.
constexpr int kMaxSide = 65536;
constexpr qint64 kMaxPixels = qint64{1} << 28;

bool allocatable(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           qint64{width} * height <= kMaxPixels;
}
}  // namespace

void FramebufferSurface::resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    image_ =
        allocatable(width_, height_) ? QImage(width_, height_, QImage::Format_RGB32) : QImage();
    if (image_.isNull()) {
        // No memory for that size (or none asked): nothing is drawn until a
        // size that fits.
        width_ = 0;
        height_ = 0;
    } else {
        image_.fill(Qt::black);
    }
    refreshRowPointer();
}

void FramebufferSurface::refreshRowPointer() {
    if (image_.isNull()) {
        bits_ = nullptr;
        stride_ = 0;
        return;
    }
    bits_ = reinterpret_cast<QRgb*>(image_.bits());
    stride_ = image_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
}

void FramebufferSurface::setPixel(int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    bits_[y * stride_ + x] = argbOf(colour);
}

void FramebufferSurface::fillBlack() {
    if (!image_.isNull()) image_.fill(Qt::black);
    refreshRowPointer();
}

void FramebufferSurface::drawText(std::string_view utf8) {
    if (image_.isNull()) return;
    const auto now = std::chrono::steady_clock::now();
    if (presentNow_ && now - lastTextShown_ < kTextInterval) return;
    {
        QPainter painter(&image_);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(image_.rect(), Qt::AlignLeft | Qt::AlignTop,
                         QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    }
    refreshRowPointer();
    if (presentNow_) {
        presentNow_();
        lastTextShown_ = now;
    }
}

Colour FramebufferSurface::pixel(int x, int y) const {
    return colourOfArgb(image_.pixel(x, y));
}

}  // namespace corvane
