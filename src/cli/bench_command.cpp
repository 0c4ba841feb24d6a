#include "bench_command.h"

#include <time.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli_options.h"
#include "core/clock.h"
#include "core/state.h"
#include "core/surface.h"
#include "scenario/process_state.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/force_fast.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "sim/params.h"
#include "sim/step.h"

namespace corvane::cli {
namespace {

// A fixed seed, so that runs on different days time the same galaxy.
constexpr std::uint32_t kDefaultSeed = 1;
constexpr std::uint32_t kDefaultSteps = 10;
// More threads than any machine has cores only exhaust the threading runtime.
constexpr std::uint32_t kMaxThreads = 1024;

// The galaxy timed unless options say otherwise: every population full and a
// black hole, the rest at the panel's defaults.
constexpr std::pair<int, const char*> kBenchSelections[] = {
    {kComboFreeStars, "5000"},
    {kComboDisk, "5000"},
    {kComboHalo, "5000"},
    {kComboBlackHole, "1.0e10"},
};

enum class KernelChoice { Reference, Fast, Both };

struct BenchOptions {
    std::vector<std::pair<int, std::string>> selections;  // in the order given
    std::uint32_t steps = kDefaultSteps;
    std::uint32_t threads = 0;
    std::uint32_t seed = kDefaultSeed;
    ViewSize view;
    KernelChoice kernels = KernelChoice::Both;
};

KernelChoice parseKernelChoice(const std::string& text) {
    if (text == "reference") return KernelChoice::Reference;
    if (text == "fast") return KernelChoice::Fast;
    if (text == "both") return KernelChoice::Both;
    throw UsageError("--kernel expects reference, fast or both, not \"" + text + "\"");
}

BenchOptions parseBenchOptions(const std::vector<std::string>& args) {
    BenchOptions options;
    Arguments arguments("bench", args);
    while (!arguments.done()) {
        const std::string option(arguments.next());
        if (option.rfind("--", 0) != 0)
            throw UsageError("bench takes no argument \"" + option + "\"");
        const std::string value(arguments.valueOf(option));
        const int combo = selectionOptionIndex(option);
        if (combo >= 0) {
            SelectionModel check;  // wrong values and chosen entries said once, before timing
            reportChoice(applySelection(check, combo, value));
            options.selections.emplace_back(combo, value);
        } else if (option == "--steps") {
            options.steps = parseWholeNumber(option, value, 1);
        } else if (option == "--threads") {
            options.threads = parseWholeNumber(option, value, 0, kMaxThreads);
        } else if (option == "--seed") {
            options.seed = parseWholeNumber(option, value);
        } else if (option == "--view") {
            options.view = parseViewSize(value);
        } else if (option == "--kernel") {
            options.kernels = parseKernelChoice(value);
        } else {
            throw UsageError("bench has no option " + option);
        }
    }
    return options;
}

void selectBenchGalaxy(const BenchOptions& options) {
    for (const auto& [combo, text] : kBenchSelections) applySelection(panelCombos(), combo, text);
    for (const auto& [combo, text] : options.selections) applySelection(panelCombos(), combo, text);
}

// The whole process state is made afresh from the options for each kernel
// (the selections are the stand-in's), so both start from identical states;
// the bench checks that they do.
void makeGalaxy(const BenchOptions& options, MemorySurface& surface) {
    startCommand(options.view);
    surface.resize(options.view.width, options.view.height);
    setViewSurface(&surface);  // the reset detached it
    selectBenchGalaxy(options);
    setKernelThreads(static_cast<int>(options.threads));
    corvane::makeGalaxy({options.view.width, options.view.height, options.seed, {}});
    gRun.frameCount = 0;
}

struct KernelRun {
    double stepsPerSecond = 0;
    double cpuPerWall = 0;
    double ceiling = 0;            // the divider's, in interactions per second; fast only
    double threadsTakingPart = 1;  // per step, on average; fast only
    ProcessSnapshot end;
};

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// The steps run in batches of about kBatchSeconds; after each, the fast
// kernel's line probes the divider for kProbeSeconds on the threads the last
// step ran on. Ceiling and steps thus see the same load on a shared machine,
// and only the batches are timed.
constexpr double kBatchSeconds = 0.2;
constexpr double kProbeSeconds = 0.02;
constexpr int kMinProbes = 5;

KernelRun timeKernel(ForceKernel kernel, std::uint32_t steps) {
    setForceKernel(kernel);
    const bool fast = kernel == ForceKernel::Fast;
    if (fast) startKernelThreads();
    const KernelThreadCount threadsBefore = kernelThreadCount();
    double stepSeconds = 0;
    double cpuSeconds = 0;
    double ceilingSum = 0;
    int probes = 0;
    for (std::uint32_t done = 0; done < steps;) {
        const double cpuStart = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        do {
            stepSimulation();
            ++done;
        } while (done < steps && secondsSince(start) < kBatchSeconds);
        stepSeconds += secondsSince(start);
        cpuSeconds += processCpuSeconds() - cpuStart;
        if (fast) {
            ceilingSum += measureDividerCeiling(lastKernelThreads(), kProbeSeconds);
            ++probes;
        }
    }
    for (; fast && probes < kMinProbes; ++probes)
        ceilingSum += measureDividerCeiling(lastKernelThreads(), kProbeSeconds);
    KernelRun run;
    run.stepsPerSecond = stepSeconds > 0 ? steps / stepSeconds : 0.0;
    run.cpuPerWall = stepSeconds > 0 ? cpuSeconds / stepSeconds : 0.0;
    run.ceiling = probes > 0 ? ceilingSum / probes : 0.0;
    const KernelThreadCount threadsAfter = kernelThreadCount();
    if (threadsAfter.steps > threadsBefore.steps) {
        run.threadsTakingPart =
            static_cast<double>(threadsAfter.threadSteps - threadsBefore.threadSteps) /
            static_cast<double>(threadsAfter.steps - threadsBefore.steps);
    }
    run.end = ProcessSnapshot::capture();
    return run;
}

double interactionsPerStep(const SimParams& p) {
    return pairTermsPerStep(p.bodyCount - p.diskEnd, p.diskEnd);
}

void printKernelLine(const char* name, int threads, const char* simd, std::uint32_t steps,
                     const KernelRun& run, double interactions) {
    std::printf(
        "kernel=%s threads=%d simd=%s steps=%u steps_per_s=%.3f interactions_per_s=%.3e "
        "cpu_per_wall=%.3f",
        name, threads, simd, steps, run.stepsPerSecond, run.stepsPerSecond * interactions,
        run.cpuPerWall);
}

void endLine() {
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int benchCommand(const std::vector<std::string>& args) {
    const BenchOptions options = parseBenchOptions(args);
    MemorySurface surface;
    SurfaceInUse inUse(surface);
    const bool timeReference = options.kernels != KernelChoice::Fast;
    const bool timeFast = options.kernels != KernelChoice::Reference;

    KernelRun reference;
    KernelRun fast;
    ProcessSnapshot firstStart;
    if (timeReference) {
        makeGalaxy(options, surface);
        firstStart = ProcessSnapshot::capture();
        reference = timeKernel(ForceKernel::Reference, options.steps);
        printKernelLine("reference", 1, "scalar", options.steps, reference,
                        interactionsPerStep(gParams));
        endLine();
    }
    if (timeFast) {
        makeGalaxy(options, surface);
        if (timeReference && !(ProcessSnapshot::capture() == firstStart)) {
            throw std::runtime_error("the second galaxy did not start like the first");
        }
        fast = timeKernel(ForceKernel::Fast, options.steps);
        const double interactions = fast.stepsPerSecond * interactionsPerStep(gParams);
        printKernelLine("fast", lastKernelThreads(), fastKernelSimd(), options.steps, fast,
                        interactionsPerStep(gParams));
        std::printf(
            " threads_taking_part=%.2f ceiling_interactions_per_s=%.3e ceiling_fraction=%.3f",
            fast.threadsTakingPart, fast.ceiling,
            fast.ceiling > 0 ? interactions / fast.ceiling : 0.0);
        endLine();
    }
    if (timeReference && timeFast) {
        const double ratio =
            reference.stepsPerSecond > 0 ? fast.stepsPerSecond / reference.stepsPerSecond : 0.0;
        std::printf("ratio=%.2f identical=%s\n", ratio, fast.end == reference.end ? "yes" : "no");
    }
    return 0;
}

}  // namespace corvane::cli
