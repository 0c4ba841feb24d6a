// The fast kernel's own choice of vector path: the fastest, except that a
// path earlier in the order must win clearly; a forced path is taken as far as the
// processor has it.
#include <gtest/gtest.h>

#include <vector>

#include "sim/force_fast_path.h"
#include "sim/simulation.h"

namespace corvane::fastkernel {
namespace {

constexpr SimdLevel kWide = SimdLevel::Avx512;
constexpr SimdLevel kNarrow = SimdLevel::Avx2;
constexpr SimdLevel kScalar = SimdLevel::Scalar;

TEST(FastPath, TakesTheFastestUnlessAnEarlierOneWinsOnlyByNoise) {
    struct Case {
        std::vector<PathTiming> timings;
        SimdLevel chosen;
    };
    const Case cases[] = {
        {{}, kScalar},
        {{{kNarrow, 1.0}}, kNarrow},
        {{{kWide, 1.0}, {kNarrow, 0.99}}, kWide},    // inside the margin
        {{{kNarrow, 0.99}, {kWide, 1.0}}, kWide},    // in any order
        {{{kWide, 1.0}, {kNarrow, 0.97}}, kNarrow},  // beyond it
        {{{kWide, 0.9}, {kNarrow, 1.0}}, kWide},
        {{{kScalar, 0.5}, {kWide, 1.0}, {kNarrow, 0.9}}, kScalar},
        {{{kScalar, 0.89}, {kWide, 1.0}, {kNarrow, 0.9}}, kNarrow},  // measured from the winner
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fastestPath(c.timings), c.chosen)
            << c.timings.size() << " paths, first "
            << simdLevelName(c.timings.empty() ? kScalar : c.timings[0].level);
    }
}

TEST(FastPath, AKernelTakesTheMeasuredPathUnlessOneIsForced) {
    const SimdLevel supported = supportedSimdLevel();
    const SimdLevel measured = measureFastestPath(supported);
    EXPECT_LE(static_cast<int>(measured), static_cast<int>(supported));
    EXPECT_EQ(measured == kScalar, supported == kScalar) << "a vector path is always timed";
    KernelState kernel;
    EXPECT_EQ(activeSimdLevel(kernel), fastestSimdLevel());
    for (SimdLevel forced : kEverySimdLevel) {
        kernel.simdPath = forced;
        EXPECT_EQ(activeSimdLevel(kernel),
                  static_cast<int>(forced) <= static_cast<int>(supported) ? forced : supported);
    }
}

}  // namespace
}  // namespace corvane::fastkernel
