#include "render/plot.h"

namespace corvane {
namespace {

// Truncates toward zero; false when the value has no int pixel (not finite
// or far off the view), which the surface would clip anyway.
bool toPixel(double value, int& pixel) {
    if (!(value > -2147483648.0 && value < 2147483648.0)) return false;
    pixel = static_cast<int>(value);
    return true;
}

void setProjectedPixel(DrawingSurface& surface, double column, double row, Colour colour) {
    int x = 0;
    int y = 0;
    if (toPixel(column, x) && toPixel(row, y)) surface.setPixel(x, y, colour);
}

}  // namespace

void plotBody(DrawingSurface& surface, const Body& b, const View& view, double scale,
              Colour shown) {
    const float xs = static_cast<float>(b.x / scale);
    const float ys = static_cast<float>(b.y / scale);
    const float zs = static_cast<float>(b.z / scale);
    const double row = static_cast<double>(view.centreY) + ys;
    if (view.stereoOn == 1) {
        // A divisor of 0 (hand-edited settings) is taken as the default.
        const int divisor = view.depthDivisor != 0 ? view.depthDivisor : kDefaultDepthDivisor;
        const double shift = static_cast<double>(zs) / divisor;
        const double mono = static_cast<double>(view.centreX) + xs;
        setProjectedPixel(surface, mono + shift - kStereoOffset, row, shown);
        setProjectedPixel(surface, mono - shift + kStereoOffset, row, shown);
    } else {
        setProjectedPixel(surface, static_cast<double>(view.centreX) + xs, row, shown);
    }
}

}  // namespace corvane
