#pragma once
// A clean process for each step test: start values everywhere, a body table,
// a view drawn into memory, and the fast kernel at its widest vector path.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/force_fast.h"
#include "sim/params.h"
#include "world_fixture.h"

namespace corvane {

class SimTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        limitSimdLevel(SimdLevel::Avx512);
    }
    void TearDown() override {
        limitSimdLevel(SimdLevel::Avx512);
        WorldTest::TearDown();
    }
    // Populations [0, halo), [halo, halo + disk), then the free stars.
    static void usePopulations(int halo, int disk, int free) {
        gParams.haloCount = halo;
        gParams.diskEnd = halo + disk;
        gParams.bodyCount = halo + disk + free;
    }
    // A scale of 100 m per dot and the coefficients of a speed of 1.0e5 s:
    // softRadius 1000 m, and a body of 1.0e5 kg gets farCoeff 66.73.
    static void useUnits() {
        gParams.scale = 100.0f;
        gParams.forceFactor = 6.673e-4f;
        gParams.softRadius = 1000.0f;
    }
    // The black hole of 1.0e10 kg in those units.
    static void useBlackHole() {
        gParams.holeEnabled = 2;
        gParams.holeFar = 6.673e6f;
        gParams.holeNear = 6.673e-6f;
    }
    static void placeAt(int i, float x, float y, float z, float mass) {
        Body& b = body(i);
        b.x = x;
        b.y = y;
        b.z = z;
        bodyMass(i) = mass;
        deriveCoefficients(i);
    }
};

inline std::vector<Body> bodiesNow() {
    return std::vector<Body>(gBodyTable.bodies, gBodyTable.bodies + gParams.bodyCount);
}

inline void restoreBodies(const std::vector<Body>& bodies) {
    if (bodies.empty()) return;
    std::memcpy(gBodyTable.bodies, bodies.data(), bodies.size() * sizeof(Body));
}

// Bit-for-bit equality of two body tables; names the first body that differs.
inline ::testing::AssertionResult sameBits(const std::vector<Body>& a, const std::vector<Body>& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(Body)) != 0) {
            return ::testing::AssertionFailure()
                   << "body " << i << " differs: vx " << a[i].vx << " vs " << b[i].vx << ", vy "
                   << a[i].vy << " vs " << b[i].vy << ", vz " << a[i].vz << " vs " << b[i].vz
                   << ", x " << a[i].x << " vs " << b[i].x;
        }
    }
    return ::testing::AssertionSuccess();
}

// The same, except that any NaN equals any NaN: which NaN a sum of two NaNs
// gives depends on the order the compiler puts its operands in.
inline ::testing::AssertionResult sameBitsOrBothNaN(const std::vector<Body>& a,
                                                    const std::vector<Body>& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    for (size_t i = 0; i < a.size(); ++i) {
        const float* fa = &a[i].x;
        const float* fb = &b[i].x;
        for (int f = 0; f < 8; ++f) {
            const bool bothNaN = fa[f] != fa[f] && fb[f] != fb[f];
            if (!bothNaN && std::memcmp(&fa[f], &fb[f], sizeof(float)) != 0) {
                return ::testing::AssertionFailure()
                       << "body " << i << " field " << f << ": " << fa[f] << " vs " << fb[f];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace corvane
