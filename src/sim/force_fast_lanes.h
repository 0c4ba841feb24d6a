#pragma once
// The vectorised receiver tile of the fast force kernel, written once over a
// small set of lane operations. Only the per-instruction-set sources include
// it, each after defining its lane type, and everything here has internal
// linkage: no function compiled for one instruction set can be picked by the
// linker for code that runs on a processor without it.
//
// Each lane is one receiving free star; every source is broadcast to all
// lanes. Per lane the terms follow the receiver-ordered sequence, and each
// operation is the one the scalar terms use, in the same order and at the
// same precision, so every lane gets the bits the reference gives its star.
// One shortcut is exact as well: a component of d is the float subtraction of
// the two float coordinates, because rounding the difference first to double
// and then to float cannot differ from rounding it once (53 >= 2 x 24 + 2).

#include "sim/force_fast_simd.h"

namespace corvane::fastkernel {
namespace {

// The per-step constants, widened once.
template <class L>
struct LaneConstants {
    typename L::D softRadius;
    typename L::D one;
    typename L::D negHoleFar;
    typename L::D negHoleNear;

    explicit LaneConstants(const StepTerms& terms)
        : softRadius(L::set(terms.softRadius)),
          one(L::set(1.0)),
          negHoleFar(L::set(-static_cast<double>(terms.holeFar))),
          negHoleNear(L::set(-static_cast<double>(terms.holeNear))) {}
};

template <class L>
struct LaneSeparation {
    typename L::D dx, dy, dz;
    typename L::D squared;  // r^2, rounded to float
    typename L::D r;        // set by withRoot
};

// d as doubles from its float components; r^2 summed in double, rounded to
// float. r, its square root in double, is left to withRoot: the sweep takes
// it in a later stage. Each square of a float is exact in double, so adding
// it in one fused step rounds exactly as squaring and then adding.
template <class L>
inline LaneSeparation<L> separationOf(typename L::F dxf, typename L::F dyf, typename L::F dzf) {
    LaneSeparation<L> s;
    s.dx = L::widen(dxf);
    s.dy = L::widen(dyf);
    s.dz = L::widen(dzf);
    const typename L::D sum = L::addSquare(L::addSquare(L::mul(s.dx, s.dx), s.dy), s.dz);
    s.squared = L::widen(L::narrow(sum));
    return s;
}

template <class L>
inline LaneSeparation<L> withRoot(LaneSeparation<L> s) {
    s.r = L::sqrt(s.squared);
    return s;
}

// The source broadcast to every lane.
template <class L>
struct LaneSource {
    typename L::F x, y, z;
    typename L::D farCoeff, nearCoeff;

