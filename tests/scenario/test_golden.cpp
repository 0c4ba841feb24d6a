// The program's exact numbers, pinned: for a table of seeds and settings, the
// SHA-256 of the scene file that `corvane-cli new` writes and of the same
// scene after a few dozen steps, with both kernels and every vector path this
// processor has. Any change in a draw's order, a rounding or a term shows here.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <cmath>
#include <string>
#include <vector>

#include "core/random.h"
#include "scenario/scenario.h"
#include "sim/force_fast.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "sim/params.h"
#include "sim/step.h"
#include "world_fixture.h"

namespace corvane {
namespace {

constexpr int kGoldenSteps = 36;

struct GoldenCase {
    const char* name;
    std::uint32_t seed;
    int width, height;
    // Selection prefixes in scene order: free, disk, halo, hole, star mass,
    // time step, scale, mass mode, layout; "" keeps the default.
    std::array<const char*, kComboCount> selections;
    const char* made;     // SHA-256 of the scene file after Run
    const char* stepped;  // ... and after kGoldenSteps steps
};

// clang-format off
const GoldenCase kGolden[] = {
    {"defaults", 1, 800, 600, {"", "", "", "", "", "", "", "", ""},
     "8217c5b5d060c089483ff8d832f6cc7b452c36d8a9cd4af4c5d39b785e7b146f",
     "d97081fc7f895b7c077844eaaba9bf528ca26232b1b72639173aa673777c233a"},
    {"thinUniformOddView", 7, 801, 599, {"50", "80", "30", "1.0e8", "10", "100", "1000", "均等", "円盤薄"},
     "23e4c603a76123f2b9aab27ace635ee7c8f4eb09001ca2a22b68ef91015783ee",
     "d78fb409f71039eba99935f238465f38dc8f64465ec091987ccd07dea1d59636"},
    {"thickF1TallView", 12345, 333, 1001, {"100", "200", "100", "1.0e10", "1000", "1000", "10000", "ｆ／１", "円盤厚"},
     "84e5f1d8631a83a71a627e9b34622b4a61ba00c3e266cb44e01fd242c42fe3d7",
     "6d41c5722acf3cfb0478bce6c44dba8bca9e14c621f218e099c966fb6c77b8e6"},
    {"sphereHeaviestHole", 4294967295u, 64, 48, {"80", "30", "50", "1.0e17", "1", "10", "100", "オリジナル", "球"},
     "2b12d82f41bfbdafe32b14f897db125b86fc89a644b1dbd49d498c196340e2b0",
     "9bc698de249b93580dd86b9e714e17c4345d6e4479dc66c4b72e0f041f6c4dbd"},
    {"freeStarsOnly", 99, 640, 480, {"200", "0", "0", "0", "100", "10000", "100", "オリジナル", "銀河状"},
     "cb378eab6548e74791ef1c9a39e6c985c528d2b5b1e0bbe78cd11b31feba18c3",
     "f1ab27a199042f12be5edfc0bcee9157b171ca5fef03db4f6583ff00b2962d56"},
    {"galaxyManyOriginal", 2026, 1024, 768, {"300", "500", "200", "1.0e12", "1.0e5", "1.0e5", "1.0e5", "オリジナル", "銀河状"},
     "5f8a567aaac7276fa6151dbc57081c9ab56ba53938a285263a1cf817921e6953",
     "6ac811e889edb9e4307aee86f644f99eecfeb547728a55efaf69b2a85becdad4"},
};
// clang-format on

std::string sha256(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

QByteArray sceneFileBytes() {
    return composeScenario(sceneSelectionTexts(), gParams.bodyCount);
}

struct Kernel {
    ForceKernel kernel;
    SimdLevel path;
    const char* name;
};

std::vector<Kernel> kernelsOfThisMachine() {
    std::vector<Kernel> kernels{{ForceKernel::Reference, SimdLevel::Scalar, "reference"}};
    for (SimdLevel path : {SimdLevel::Scalar, SimdLevel::Avx2, SimdLevel::Avx512}) {
        if (static_cast<int>(path) > static_cast<int>(supportedSimdLevel())) break;
        kernels.push_back({ForceKernel::Fast, path, simdLevelName(path)});
    }
    return kernels;
}

class Golden : public WorldTest {
  protected:
    // `corvane-cli new` in process, then the hashes before and after stepping.
    std::pair<std::string, std::string> hashes(const GoldenCase& c, const Kernel& k) {
        resetProcessState();
        EXPECT_TRUE(createBodyTable());
        surface.resize(c.width, c.height);
        setForceKernel(k.kernel);
        limitSimdLevel(k.path);
        GalaxyRecipe recipe{c.width, c.height, c.seed, {}};
        for (int combo = 0; combo < kComboCount; ++combo)
            recipe.selections[combo] = c.selections[combo];
        EXPECT_TRUE(makeGalaxy(recipe)) << c.name;
        const std::string made = sha256(sceneFileBytes());
        for (int step = 0; step < kGoldenSteps; ++step) stepSimulation();
        return {made, sha256(sceneFileBytes())};
    }
};

TEST_F(Golden, SameSeedAndSettingsGiveTheSameFilesWithEveryKernelAndPath) {
    for (const GoldenCase& c : kGolden) {
        for (const Kernel& k : kernelsOfThisMachine()) {
            const auto [made, stepped] = hashes(c, k);
            EXPECT_EQ(made, c.made) << c.name << " made, " << k.name;
            EXPECT_EQ(stepped, c.stepped)
                << c.name << " after " << kGoldenSteps << " steps, " << k.name;
        }
    }
}

// A velocity change by the black hole's near term, v + k x, where a fused
// multiply-add (k x unrounded) gives another float than the rounded product:
// found by search, the sum nearly cancelling so the product's rounding shows.
struct ContractionCase {
    float x, v, holeNear;
    float separate, fused;
};

ContractionCase contractionCase() {
    for (int i = 1; i < 100000; ++i) {
        const float x = 1.0f + static_cast<float>(i) / 4096.0f;
        const float holeNear = 3.0f + static_cast<float>(i) / 65536.0f;
        const float squared = static_cast<float>(static_cast<double>(x) * x);
        const double k = -static_cast<double>(holeNear) * std::sqrt(static_cast<double>(squared));
        const double product = k * x;
        const float v = static_cast<float>(-product);
        const float separate = static_cast<float>(static_cast<double>(v) + product);
        const float fused = static_cast<float>(std::fma(k, static_cast<double>(x), v));
        if (separate != fused) return {x, v, holeNear, separate, fused};
    }
    return {};
}

TEST_F(Golden, ArithmeticIsNotContractedIntoFusedMultiplyAdds) {
    const ContractionCase c = contractionCase();
    ASSERT_NE(c.separate, c.fused) << "no case where a fused multiply-add changes the result";
    for (const Kernel& k : kernelsOfThisMachine()) {
        gParams.haloCount = 0;
        gParams.diskEnd = 0;
        gParams.bodyCount = 1;
        gParams.holeEnabled = 2;
        gParams.holeNear = c.holeNear;
        gParams.softRadius = 1.0e30f;  // the near term
        body(0) = Body{c.x, 0.0f, 0.0f, 0.0f, c.v, 0.0f, 0.0f, 0.0f};
        limitSimdLevel(k.path);
        if (k.kernel == ForceKernel::Reference) {
            computeForcesReference();
        } else {
            computeForcesFast();
        }
        EXPECT_EQ(body(0).vx, c.separate) << k.name;
    }
}

}  // namespace
}  // namespace corvane
