#pragma once
// The body table: every simulated body and its mass, in fixed storage that
// is obtained once with the simulation and never moves, so a step, a Run or
// a load allocates nothing.

#include <cstddef>

#include "core/body.h"

namespace corvane {

constexpr int MaxBodies = 16000;
// Slack after the last entry of each array, bytes.
constexpr std::size_t kTableSlackBytes = 1024;

// Owns both arrays, zero-filled and 64-byte aligned. A copy is a copy of
// every record.
struct BodyTable {
    BodyTable();
    ~BodyTable();
    BodyTable(const BodyTable& other);
    BodyTable& operator=(const BodyTable& other);

    // Whether both arrays were obtained; without memory for them both are null.
    bool exists() const { return bodies != nullptr && bodyMasses != nullptr; }

    Body* bodies = nullptr;       // MaxBodies + slack records; null when memory was short
    float* bodyMasses = nullptr;  // MaxBodies + slack masses in kg; null when memory was short
};

}  // namespace corvane
