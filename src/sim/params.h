#pragma once
// Simulation parameters, their derived constants, and how the nine
// selection texts give them.

#include <array>
#include <string>

#include "settings/panel_data.h"
#include "settings/selections.h"

namespace corvane {

struct SimParams {
    int bodyCount = 30;           // halo + disk + free stars; 30 until the first Run
    int haloCount = 0;            // halo bodies are [0, haloCount); 0
    int diskEnd = 0;              // disk bodies are [haloCount, diskEnd); 0
    float starMass = 0.0f;        // kg; 0
    float blackHoleMass = 10.0f;  // kg; 10
    float timeStep = 10000.0f;    // seconds per step; 10000
    float scale = 100.0f;         // metres per screen dot; 100
    int massMode = 0;             // 0 original, 1 uniform, 2 f/1; 0
    int layoutMode = 0;           // 0 galaxy, 1 thin disk, 2 thick disk, 3 sphere; 0
    float forceFactor = 0.0f;     // gravConst x unitFactor x timeStep x scale; 0
    int holeEnabled = 0;          // 0 without a black hole, 2 with one; 0
    float holeFar = 0.0f;         // forceFactor x blackHoleMass; 0
    float holeNear = 0.0f;        // holeFar / softRadius^4; 0
    float softRadius = 0.0f;      // near-zone radius, metres: softRadiusDots x scale; 0
};

constexpr float gravConst = 6.673e-11f;
constexpr float unitFactor = 1.0f;
constexpr float softRadiusDots = 10.0f;
constexpr float coreFactor = 1.0f;
constexpr int mutualEnabled = 1;
constexpr float kPi = 3.14159274f;

// The parameters the nine selection texts (UTF-8, in scene order) give. A
// mode text that names no mode keeps `previous`'s mode, and softRadius stays
// `previous`'s: the next reset or load derives it.
SimParams paramsFromTexts(const SelectionTexts& texts, const SimParams& previous);

// The near-zone radius in metres at `scale`: softRadiusDots dots, as a float.
inline float nearZoneRadius(float scale) {
    return static_cast<float>(static_cast<double>(softRadiusDots) * scale);
}

struct Simulation;

// Sets farCoeff and nearCoeff of body i from its mass; refreshes softRadius.
void deriveCoefficients(Simulation& sim, int i);

// Parses a selection text with the atof rule: a count truncates toward zero,
// a real rounds to a 32-bit float.
int countFromText(const std::string& text);
float realFromText(const std::string& text);

}  // namespace corvane
