#include "sim/rotation.h"

#include <cmath>

#include "core/surface.h"
#include "sim/display.h"
#include "sim/simulation.h"

namespace corvane {
namespace {

struct Turn {
    double cosYaw, sinYaw, cosPitch, sinPitch;
};

void turnVector(const Turn& t, float& x, float& y, float& z) {
    const float x1 = static_cast<float>(x * t.cosYaw - z * t.sinYaw);
    const float z1 = static_cast<float>(x * t.sinYaw + z * t.cosYaw);
    const float y2 = static_cast<float>(y * t.cosPitch - z1 * t.sinPitch);
    const float z2 = static_cast<float>(y * t.sinPitch + z1 * t.cosPitch);
    x = x1;
    y = y2;
    z = z2;
}

// One wrap each way, not a full reduction.
float wrapAngle(float angle) {
    const double fullTurn = 2.0 * kPi;
    if (angle >= fullTurn) angle = static_cast<float>(angle - fullTurn);
    if (angle <= -fullTurn) angle = static_cast<float>(angle + fullTurn);
    return angle;
}

}  // namespace

void rotateBody(Simulation& sim, int i, float yaw, float pitch) {
    const Turn t{std::cos(static_cast<double>(yaw)), std::sin(static_cast<double>(yaw)),
                 std::cos(static_cast<double>(pitch)), std::sin(static_cast<double>(pitch))};
    Body& b = sim.body(i);
    turnVector(t, b.x, b.y, b.z);
    turnVector(t, b.vx, b.vy, b.vz);
}

void dragRotate(Simulation& sim, View& view, int mouseX, int mouseY) {
    const float dYaw = static_cast<float>((mouseX - view.lastMouseX) * kDragRadiansPerPixel);
    const float dPitch = static_cast<float>((mouseY - view.lastMouseY) * kDragRadiansPerPixel);
    view.yawAngle = wrapAngle(static_cast<float>(static_cast<double>(view.yawAngle) + dYaw));
    view.pitchAngle = wrapAngle(static_cast<float>(static_cast<double>(view.pitchAngle) + dPitch));

    DrawingSurface& surface = viewSurface(view);
    for (int i = 0; i < sim.params.bodyCount; ++i) {
        showBody(sim, view, surface, i, 0);
        rotateBody(sim, i, dYaw, dPitch);
        showBody(sim, view, surface, i, view.starColour);
    }
    view.lastMouseX = mouseX;
    view.lastMouseY = mouseY;
}

}  // namespace corvane
