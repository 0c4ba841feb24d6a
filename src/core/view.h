#pragma once
// The view a galaxy is shown in: its geometry, how it is turned and drawn,
// and where the drawing goes. The program, the companion and each test own
// their View and hand it to the operations that draw.

#include "core/colour.h"

namespace corvane {

constexpr int kDefaultDepthDivisor = 15;

class DrawingSurface;

struct View {
    int viewWidth = 0;                        // client-area width, pixels; 0 until the view exists
    int viewHeight = 0;                       // client-area height, pixels; 0 until the view exists
    int centreX = 0;                          // viewWidth / 2, pixel column of the galaxy centre
    int centreY = 0;                          // viewHeight / 2, pixel row of the galaxy centre
    int stereoOn = 0;                         // 1: side-by-side stereo pair; starts 0
    int depthDivisor = kDefaultDepthDivisor;  // depth to stereo shift divisor; "zsize", 15
    Colour starColour = kStarColour;          // colour of free stars; 0x00FFFF
    float yawAngle = 0.0f;    // accumulated turn about the vertical axis, radians; 0
    float pitchAngle = 0.0f;  // accumulated turn about the horizontal axis, radians; 0
    int lastMouseX = 0;       // cursor column of the last press or drag event; 0
    int lastMouseY = 0;       // cursor row of the last press or drag event; 0
    int dragging = 0;         // 1 while the left button is held in the view; 0
    // Where the bodies are drawn; set by the view's owner, never owned here.
    DrawingSurface* surface = nullptr;  // the view's picture; nullptr: drawing is discarded
};

// Sets the view geometry from a client size; the centre is the size halved,
// rounding toward zero.
inline void setViewGeometry(View& view, int width, int height) {
    view.viewWidth = width;
    view.viewHeight = height;
    view.centreX = width / 2;
    view.centreY = height / 2;
}

}  // namespace corvane
