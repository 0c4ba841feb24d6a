#include "sim/params.h"

#include <cmath>

#include "core/number_text.h"
#include "sim/simulation.h"

namespace corvane {

namespace {

// Each count list tops out at 5000; the bound keeps bodyCount within the
// table whatever supplies the texts.
constexpr int kLargestCount = 5000;

// Compares a mode text with its candidates; keeps `current` without a match.
template <size_t N>
int matchMode(const std::string& text, const std::array<std::string_view, N>& candidates,
              int current) {
    for (size_t i = 0; i < N; ++i) {
        if (text == candidates[i]) return static_cast<int>(i);
    }
    return current;
}

}  // namespace

int countFromText(const std::string& text) {
    double value = std::trunc(parseDecimal(text));
    if (!(value > 0.0)) return 0;
    return value > kLargestCount ? kLargestCount : static_cast<int>(value);
}

float realFromText(const std::string& text) {
    return static_cast<float>(parseDecimal(text));
}

SimParams paramsFromTexts(const SelectionTexts& t, const SimParams& previous) {
    SimParams p = previous;

    p.bodyCount = countFromText(t[kComboFreeStars]);
    p.diskEnd = countFromText(t[kComboDisk]);
    p.haloCount = countFromText(t[kComboHalo]);
    p.diskEnd = p.diskEnd + p.haloCount;
    p.bodyCount = p.bodyCount + p.diskEnd;

    p.starMass = realFromText(t[kComboStarMass]);
    p.scale = realFromText(t[kComboScale]);
    p.timeStep = realFromText(t[kComboTimeStep]);
    p.forceFactor =
        static_cast<float>(static_cast<double>(gravConst) * unitFactor * p.timeStep * p.scale);

    p.blackHoleMass = realFromText(t[kComboBlackHole]);
    p.holeEnabled = p.blackHoleMass == 0.0f ? 0 : 2;
    // The near-zone radius of the scale just read, the one the following reset
    // or load derives every body with: the black-hole pull then has the same
    // strength on both sides of softRadius.
    const double radius = nearZoneRadius(p.scale);
    double radiusSquared = radius * radius;
    p.holeNear = static_cast<float>(static_cast<double>(p.blackHoleMass) * p.forceFactor /
                                    radiusSquared / radiusSquared);
    p.holeFar = static_cast<float>(static_cast<double>(p.forceFactor) * p.blackHoleMass);

    p.massMode = matchMode(t[kComboMassMode], kMassModeList, p.massMode);
    p.layoutMode = matchMode(t[kComboLayout], kLayoutList, p.layoutMode);
    return p;
}

void readParams(Simulation& sim, const SelectionTexts& texts) {
    sim.paramTexts = texts;
    sim.params = paramsFromTexts(sim.paramTexts, sim.params);
}

void deriveCoefficients(Simulation& sim, int i) {
    SimParams& p = sim.params;
    Body& b = sim.body(i);
    b.farCoeff = static_cast<float>(static_cast<double>(sim.bodyMass(i)) * p.forceFactor);
    p.softRadius = nearZoneRadius(p.scale);
    double radiusSquared = static_cast<double>(p.softRadius) * p.softRadius;
    b.nearCoeff =
        static_cast<float>(-static_cast<double>(b.farCoeff) / radiusSquared / radiusSquared);
    b.nearCoeff = static_cast<float>(static_cast<double>(coreFactor) * b.nearCoeff);
}

}  // namespace corvane
