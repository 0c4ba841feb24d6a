#include "sim/initial.h"

#include <cmath>
#include <cstdio>

#include "core/random.h"
#include "core/surface.h"
#include "sim/display.h"
#include "sim/rotation.h"
#include "sim/simulation.h"

namespace corvane {
namespace {

enum class Population { Halo, Disk, FreeStar };

Population populationOf(const SimParams& p, int index) {
    if (index < p.haloCount) return Population::Halo;
    if (index < p.diskEnd) return Population::Disk;
    return Population::FreeStar;
}

// A coordinate in the middle 80 % of a view extent, in dots from the centre.
float randomCoordinate(RandomState& random, int extent, int centre) {
    const double fraction = kBoxFraction;
    const int n = static_cast<int>(extent * fraction);
    const std::uint32_t k = n > 0 ? nextRandom(random) % static_cast<std::uint32_t>(n) : 0;
    return static_cast<float>(static_cast<double>(k) - centre * fraction);
}

// What placing one body reads and draws from.
struct Placement {
    RandomState& random;
    const View& view;
    int layoutMode;

    float widthCoordinate() { return randomCoordinate(random, view.viewWidth, view.centreX); }
    float heightCoordinate() { return randomCoordinate(random, view.viewHeight, view.centreY); }
};

struct Candidate {
    float x, y, z;
};

Candidate drawCandidate(Placement& at, Population population) {
    Candidate c{};
    c.x = at.widthCoordinate();
    c.y = at.heightCoordinate();
    switch (population) {
        case Population::Halo:
            c.z = at.heightCoordinate();
            break;
        case Population::Disk:
            c.z = 0.0f;
            break;
        case Population::FreeStar:
            if (at.layoutMode == 2) {
                c.z = static_cast<float>(
                    static_cast<int>(nextRandom(at.random) % kThickDiskSpread) - 15);
            } else if (at.layoutMode == 3) {
                c.z = at.widthCoordinate();
            } else {
                c.z = 0.0f;
            }
            break;
    }
    return c;
}

// Draws candidates until one is accepted or the retries run out; the layout-0
// bulge accepts any free star near the centre and gives it a thickness.
Candidate acceptedCandidate(Placement& at, Population population) {
    const double acceptanceRadius = static_cast<double>(kBoxFraction) * 0.5 * at.view.viewHeight;
    const int bulge = at.view.viewHeight / 8;
    const bool bulgeLayout = population == Population::FreeStar && at.layoutMode == 0;
    int retries = 0;
    for (;;) {
        Candidate c = drawCandidate(at, population);
        const float squared =
            static_cast<float>(static_cast<double>(c.x) * c.x + static_cast<double>(c.y) * c.y +
                               static_cast<double>(c.z) * c.z);
        const double distance = std::sqrt(static_cast<double>(squared));
        bool accepted = !(squared < kMinSquaredDots) && !(distance > acceptanceRadius);
        if (bulgeLayout && distance < bulge) {
            c.z = static_cast<float>(
                static_cast<int>(nextRandom(at.random) % static_cast<std::uint32_t>(bulge)) -
                at.view.centreY / 8);
            accepted = true;
        }
        if (accepted || retries > kRetryLimit) return c;
        ++retries;
    }
}

// Scales a free-star velocity component by (101 - k/100) / 100 for a random k.
float changedVelocity(RandomState& random, float v) {
    const double k = nextRandom(random) % kVelocityChangeSteps;
    return static_cast<float>(((1.0 - k / 100.0) + 100.0) * v / 100.0);
}

float timesTenRepeatedly(float mass, int times) {
    for (int j = 0; j < times; ++j)
        mass = static_cast<float>(static_cast<double>(mass) * kMassStep);
    return mass;
}

void drawCountdown(DrawingSurface& surface, int n) {
    char text[32];
    std::snprintf(text, sizeof text, " %d \u3000", n);
    surface.drawText(text);
}

}  // namespace

void placeBody(Simulation& sim, const View& view, int index) {
    SimParams& p = sim.params;
    const Population population = populationOf(p, index);
    Placement at{sim.random, view, p.layoutMode};
    Candidate c = acceptedCandidate(at, population);
    Body& b = sim.body(index);

    c.x = static_cast<float>(c.x + static_cast<double>(index) / p.bodyCount);
    b.x = static_cast<float>(static_cast<double>(p.scale) * c.x);
    b.y = static_cast<float>(static_cast<double>(p.scale) * c.y);
    b.z = static_cast<float>(static_cast<double>(p.scale) * c.z);
    b.vz = 0.0f;

    const float squared =
        static_cast<float>(static_cast<double>(b.x) * b.x + static_cast<double>(b.y) * b.y +
                           static_cast<double>(b.z) * b.z);
    const float r = static_cast<float>(std::sqrt(static_cast<double>(squared)));
    if (r != 0.0f) {
        const float v = static_cast<float>(
            std::sqrt(static_cast<double>(gravConst) * p.blackHoleMass * p.timeStep * p.scale / r));
        b.vx = static_cast<float>(-static_cast<double>(v) * b.y / r);
        b.vy = static_cast<float>(static_cast<double>(v) * b.x / r);
    } else {
        // Only a view below 2 x 2 pixels puts a body on the centre: no orbit,
        // no division by zero.
        b.vx = 0.0f;
        b.vy = 0.0f;
    }
    if (population == Population::FreeStar) {
        b.vx = changedVelocity(sim.random, b.vx);
        b.vy = changedVelocity(sim.random, b.vy);
    }
    if (population == Population::Halo) {
        b.vx = 0.0f;
        b.vy = 0.0f;
        b.vz = 0.0f;
    }
    rotateBody(sim, index, view.yawAngle, view.pitchAngle);
    p.softRadius = nearZoneRadius(p.scale);
}

void assignMass(Simulation& sim, int index) {
    const float starMass = sim.params.starMass;
    float& mass = sim.bodyMass(index);
    switch (sim.params.massMode) {
        case 0: {
            // 10 to 100 000 times starMass, each equally likely.
            const int k = static_cast<int>(nextRandom(sim.random) % 5);
            mass = timesTenRepeatedly(starMass, k + 1);
            break;
        }
        case 1:
            mass = starMass;
            break;
        case 2: {
            const float a = static_cast<float>(nextRandom(sim.random) % 10000);
            const int c = a > 1000 ? 1 : a > 100 ? 2 : a > 10 ? 3 : 5;
            mass = timesTenRepeatedly(starMass, c + 1);
            break;
        }
        default:
            break;  // any other mode leaves the mass as it was
    }
    deriveCoefficients(sim, index);
}

void resetGalaxy(Simulation& sim, const View& view) {
    DrawingSurface& surface = viewSurface(view);
    for (int n = sim.params.bodyCount - 1; n >= 0; --n) {
        placeBody(sim, view, n);
        assignMass(sim, n);
        drawCountdown(surface, n);
    }
    redrawAll(sim, view, surface);
}

void runCommand(Simulation& sim, const View& view, const SelectionTexts& texts) {
    readParams(sim, texts);
    resetGalaxy(sim, view);
}

}  // namespace corvane