    LaneSource(const StepTerms& t, int j)
        : x(L::broadcast(&t.bodies[j].x)),
          y(L::broadcast(&t.bodies[j].y)),
          z(L::broadcast(&t.bodies[j].z)),
          farCoeff(L::set(t.farCoeff[j])),
          nearCoeff(L::set(t.nearCoeff[j])) {}
};

// k of a halo or disk body pulling a free star. Most pairs are far apart, so
// the near branch is only formed when some lane needs it.
template <class L>
inline typename L::D oneWayFactor(const LaneSeparation<L>& s, const LaneSource<L>& src,
                                  const LaneConstants<L>& c) {
    const typename L::M far = L::greater(s.r, c.softRadius);
    const typename L::D farK = L::div(src.farCoeff, L::mul(s.r, s.squared));
    if (L::allSet(far)) return farK;
    return L::select(far, farK, L::mul(L::sub(c.softRadius, s.r), src.nearCoeff));
}

// k of one free star on another: the factor first, then the coefficient.
template <class L>
inline typename L::D mutualFactor(const LaneSeparation<L>& s, const LaneSource<L>& src,
                                  const LaneConstants<L>& c) {
    const typename L::M far = L::greater(s.r, c.softRadius);
    const typename L::D farK = L::mul(L::div(c.one, L::mul(s.r, s.squared)), src.farCoeff);
    if (L::allSet(far)) return farK;
    const typename L::D nearK = L::mul(L::sub(c.softRadius, s.r), src.nearCoeff);
    return L::select(far, farK, nearK);
}

// k of the black hole; it carries the sign, d is the receiver's position.
// Its numerator may be zero, so its quotient is always the divider's.
template <class L>
inline typename L::D holeFactor(const LaneSeparation<L>& s, const LaneConstants<L>& c) {
    const typename L::M far = L::greater(s.r, c.softRadius);
    const typename L::D farK = L::divideOnDivider(c.negHoleFar, L::mul(s.r, s.squared));
    if (L::allSet(far)) return farK;
    return L::select(far, farK, L::mul(c.negHoleNear, s.r));
}

// One register's worth of receivers: positions as floats, velocities as
// doubles that always hold a float value (each sum is rounded to float as it
// is stored back).
template <class L>
struct LaneGroup {
    typename L::F x, y, z;
    typename L::D vx, vy, vz;
};

// The receivers that share each sweep over the sources. A sweep works on a
// local copy, so that the compiler keeps every lane in a register.
template <class L, int Groups>
struct ReceiverBlock {
    static constexpr int kLanes = L::kWidth * Groups;
    LaneGroup<L> group[Groups];
};

template <class L>
inline typename L::D roundedSum(typename L::D v, typename L::D k, typename L::D d) {
    return L::widen(L::narrow(L::add(v, L::mul(k, d))));
}

// One term of one group: d, and r^2 until the factor replaces it with k. A
// sweep keeps each term in its buffers between those two steps.
template <class L>
struct LaneTerm {
    typename L::D dx, dy, dz;
    typename L::D squaredThenK;
};

template <class L>
inline void addTerm(LaneGroup<L>& g, const LaneTerm<L>& term) {
    g.vx = roundedSum<L>(g.vx, term.squaredThenK, term.dx);
    g.vy = roundedSum<L>(g.vy, term.squaredThenK, term.dy);
    g.vz = roundedSum<L>(g.vz, term.squaredThenK, term.dz);
}

// The same for the lanes in `active` only; the others keep their bits.
template <class L>
inline void addTermWhere(LaneGroup<L>& g, typename L::M active, const LaneTerm<L>& term) {
    g.vx = L::select(active, roundedSum<L>(g.vx, term.squaredThenK, term.dx), g.vx);
    g.vy = L::select(active, roundedSum<L>(g.vy, term.squaredThenK, term.dy), g.vy);
    g.vz = L::select(active, roundedSum<L>(g.vz, term.squaredThenK, term.dz), g.vz);
}

// The pair terms a free star receives. A mutual term is the one the pair
// loop gives this star: d = higher - lower always, and the star with the
// higher index gets the negated k. Negating d instead would give the same
// magnitudes but zeros of the other sign.
enum class PairKind {
    OneWay,       // a halo or disk body
    MutualBelow,  // a free star with a lower index
    MutualAbove,  // a free star with a higher index
};

// d and r^2 of a pair term.
template <class L, PairKind Kind>
inline void separationStage(LaneTerm<L>& term, const LaneGroup<L>& g, const LaneSource<L>& src) {
    const LaneSeparation<L> s =
        Kind == PairKind::MutualBelow
            ? separationOf<L>(L::difference(g.x, src.x), L::difference(g.y, src.y),
                              L::difference(g.z, src.z))
            : separationOf<L>(L::difference(src.x, g.x), L::difference(src.y, g.y),
                              L::difference(src.z, g.z));
    term = LaneTerm<L>{s.dx, s.dy, s.dz, s.squared};
}

// k of a pair term from its r^2: the square root and the division.
template <class L, PairKind Kind>
inline void factorStage(LaneTerm<L>& term, const LaneSource<L>& src, const LaneConstants<L>& c) {
    LaneSeparation<L> s;
    s.squared = term.squaredThenK;
    s = withRoot<L>(s);
    if constexpr (Kind == PairKind::OneWay) {
        term.squaredThenK = oneWayFactor<L>(s, src, c);
    } else if constexpr (Kind == PairKind::MutualBelow) {
        term.squaredThenK = L::negate(mutualFactor<L>(s, src, c));
    } else {
        term.squaredThenK = mutualFactor<L>(s, src, c);
    }
}

template <class L, PairKind Kind>
inline LaneTerm<L> pairTerm(const LaneGroup<L>& g, const LaneSource<L>& src,
                            const LaneConstants<L>& c) {
    LaneTerm<L> term;
    separationStage<L, Kind>(term, g, src);
    factorStage<L, Kind>(term, src, c);
    return term;
}

template <class L, int Groups>
ReceiverBlock<L, Groups> loadBlock(const ReceiverLanes& lanes, int first) {
    ReceiverBlock<L, Groups> block;
    for (int g = 0; g < Groups; ++g) {
        const int at = first + g * L::kWidth;
        block.group[g].x = L::load(lanes.x + at);
        block.group[g].y = L::load(lanes.y + at);
        block.group[g].z = L::load(lanes.z + at);
        block.group[g].vx = L::widen(L::load(lanes.vx + at));
        block.group[g].vy = L::widen(L::load(lanes.vy + at));
        block.group[g].vz = L::widen(L::load(lanes.vz + at));
    }
    return block;
}

template <class L, int Groups>
void storeBlock(const ReceiverBlock<L, Groups>& block, const ReceiverLanes& lanes, int first) {
    for (int g = 0; g < Groups; ++g) {
        const int at = first + g * L::kWidth;
        L::store(lanes.vx + at, L::narrow(block.group[g].vx));
        L::store(lanes.vy + at, L::narrow(block.group[g].vy));
        L::store(lanes.vz + at, L::narrow(block.group[g].vz));
    }
}

template <class L, int Groups>
inline void addHole(ReceiverBlock<L, Groups>& block, const LaneConstants<L>& c) {
    for (int g = 0; g < Groups; ++g) {
        LaneGroup<L>& lanes = block.group[g];
        const LaneSeparation<L> s = withRoot<L>(separationOf<L>(lanes.x, lanes.y, lanes.z));
        addTerm<L>(lanes, LaneTerm<L>{s.dx, s.dy, s.dz, holeFactor<L>(s, c)});
    }
}

// Adds the terms of sources [begin, end) to every lane, in source order per
// lane. The sources pass in chunks through three stages: d and r^2, then the
// square root and division, then the additions, each stage one chunk behind
// the one before. One loop runs all three on different chunks, so nothing it
// does waits for a result of the same pass: the divider always has inputs,
// and the conversions of the first and last stage run beside it. The first
// stage refills each slot right after the last stage has read it, so two
// buffers serve three stages and stay in the first-level cache. Evaluating
// and adding each source's terms in turn instead leaves the divider waiting
// on one term's chain of some 70 cycles at a time. The chunk's length is the lane type's kChunk.
template <class L, int Groups, PairKind Kind>
inline void sweep(ReceiverBlock<L, Groups>& block, const StepTerms& t, int begin, int end,
                  const LaneConstants<L>& c) {
    if (begin >= end) return;
    constexpr int kChunk = L::kChunk;
    LaneTerm<L> staged[2][kChunk][Groups];
    ReceiverBlock<L, Groups> b = block;
    const int chunks = (end - begin + kChunk - 1) / kChunk;
    const auto sourcesOf = [&](int chunk) {
        if (chunk < 0 || chunk >= chunks) return 0;
        const int left = end - (begin + chunk * kChunk);
        return left < kChunk ? left : kChunk;
    };
    for (int chunk = 0; chunk < chunks + 2; ++chunk) {
        const int firstSeparated = begin + chunk * kChunk;
        const int firstFactored = firstSeparated - kChunk;
        const int separated = sourcesOf(chunk);
        const int factored = sourcesOf(chunk - 1);
        const int added = sourcesOf(chunk - 2);
        const int addingThenSeparating = chunk % 2;
        const int factoring = 1 - addingThenSeparating;
        if (L::kStagesPerRegister && separated == kChunk && factored == kChunk && added == kChunk) {
            // The three stages register by register, so that the divider's
            // work is spread evenly through the instruction stream.
            for (int j = 0; j < kChunk; ++j) {
                const LaneSource<L> toFactor(t, firstFactored + j);
                const LaneSource<L> toSeparate(t, firstSeparated + j);
#pragma GCC unroll 4
                for (int g = 0; g < Groups; ++g) {
                    LaneTerm<L>& slot = staged[addingThenSeparating][j][g];
                    factorStage<L, Kind>(staged[factoring][j][g], toFactor, c);
                    addTerm<L>(b.group[g], slot);
                    separationStage<L, Kind>(slot, b.group[g], toSeparate);
                }
            }
            continue;
        }
        for (int j = 0; j < kChunk; ++j) {
            if (j < factored) {
                const LaneSource<L> src(t, firstFactored + j);
#pragma GCC unroll 4
                for (int g = 0; g < Groups; ++g)
                    factorStage<L, Kind>(staged[factoring][j][g], src, c);
            }
            if (j < added) {
#pragma GCC unroll 4
                for (int g = 0; g < Groups; ++g)
                    addTerm<L>(b.group[g], staged[addingThenSeparating][j][g]);
            }
            if (j < separated) {
                const LaneSource<L> src(t, firstSeparated + j);
#pragma GCC unroll 4
                for (int g = 0; g < Groups; ++g)
                    separationStage<L, Kind>(staged[addingThenSeparating][j][g], b.group[g], src);
            }
        }
    }
    block = b;
}

// Mutual terms of the block's own free stars, which start at body index
// `begin`: those below each lane's own star, or those above it.
template <class L, int Groups, PairKind Kind>
inline void sweepWithin(ReceiverBlock<L, Groups>& block, const StepTerms& t, int begin, int end,
                        const LaneConstants<L>& c) {
    for (int j = begin; j < end; ++j) {
        const LaneSource<L> src(t, j);
        for (int g = 0; g < Groups; ++g) {
            const int pivot = j - begin - g * L::kWidth;
            const typename L::M active =
                Kind == PairKind::MutualBelow ? L::lanesAbove(pivot) : L::lanesBelow(pivot);
            if (L::noneSet(active)) continue;
            addTermWhere<L>(block.group[g], active, pairTerm<L, Kind>(block.group[g], src, c));
        }
    }
}

// Every term of one block of receivers, in the receiver-ordered sequence:
// free stars below the block, those below each lane within it, the black
// hole, the halo and disk bodies, those above each lane within the block, and
// the free stars above the block.
template <class L, int Groups>
void addBlockTerms(const StepTerms& t, const ReceiverLanes& lanes, int firstLane,
                   const LaneConstants<L>& c) {
    using Block = ReceiverBlock<L, Groups>;
    constexpr PairKind below = PairKind::MutualBelow;
    constexpr PairKind above = PairKind::MutualAbove;
    Block block = loadBlock<L, Groups>(lanes, firstLane);
    const int blockBegin = t.diskEnd + firstLane;
    const int blockEnd =
        blockBegin + Block::kLanes < t.bodyCount ? blockBegin + Block::kLanes : t.bodyCount;
    sweep<L, Groups, below>(block, t, t.diskEnd, blockBegin, c);
    sweepWithin<L, Groups, below>(block, t, blockBegin, blockEnd, c);
    if (t.holeEnabled) addHole(block, c);
    sweep<L, Groups, PairKind::OneWay>(block, t, 0, t.diskEnd, c);
    sweepWithin<L, Groups, above>(block, t, blockBegin, blockEnd, c);
    sweep<L, Groups, above>(block, t, blockEnd, t.bodyCount, c);
    storeBlock(block, lanes, firstLane);
}

template <class L, int Groups>
void addTileTerms(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile, int endTile) {
    static_assert(kTileLanes % (L::kWidth * Groups) == 0, "a tile is whole blocks");
    const LaneConstants<L> c(terms);
    const int freeCount = terms.bodyCount - terms.diskEnd;
    for (int tile = firstTile; tile < endTile; ++tile) {
        for (int lane = tile * kTileLanes; lane < (tile + 1) * kTileLanes && lane < freeCount;
             lane += L::kWidth * Groups) {
            addBlockTerms<L, Groups>(terms, lanes, lane, c);
        }
    }
}

// The divider's probe: `rounds` rounds of one square root and one division
// on each of kProbeChains independent registers, the two operations every
// interaction needs. Returns a value the caller keeps, so nothing is left
// out.

template <class L>
float probeDivider(long rounds) {
    using D = typename L::D;
    const D c = L::set(1.0e6);  // x -> c / sqrt(x) stays near 1e4
    D x[kProbeChains];
    for (int i = 0; i < kProbeChains; ++i) x[i] = L::set(1.0e4 + i);
    for (long round = 0; round < rounds; ++round) {
#pragma GCC unroll 12
        for (int i = 0; i < kProbeChains; ++i) x[i] = L::div(c, L::sqrt(x[i]));
    }
    D sum = x[0];
    for (int i = 1; i < kProbeChains; ++i) sum = L::add(sum, x[i]);
    alignas(64) float out[L::kWidth];
    L::store(out, L::narrow(sum));
    return out[0];
}

}  // namespace
}  // namespace corvane::fastkernel
