#pragma once
// The body table: every simulated body and its mass, in fixed storage that is
// created once and never moves, so a step, a reset or a load allocates nothing.

#include <cstddef>

#include "core/body.h"

namespace corvane {

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
