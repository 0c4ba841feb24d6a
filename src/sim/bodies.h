#pragma once
// The body table: every simulated body and its mass, in fixed storage that is
// created once and never moves, so a step, a reset or a load allocates nothing.

#include <cstddef>

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

constexpr int MaxBodies = 16000;
// Slack after the last entry of each array, bytes.
constexpr std::size_t kTableSlackBytes = 1024;

struct BodyTable {
    Body* bodies = nullptr;       // MaxBodies + 32 records, zero-filled; null when released
    float* bodyMasses = nullptr;  // MaxBodies + 256 masses in kg, zero-filled; null when released
};

extern BodyTable gBodyTable;

// Obtains both arrays zero-filled, 64-byte aligned. Does nothing when they
// exist already. Returns whether the table exists afterwards.
bool createBodyTable();
// Releases both arrays, the bodies first.
void releaseBodyTable();

inline Body& body(int i) {
    return gBodyTable.bodies[i];
}
inline float& bodyMass(int i) {
    return gBodyTable.bodyMasses[i];
}

}  // namespace corvane
