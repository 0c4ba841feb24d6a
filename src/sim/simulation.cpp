#include "sim/simulation.h"

#include <cstring>

namespace corvane {
namespace {

template <typename T>
bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// The index of the first of `count` records whose bits differ, or -1.
template <typename T>
int firstDifferentRecord(const T* a, const T* b, int count) {
    if (!a || !b) return a == b ? -1 : 0;
    for (int i = 0; i < count; ++i) {
        if (!sameBits(a[i], b[i])) return i;
    }
    return -1;
}

}  // namespace

std::string firstDifference(const Simulation& a, const Simulation& b) {
    if (!sameBits(a.params, b.params)) return "params";
    if (a.paramTexts != b.paramTexts) return "paramTexts";
    const int body = firstDifferentRecord(a.table.bodies, b.table.bodies, MaxBodies);
    if (body >= 0) return "body " + std::to_string(body);
    const int mass = firstDifferentRecord(a.table.bodyMasses, b.table.bodyMasses, MaxBodies);
    if (mass >= 0) return "mass " + std::to_string(mass);
    if (a.random.state != b.random.state) return "random";
    if (a.skipFrame != b.skipFrame) return "skipFrame";
    if (a.frameCount != b.frameCount) return "frameCount";
    return "";
}

}  // namespace corvane
