#pragma once
// How the simulation shows the bodies it places, moves and turns. The pixel
// projection belongs to the drawing layer above (render's plotBody); the
// program, the companion and the tests hand it in once at start-up, so the
// simulation never depends on how a body becomes pixels.

#include "core/body.h"
#include "core/state.h"
#include "core/surface.h"

namespace corvane {

constexpr Colour kHaloColour = 0xA0A0A0;
constexpr Colour kDiskColour = 0xC0C0C0;

// Without a projection set, bodies are moved but drawn nowhere.
void setBodyProjection(BodyProjection projection);

// The population colour body i is shown in when `colour` is asked for: 0
// erases it (black, every population); any other colour shows a halo body
// grey 160, a disk body grey 192 and a free star in `colour`.
Colour displayColour(int i, Colour colour);

// Shows body i of the table on `surface` in displayColour(i, colour).
void showBody(DrawingSurface& surface, int i, Colour colour);

// Fills the view black and shows every body in starColour.
void redrawAll(DrawingSurface& surface);

}  // namespace corvane
