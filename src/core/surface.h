#pragma once
// The drawing surface the simulation draws on: one pixel per body on black.
// The window supplies one back-end; MemorySurface is the in-memory one used
// by the tests and the command-line companion.

#include <string>
#include <string_view>
#include <vector>

#include "core/view.h"

namespace corvane {

class DrawingSurface {
  public:
    virtual ~DrawingSurface() = default;
    // Sets one pixel; pixels outside the surface are dropped.
    virtual void setPixel(int x, int y, Colour colour) = 0;
    // Fills the whole view black.
    virtual void fillBlack() = 0;
    // Draws a short UTF-8 text at the top-left corner, over what is there.
    virtual void drawText(std::string_view utf8) = 0;
};

// A pixel buffer of the view size, 0x00BBGGRR per pixel, row by row.
class MemorySurface final : public DrawingSurface {
  public:
    MemorySurface(int width = 0, int height = 0) { resize(width, height); }

    void resize(int width, int height);
    void setPixel(int x, int y, Colour colour) override;
    void fillBlack() override;
    void drawText(std::string_view utf8) override;

    int width() const { return width_; }
    int height() const { return height_; }
    Colour pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const std::vector<Colour>& pixels() const { return pixels_; }
    // How many pixels are not black.
    int litPixelCount() const;
    const std::string& lastText() const { return lastText_; }
    int textCount() const { return textCount_; }
    int fillCount() const { return fillCount_; }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Colour> pixels_;
    std::string lastText_;
    int textCount_ = 0;
    int fillCount_ = 0;
};

// The surface every drawing operation on `view` uses: the view window in the
// program, a MemorySurface elsewhere. Without one set, drawing goes to a
// surface that discards everything.
DrawingSurface& viewSurface(const View& view);

}  // namespace corvane
