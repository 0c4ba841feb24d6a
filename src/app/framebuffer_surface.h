#pragma once
// The view's screen: an image of the window's client size that the
// simulation draws into pixel by pixel. The window only copies it out.

#include <QImage>
#include <chrono>
#include <functional>

#include "core/surface.h"

namespace corvane {

class FramebufferSurface final : public DrawingSurface {
  public:
    // A new size starts black; callers repaint every body afterwards. A size
    // whose buffer cannot be allocated leaves an empty surface that draws
    // nothing.
    void resize(int width, int height);

    void setPixel(int x, int y, Colour colour) override;
    void fillBlack() override;
    // Black text on white in the default font at the top-left, as the
    // countdown of a new galaxy shows. With a presenter, a text is drawn and
    // shown at most once a display frame: the countdown stays visible while
    // a reset keeps the event loop busy, and texts nobody could see cost
    // nothing.
    void drawText(std::string_view utf8) override;
    void setPresenter(std::function<void()> presentNow) { presentNow_ = std::move(presentNow); }

    const QImage& image() const { return image_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The pixel in the 0x00BBGGRR layout the simulation uses.
    Colour pixel(int x, int y) const;

  private:
    // Writes go straight to the image's memory: a step sets thousands of
    // pixels and must not pay for a detach check on each.
    void refreshRowPointer();

    QImage image_;
    QRgb* bits_ = nullptr;
    qsizetype stride_ = 0;  // pixels per row
    int width_ = 0;
    int height_ = 0;
    std::function<void()> presentNow_;
    std::chrono::steady_clock::time_point lastTextShown_{};
};

}  // namespace corvane
