#pragma once
// Turning the view: every body's position and velocity turn about the
// galaxy centre, yaw first, then pitch.

namespace corvane {

constexpr double kDragRadiansPerPixel = 0.005;

// Turns body i by yaw step a (x-z plane), then pitch step b (y-z plane).
void rotateBody(int i, float yaw, float pitch);

// Turns every body by the cursor's movement since the last press or drag
// event, erasing and re-plotting each; keeps the running angle totals.
void dragRotate(int mouseX, int mouseY);

}  // namespace corvane
