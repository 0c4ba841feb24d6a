#pragma once
// Turning the view: every body's position and velocity turn about the
// galaxy centre, yaw first, then pitch. dragRotate is in sim/simulation.h.

namespace corvane {

constexpr double kDragRadiansPerPixel = 0.005;

struct Simulation;

// Turns body i by yaw step a (x-z plane), then pitch step b (y-z plane).
void rotateBody(Simulation& sim, int i, float yaw, float pitch);

}  // namespace corvane
