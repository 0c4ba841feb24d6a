#include "sim/bodies.h"

#include <cstdlib>
#include <cstring>

namespace corvane {
namespace {
constexpr std::size_t kAlignment = 64;
constexpr std::size_t kBodyBytes = MaxBodies * sizeof(Body) + kTableSlackBytes;
constexpr std::size_t kMassBytes = MaxBodies * sizeof(float) + kTableSlackBytes;

void* zeroedBlock(std::size_t bytes) {
    std::size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment;
    void* block = std::aligned_alloc(kAlignment, rounded);
    if (block) std::memset(block, 0, rounded);
    return block;
}
}  // namespace

BodyTable::BodyTable()
    : bodies(static_cast<Body*>(zeroedBlock(kBodyBytes))),
      bodyMasses(static_cast<float*>(zeroedBlock(kMassBytes))) {}

BodyTable::~BodyTable() {
    std::free(bodies);
    std::free(bodyMasses);
}

BodyTable::BodyTable(const BodyTable& other) : BodyTable() {
    *this = other;
}

BodyTable& BodyTable::operator=(const BodyTable& other) {
    if (this == &other) return *this;
    if (bodies && other.bodies) std::memcpy(bodies, other.bodies, kBodyBytes);
    if (bodyMasses && other.bodyMasses) std::memcpy(bodyMasses, other.bodyMasses, kMassBytes);
    return *this;
}

}  // namespace corvane
