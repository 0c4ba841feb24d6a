#pragma once
// The core's process-wide state: the view, the run, the generator and where
// drawing goes. One thread owns it: the main loop, the window handlers and
// every simulation step run on it (the fast kernel's threads only read the
// body table during a step). The layers above keep theirs in gSelections
// (settings), gParams, gParamTexts, gBodyTable and gKernel (sim) and gFiles
// (scenario); resetProcessState() in scenario/process_state.h brings all of
// it back to the start values.

#include <cstdint>

#include "core/body.h"

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

// The program's one pseudo-random generator (core/random.h).
struct RandomState {
    std::uint64_t state = 1;  // 64-bit linear congruential state; the program starts with 1
};

class DrawingSurface;

// Draws one body with the colour it is shown in, for the given view and scale.
using BodyProjection = void (*)(DrawingSurface& surface, const Body& b, const ViewState& view,
                                double scale, Colour shown);

// Where the simulation draws, and how a body becomes pixels. Set at start-up
// by the program, the companion or a test; the simulation never owns either.
struct OutputState {
    DrawingSurface* viewSurface = nullptr;  // the view's picture; nullptr: drawing is discarded
    BodyProjection projectBody = nullptr;   // render's plotBody; nullptr: bodies are not drawn
};

extern ViewState gView;
extern RunState gRun;
extern RandomState gRandom;
extern OutputState gOutput;

// Sets the view geometry from a client size; the centre is the size halved,
// rounding toward zero.
void setViewGeometry(int width, int height);

// Brings gView, gRun, gRandom and gOutput back to their start values.
void resetCoreState();

}  // namespace corvane
