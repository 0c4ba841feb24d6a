#pragma once
// Process-wide view and run state of the program. One thread owns it: the
// main loop, the window handlers and every simulation step run on it.

#include <cstdint>

namespace corvane {

// A colour in the 0x00BBGGRR layout (red in the low byte).
using Colour = std::uint32_t;

constexpr Colour kStarColour = 0x00FFFF;  // yellow
constexpr int kDefaultDepthDivisor = 15;

struct ViewState {
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
};

struct RunState {
    int dragging = 0;          // 1 while the left button is held in the view; 0
    int skipFrame = 0;         // 1: the next step only clears this flag; 0
    int frameCount = 0;        // steps since the last title update; 0
    int frameMode = 1;         // window frame mode 0, 1 or 2; replaced at start-up; 1
    int frameModePending = 0;  // 1: frameMode changed, not yet applied; 0
    int saveRectOnExit = 1;    // 1: size changes and closing store the window rectangle; 1
};

extern ViewState gView;
extern RunState gRun;

// Sets the view geometry from a client size; the centre is the size halved,
// rounding toward zero.
void setViewGeometry(int width, int height);

// Brings gView and gRun back to their start values.
void resetCoreState();

}  // namespace corvane
