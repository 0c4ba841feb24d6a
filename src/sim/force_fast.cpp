#include "sim/force_terms.h"
#include "sim/params.h"
#include "sim/step.h"

// Receiver-ordered force phase. Every velocity sum is a fixed sequence per
// receiver: for free star i, the mutual terms of the free stars below i in
// increasing order, then the black hole, then the halo and disk bodies in
// order, then the mutual terms of the free stars above i. Receivers are
// therefore independent of one another.

namespace corvane {
namespace {
int requestedThreads = 0;
}

void setKernelThreads(int threads) { requestedThreads = threads < 0 ? 0 : threads; }
int kernelThreads() { return requestedThreads; }
const char* fastKernelSimd() { return "scalar"; }

void computeForcesFast() {
    const SimParams& p = gParams;
    const double softRadius = p.softRadius;
    for (int q = p.diskEnd; q < p.bodyCount; ++q) {
        Body& receiver = body(q);
        if (mutualEnabled == 1) {
            for (int s = p.diskEnd; s < q; ++s) addMutualTermFrom(receiver, body(s), softRadius);
        }
        if (p.holeEnabled != 0) addBlackHoleTerm(receiver, p.holeFar, p.holeNear, softRadius);
        for (int b = 0; b < p.diskEnd; ++b) addOneWayTerm(receiver, body(b), softRadius);
        if (mutualEnabled == 1) {
            for (int s = q + 1; s < p.bodyCount; ++s) addMutualTermFrom(receiver, body(s), softRadius);
        }
    }
    if (p.holeEnabled != 0) {
        for (int d = p.haloCount; d < p.diskEnd; ++d) {
            addBlackHoleTerm(body(d), p.holeFar, p.holeNear, softRadius);
        }
    }
}

}  // namespace corvane
