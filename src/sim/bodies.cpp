#include "sim/bodies.h"

#include <cstdlib>
#include <cstring>

namespace corvane {

BodyTable gBodyTable;

namespace {
constexpr std::size_t kAlignment = 64;

void* zeroedBlock(std::size_t bytes) {
    std::size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment;
    void* block = std::aligned_alloc(kAlignment, rounded);
    if (block) std::memset(block, 0, rounded);
    return block;
}
}  // namespace

bool createBodyTable() {
    if (gBodyTable.bodies && gBodyTable.bodyMasses) return true;
    gBodyTable.bodies =
        static_cast<Body*>(zeroedBlock(MaxBodies * sizeof(Body) + kTableSlackBytes));
    gBodyTable.bodyMasses =
        static_cast<float*>(zeroedBlock(MaxBodies * sizeof(float) + kTableSlackBytes));
    return gBodyTable.bodies && gBodyTable.bodyMasses;
}

void releaseBodyTable() {
    std::free(gBodyTable.bodies);
    gBodyTable.bodies = nullptr;
    std::free(gBodyTable.bodyMasses);
    gBodyTable.bodyMasses = nullptr;
}

}  // namespace corvane
