#pragma once
// One simulated body as the simulation stores it and the view projects it.

namespace corvane {

// One body, eight 32-bit floats in this order.
struct Body {
    float x;          // position, metres, to the right on the screen
    float y;          // position, metres, downward on the screen
    float z;          // position, metres, along the depth
    float nearCoeff;  // near-zone coefficient this body exerts; negative for a positive mass
    float vx;         // velocity, metres per step
    float vy;
    float vz;
    float farCoeff;  // inverse-square coefficient this body exerts: mass x forceFactor
};
static_assert(sizeof(Body) == 32, "a body is eight floats");

}  // namespace corvane
