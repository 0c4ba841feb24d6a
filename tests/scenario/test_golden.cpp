// The program's exact numbers, pinned: for a table of seeds and settings, the
// SHA-256 of the scene file that `corvane-cli new` writes and of the same
// scene after a few dozen steps, with both kernels and every vector path this
// processor has. Any change in a draw's order, a rounding or a term shows here.
// And two simulations in one process that never share a number.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "scenario/scenario.h"
#include "sim/force_fast.h"
#include "sim/step.h"
#include "world_fixture.h"

namespace corvane {
namespace {

constexpr int kGoldenSteps = 36;

struct GoldenCase {
    const char* name;
    std::uint32_t seed;
    int width, height;
    std::array<const char*, kComboCount> selections;  // prefixes in scene order; "" for default
    const char *made, *stepped;  // SHA-256 of the scene file after Run and kGoldenSteps steps
};

// clang-format off
const GoldenCase kGolden[] = {
    {"defaults", 1, 800, 600, {"", "", "", "", "", "", "", "", ""},
     "8217c5b5d060c089483ff8d832f6cc7b452c36d8a9cd4af4c5d39b785e7b146f", "d97081fc7f895b7c077844eaaba9bf528ca26232b1b72639173aa673777c233a"},
    {"thinUniformOddView", 7, 801, 599, {"50", "80", "30", "1.0e8", "10", "100", "1000", "均等", "円盤薄"},
     "23e4c603a76123f2b9aab27ace635ee7c8f4eb09001ca2a22b68ef91015783ee", "d78fb409f71039eba99935f238465f38dc8f64465ec091987ccd07dea1d59636"},
    {"thickF1TallView", 12345, 333, 1001, {"100", "200", "100", "1.0e10", "1000", "1000", "10000", "ｆ／１", "円盤厚"},
     "84e5f1d8631a83a71a627e9b34622b4a61ba00c3e266cb44e01fd242c42fe3d7", "6d41c5722acf3cfb0478bce6c44dba8bca9e14c621f218e099c966fb6c77b8e6"},
    {"sphereHeaviestHole", 4294967295u, 64, 48, {"80", "30", "50", "1.0e17", "1", "10", "100", "オリジナル", "球"},
     "2b12d82f41bfbdafe32b14f897db125b86fc89a644b1dbd49d498c196340e2b0", "9bc698de249b93580dd86b9e714e17c4345d6e4479dc66c4b72e0f041f6c4dbd"},
    {"freeStarsOnly", 99, 640, 480, {"200", "0", "0", "0", "100", "10000", "100", "オリジナル", "銀河状"},
     "cb378eab6548e74791ef1c9a39e6c985c528d2b5b1e0bbe78cd11b31feba18c3", "f1ab27a199042f12be5edfc0bcee9157b171ca5fef03db4f6583ff00b2962d56"},
    {"galaxyManyOriginal", 2026, 1024, 768, {"300", "500", "200", "1.0e12", "1.0e5", "1.0e5", "1.0e5", "オリジナル", "銀河状"},
     "5f8a567aaac7276fa6151dbc57081c9ab56ba53938a285263a1cf817921e6953", "6ac811e889edb9e4307aee86f644f99eecfeb547728a55efaf69b2a85becdad4"},
};
// clang-format on

std::string scenarioFileHash(const Galaxy& g) {
    const QByteArray bytes =
        composeScenario(g.sim, scenarioSelectionTexts(g.sim, g.selections), g.sim.params.bodyCount);
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

std::vector<std::pair<ForceKernel, SimdLevel>> kernelsOfThisMachine() {
    std::vector<std::pair<ForceKernel, SimdLevel>> kernels{
        {ForceKernel::Reference, SimdLevel::Scalar}};
    for (SimdLevel path : kEverySimdLevel) {
        if (pathWithin(path, supportedSimdLevel())) kernels.push_back({ForceKernel::Fast, path});
    }
    return kernels;
}

using Golden = WorldTest;

// `corvane-cli new` in process, then the scene file's hash before and after stepping.
TEST_F(Golden, SameSeedAndSettingsGiveTheSameFilesWithEveryKernelAndPath) {
    for (const GoldenCase& c : kGolden) {
        for (const auto& [kernel, path] : kernelsOfThisMachine()) {
            SCOPED_TRACE(std::string(c.name) +
                         (kernel == ForceKernel::Fast ? " fast " : " reference ") +
                         simdLevelName(path));
            Galaxy g(c.width, c.height);
            g.sim.kernel.kernel = kernel;
            g.sim.kernel.simdPath = path;
            GalaxyRecipe recipe{c.width, c.height, c.seed, {}};
            std::copy(c.selections.begin(), c.selections.end(), recipe.selections.begin());
            ASSERT_TRUE(g.make(recipe));
            EXPECT_EQ(scenarioFileHash(g), c.made);
            for (int step = 0; step < kGoldenSteps; ++step) g.step();
            EXPECT_EQ(scenarioFileHash(g), c.stepped) << "after " << kGoldenSteps << " steps";
        }
    }
}

// A velocity change by the black hole's near term, v + k x, where a fused
// multiply-add (k x unrounded) gives another float than the rounded product:
// found by search, the sum nearly cancelling so the product's rounding shows.
TEST_F(Golden, ArithmeticIsNotContractedIntoFusedMultiplyAdds) {
    float x = 0, v = 0, holeNear = 0, separate = 0, fused = 0;
    for (int i = 1; i < 100000 && separate == fused; ++i) {
        x = 1.0f + static_cast<float>(i) / 4096.0f;
        holeNear = 3.0f + static_cast<float>(i) / 65536.0f;
        const float squared = static_cast<float>(static_cast<double>(x) * x);
        const double k = -static_cast<double>(holeNear) * std::sqrt(static_cast<double>(squared));
        const double product = k * x;
        v = static_cast<float>(-product);
        separate = static_cast<float>(static_cast<double>(v) + product);
        fused = static_cast<float>(std::fma(k, static_cast<double>(x), v));
    }
    ASSERT_NE(separate, fused) << "no case where a fused multiply-add changes the result";
    for (const auto& [kernel, path] : kernelsOfThisMachine()) {
        sim.params.haloCount = 0;
        sim.params.diskEnd = 0;
        sim.params.bodyCount = 1;
        sim.params.holeEnabled = 2;
        sim.params.holeNear = holeNear;
        sim.params.softRadius = 1.0e30f;  // the near term
        sim.body(0) = Body{x, 0.0f, 0.0f, 0.0f, v, 0.0f, 0.0f, 0.0f};
        sim.kernel.simdPath = path;
        kernel == ForceKernel::Reference ? computeForcesReference(sim) : computeForcesFast(sim);
        EXPECT_EQ(sim.body(0).vx, separate) << simdLevelName(path);
    }
}

// Two galaxies made alike in one process stay alike step for step while a
// third, different one steps between them with another kernel: nothing is
// shared. All three views are small, so bodies leave them and are placed
// anew from the generator during the steps. And the comparison sees every
// part a step, a Run or a load changes, down to the table's last body and a
// sign of zero.
TEST(TwoSimulations, StepIndependentlyAndBitIdentically) {
    Galaxy alone(96, 72), interleaved(96, 72), other(64, 48);
    const GalaxyRecipe recipe{96, 72, 5, {"100", "100", "100", "1.0e17"}};
    ASSERT_TRUE(alone.make(recipe) && interleaved.make(recipe));
    ASSERT_TRUE(other.make({64, 48, 6, {"80", "30", "50", "1.0e17"}}));
    other.sim.kernel.kernel = ForceKernel::Reference;
    const std::uint64_t made = alone.sim.random.state;
    for (int step = 0; step < 20; ++step) alone.step();
    ASSERT_NE(alone.sim.random.state, made) << "no body was placed anew during the steps";
    for (int step = 0; step < 20; ++step) {
        interleaved.step();
        other.step();
    }
    EXPECT_EQ(firstDifference(alone.sim, interleaved.sim), "");
    EXPECT_NE(firstDifference(alone.sim, other.sim), "");
    EXPECT_EQ(alone.surface.pixels(), interleaved.surface.pixels());

    const std::pair<const char*, std::function<void(Simulation&)>> parts[] = {
        {"params", [](Simulation& s) { s.params.softRadius = -s.params.softRadius; }},
        {"paramTexts", [](Simulation& s) { s.paramTexts[kComboDisk] = "50"; }},
        {"body 15999", [](Simulation& s) { s.body(MaxBodies - 1).vz = -0.0f; }},
        {"mass 7", [](Simulation& s) { s.bodyMass(7) = 1.0f; }},
        {"random", [](Simulation& s) { nextRandom(s.random); }},
        {"skipFrame", [](Simulation& s) { s.skipFrame = 1; }},
        {"frameCount", [](Simulation& s) { s.frameCount = 3; }},
        // Left out: results must not depend on the kernel's controls.
        {"",
         [](Simulation& s) {
             s.kernel = {ForceKernel::Reference, 3, SimdLevel::Scalar, 2, SimdLevel::Avx2, 5, 9};
         }},
    };
    for (const auto& [difference, change] : parts) {
        Simulation changed = alone.sim;
        EXPECT_EQ(firstDifference(changed, alone.sim), "") << "a copy is the same";
        change(changed);
        EXPECT_EQ(firstDifference(changed, alone.sim), difference);
    }
}

}  // namespace
}  // namespace corvane
