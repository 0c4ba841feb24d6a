#pragma once
// Inside the fast force kernel: the tiles and lanes its vector paths share.
// Each vector path lives in its own source file compiled for its instruction
// set, so one binary runs on any x86-64 processor and uses what it has.
// Everything outside the kernel includes sim/force_fast.h instead.

#include "sim/bodies.h"
#include "sim/kernel_state.h"

namespace corvane {

namespace fastkernel {

// Receivers are shared out in tiles of this many free stars: whole 64-byte
// cache lines of each lane array, so threads never write to a shared line,
// and whole blocks of every vector path (24 lanes with AVX-512, 8 with AVX2).
constexpr int kTileLanes = 48;
static_assert(kTileLanes % 16 == 0, "a tile is whole cache lines of floats");

// Free-star lanes in structure-of-arrays form, indexed by free-star number
// (body index - diskEnd), 64-byte aligned and padded to whole tiles.
struct ReceiverLanes {
    float* x;
    float* y;
    float* z;
    float* vx;
    float* vy;
    float* vz;
};

// What a tile needs from the step, read only: the body table, every body's
// two coefficients widened to double once per step, and the parameters.
struct StepTerms {
    const Body* bodies;
    const double* farCoeff;
    const double* nearCoeff;
    int diskEnd;
    int bodyCount;
    bool holeEnabled;
    float holeFar;
    float holeNear;
    double softRadius;
};

// Copies the free stars of tiles [firstTile, endTile) into their lanes; the
// lanes after the last star are zero.
void fillLanes(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile, int endTile);

// Adds every force term of the free stars of tiles [firstTile, endTile) to
// their lane velocities, in the receiver-ordered sequence.
void freeStarTilesAvx512(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
                         int endTile);
void freeStarTilesAvx512Newton(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
                               int endTile);
void freeStarTilesAvx2(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
                       int endTile);

// The same on `level`'s path, which the processor must have; Avx512Newton
// only for terms whose far pairs its quotients take (the kernel checks each
// step).
void pathTiles(SimdLevel level, const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
               int endTile);

// Independent chains of the divider's probe: enough that their latency
// hides behind the throughput.
constexpr int kProbeChains = 12;

// `rounds` x kProbeChains square roots and divisions on full registers.
float probeDividerAvx512(long rounds);
float probeDividerAvx2(long rounds);

}  // namespace fastkernel
}  // namespace corvane
