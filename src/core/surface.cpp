#include "core/surface.h"

#include <algorithm>

namespace corvane {

void MemorySurface::resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(width_) * height_, 0);
}

void MemorySurface::setPixel(int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = colour;
}

void MemorySurface::fillBlack() {
    std::fill(pixels_.begin(), pixels_.end(), 0);
    ++fillCount_;
}

void MemorySurface::drawText(std::string_view utf8) {
    lastText_.assign(utf8);
    ++textCount_;
}

int MemorySurface::litPixelCount() const {
    return static_cast<int>(
        std::count_if(pixels_.begin(), pixels_.end(), [](Colour c) { return c != 0; }));
}

namespace {
class DiscardSurface final : public DrawingSurface {
  public:
    void setPixel(int, int, Colour) override {}
    void fillBlack() override {}
    void drawText(std::string_view) override {}
};
DiscardSurface discard;
}  // namespace

DrawingSurface& viewSurface(const View& view) {
    return view.surface ? *view.surface : discard;
}

}  // namespace corvane
