#pragma once
// The force terms of one step, written once for every kernel. Each term forms
// its scalar k in double and adds k x d to each velocity component, rounding
// to float per component; d is formed in double and rounded to float, r^2 is
// summed in double from the float components and rounded to float, and r is
// its square root in double, compared with softRadius unrounded.

#include <cmath>

#include "sim/bodies.h"

namespace corvane {

struct Separation {
    float dx, dy, dz;
    float squared;  // r^2
    double r;
};

inline Separation separation(const Body& source, const Body& receiver) {
    Separation s;
    s.dx = static_cast<float>(static_cast<double>(source.x) - receiver.x);
    s.dy = static_cast<float>(static_cast<double>(source.y) - receiver.y);
    s.dz = static_cast<float>(static_cast<double>(source.z) - receiver.z);
    s.squared =
        static_cast<float>(static_cast<double>(s.dx) * s.dx + static_cast<double>(s.dy) * s.dy +
                           static_cast<double>(s.dz) * s.dz);
    s.r = std::sqrt(static_cast<double>(s.squared));
    return s;
}

inline void addScaled(Body& receiver, double k, float dx, float dy, float dz) {
    receiver.vx = static_cast<float>(static_cast<double>(receiver.vx) + k * dx);
    receiver.vy = static_cast<float>(static_cast<double>(receiver.vy) + k * dy);
    receiver.vz = static_cast<float>(static_cast<double>(receiver.vz) + k * dz);
}

// Black hole at the origin: d is the body's own position, k carries the sign.
inline void addBlackHoleTerm(Body& receiver, float holeFar, float holeNear, double softRadius) {
    const float squared = static_cast<float>(static_cast<double>(receiver.x) * receiver.x +
                                             static_cast<double>(receiver.y) * receiver.y +
                                             static_cast<double>(receiver.z) * receiver.z);
    const double r = std::sqrt(static_cast<double>(squared));
    const double k = r > softRadius ? -static_cast<double>(holeFar) / (r * squared)
                                    : -static_cast<double>(holeNear) * r;
    addScaled(receiver, k, receiver.x, receiver.y, receiver.z);
}

// A halo or disk body pulls a free star; the source is not pulled back.
inline void addOneWayTerm(Body& receiver, const Body& source, double softRadius) {
    const Separation s = separation(source, receiver);
    const double k = s.r > softRadius ? static_cast<double>(source.farCoeff) / (s.r * s.squared)
                                      : (softRadius - s.r) * source.nearCoeff;
    addScaled(receiver, k, s.dx, s.dy, s.dz);
}

// The factor of a mutual pair, before either star's coefficient.
inline double mutualFactor(const Separation& s, double softRadius) {
    return s.r > softRadius ? 1.0 / (s.r * s.squared) : softRadius - s.r;
}

inline double coefficientOf(const Body& b, const Separation& s, double softRadius) {
    return s.r > softRadius ? b.farCoeff : b.nearCoeff;
}

// Two free stars, lower index first: one evaluation with d = higher - lower,
// applied to both. The higher one gets the negated k, not the negated d: the
// two differ where a component of d is zero.
inline void addMutualTerms(Body& lower, Body& higher, double softRadius) {
    const Separation s = separation(higher, lower);
    const double factor = mutualFactor(s, softRadius);
    const double kLower = factor * coefficientOf(higher, s, softRadius);
    const double kHigher = -(factor * coefficientOf(lower, s, softRadius));
    addScaled(lower, kLower, s.dx, s.dy, s.dz);
    addScaled(higher, kHigher, s.dx, s.dy, s.dz);
}

// The mutual term that free star `source` gives `receiver`, seen from the
// receiver: the same bits as addMutualTerms gives either of the two.
inline void addMutualTermFromAbove(Body& receiver, const Body& higherSource, double softRadius) {
    const Separation s = separation(higherSource, receiver);
    const double k = mutualFactor(s, softRadius) * coefficientOf(higherSource, s, softRadius);
    addScaled(receiver, k, s.dx, s.dy, s.dz);
}

inline void addMutualTermFromBelow(Body& receiver, const Body& lowerSource, double softRadius) {
    const Separation s = separation(receiver, lowerSource);
    const double k = -(mutualFactor(s, softRadius) * coefficientOf(lowerSource, s, softRadius));
    addScaled(receiver, k, s.dx, s.dy, s.dz);
}

}  // namespace corvane
