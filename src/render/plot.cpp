#include "render/plot.h"

#include "sim/bodies.h"
#include "sim/params.h"

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

Colour displayColour(int i, Colour colour) {
    if (colour == 0) return 0;
    if (i < gParams.haloCount) return kHaloColour;
    if (i < gParams.diskEnd) return kDiskColour;
    return colour;
}

void plotBody(DrawingSurface& surface, int i, Colour colour) {
    const Body& b = body(i);
    const double scale = gParams.scale;
    const float xs = static_cast<float>(b.x / scale);
    const float ys = static_cast<float>(b.y / scale);
    const float zs = static_cast<float>(b.z / scale);
    const Colour shown = displayColour(i, colour);
    const double row = static_cast<double>(gView.centreY) + ys;
    if (gView.stereoOn == 1) {
        // A divisor of 0 (hand-edited settings) is taken as the default.
        const int divisor = gView.depthDivisor != 0 ? gView.depthDivisor : kDefaultDepthDivisor;
        const double shift = static_cast<double>(zs) / divisor;
        const double mono = static_cast<double>(gView.centreX) + xs;
        setProjectedPixel(surface, mono + shift - kStereoOffset, row, shown);
        setProjectedPixel(surface, mono - shift + kStereoOffset, row, shown);
    } else {
        setProjectedPixel(surface, static_cast<double>(gView.centreX) + xs, row, shown);
    }
}

void redrawAll(DrawingSurface& surface) {
    surface.fillBlack();
    for (int i = 0; i < gParams.bodyCount; ++i) plotBody(surface, i, gView.starColour);
}

void redrawAll() {
    redrawAll(viewSurface());
}

}  // namespace corvane
