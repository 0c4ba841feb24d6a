#pragma once
// Random initial conditions: placing and weighing bodies. The whole galaxy
// (resetGalaxy) and the core of the Run command (runCommand) are in
// sim/simulation.h.

#include "core/view.h"

namespace corvane {

struct Simulation;

constexpr float kBoxFraction = 0.8f;       // candidate box, fraction of the view
constexpr double kMinSquaredDots = 2.0;    // candidates closer to the centre are rejected
constexpr int kRetryLimit = 100;           // at most 102 candidates per body
constexpr int kThickDiskSpread = 30;       // z of layout 2: -15 .. 14 dots
constexpr int kVelocityChangeSteps = 200;  // free-star velocity factor 0.9901 .. 1.01
constexpr float kMassStep = 10.0f;

// New random position and velocity for body i by its population and the
// layout, turned by the accumulated view angles. Mass and coefficients stay.
void placeBody(Simulation& sim, const View& view, int index);

// Mass of body i by the mass mode, then its coefficients.
void assignMass(Simulation& sim, int index);

}  // namespace corvane
