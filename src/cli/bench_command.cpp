#include "bench_command.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli_options.h"
#include "media/frame_pacer.h"
#include "media/frame_recorder.h"
#include "media/replacing_file.h"
#include "sim/simulation.h"

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
    bool record = false;            // time the fast kernel's steps also while the view is filmed
    std::optional<SimdLevel> simd;  // the fast kernel's vector path; none: the fastest here
};

KernelChoice parseKernelChoice(const std::string& text) {
    if (text == "reference") return KernelChoice::Reference;
    if (text == "fast") return KernelChoice::Fast;
    if (text == "both") return KernelChoice::Both;
    throw UsageError("--kernel expects reference, fast or both, not \"" + text + "\"");
}

// Lets one processor time each of its paths; a path wider than the processor
// has is capped to what it has, and the line's simd= says which ran.
SimdLevel parseSimdChoice(const std::string& text) {
    for (SimdLevel level : kEverySimdLevel) {
        if (text == simdLevelName(level)) return level;
    }
    throw UsageError("--simd expects avx512-newton, avx512, avx2 or scalar, not \"" + text + "\"");
}

BenchOptions parseBenchOptions(const std::vector<std::string>& args) {
    BenchOptions options;
    Arguments arguments("bench", args);
    while (!arguments.done()) {
        const std::string option(arguments.next());
        if (option.rfind("--", 0) != 0)
            throw UsageError("bench takes no argument \"" + option + "\"");
        if (option == "--record") {
            options.record = true;
            continue;
        }
        const std::string value(arguments.valueOf(option));
        const int combo = selectionOptionIndex(option);
        if (combo >= 0) {
            SelectionModel check;  // wrong values and chosen entries said once, before timing
            sayNote(applySelection(check, combo, value));
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
        } else if (option == "--simd") {
            options.simd = parseSimdChoice(value);
        } else {
            throw UsageError("bench has no option " + option);
        }
    }
    if (options.record && options.kernels == KernelChoice::Reference)
        throw UsageError("--record times the fast kernel, which --kernel reference leaves out");
    if (options.simd && !pathWithin(*options.simd, supportedSimdLevel())) {
        sayNote(std::string("this processor has no ") + simdLevelName(*options.simd) +
                "; the fast kernel takes " + simdLevelName(supportedSimdLevel()));
    }
    return options;
}

// Each kernel times a galaxy of its own, made from the options in a new
// simulation, so both start from identical states; the bench checks that
// they do.
void makeBenchGalaxy(CommandState& state, const BenchOptions& options, ForceKernel kernel) {
    for (const auto& [combo, text] : kBenchSelections)
        applySelection(state.selections, combo, text);
    for (const auto& [combo, text] : options.selections)
        applySelection(state.selections, combo, text);
    state.simulation.kernel.kernel = kernel;
    state.simulation.kernel.requestedThreads = static_cast<int>(options.threads);
    state.simulation.kernel.simdPath = options.simd;
    makeGalaxy(state.simulation, state.view, state.selections,
               {options.view.width, options.view.height, options.seed, {}});
}

struct KernelRun {
    double stepsPerSecond = 0;
    double cpuPerWall = 0;
    double ceiling = 0;            // the divider's, in interactions per second; fast only
    double threadsTakingPart = 1;  // per step, on average; fast only
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

KernelRun timeKernel(CommandState& state, std::uint32_t steps) {
    Simulation& sim = state.simulation;
    KernelState& kernel = sim.kernel;
    const bool fast = kernel.kernel == ForceKernel::Fast;
    if (fast) startKernelThreads(kernel);
    const KernelState before = kernel;
    double stepSeconds = 0;
    double cpuSeconds = 0;
    double ceilingSum = 0;
    int probes = 0;
    for (std::uint32_t done = 0; done < steps;) {
        const double cpuStart = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        do {
            stepSimulation(sim, state.view);
            ++done;
        } while (done < steps && secondsSince(start) < kBatchSeconds);
        stepSeconds += secondsSince(start);
        cpuSeconds += processCpuSeconds() - cpuStart;
        if (fast) {
            ceilingSum += measureDividerCeiling(kernel.lastPath, kernel.lastThreads, kProbeSeconds);
            ++probes;
        }
    }
    for (; fast && probes < kMinProbes; ++probes)
        ceilingSum += measureDividerCeiling(kernel.lastPath, kernel.lastThreads, kProbeSeconds);
    KernelRun run;
    run.stepsPerSecond = stepSeconds > 0 ? steps / stepSeconds : 0.0;
    run.cpuPerWall = stepSeconds > 0 ? cpuSeconds / stepSeconds : 0.0;
    run.ceiling = probes > 0 ? ceilingSum / probes : 0.0;
    if (kernel.stepsTaken > before.stepsTaken) {
        run.threadsTakingPart =
            static_cast<double>(kernel.threadStepsTaken - before.threadStepsTaken) /
            static_cast<double>(kernel.stepsTaken - before.stepsTaken);
    }
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

// --record: rounds of the fast kernel's steps, each from the galaxy's start,
// alternately plain and filmed, so that both see the host's load alike. Of
// each kind the fastest round counts: load from elsewhere only slows a round.
constexpr int kRecordRounds = 3;

// Steps per second of one round on a new galaxy. With `video`, filmed as the
// window films its view: after a step that moved the bodies, once the next
// frame is due, the view's picture goes to a recorder writing H.264 at 30
// frames/s with the recorder's defaults, and the round ends once the last
// frame is in the file.
double timeRound(const BenchOptions& options, const std::string* video, bool sayEncoderNote) {
    CommandState state(options.view);
    makeBenchGalaxy(state, options, ForceKernel::Fast);
    Simulation& sim = state.simulation;
    startKernelThreads(sim.kernel);
    std::optional<media::FrameRecorder> recorder;
    media::FramePacer pacer(media::kWindowRecordFps);
    if (video) {
        media::RecordTargets targets;
        targets.video = *video;
        targets.fps = media::kWindowRecordFps;
        recorder.emplace(targets, state.surface.width(), state.surface.height());
        if (sayEncoderNote) sayNote(recorder->encoderNote());
    }
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t done = 0; done < options.steps; ++done) {
        // A step the skip flag took moved nothing: the window films no frame.
        if (stepSimulation(sim, state.view) && recorder &&
            pacer.due(media::FramePacer::Clock::now()))
            recorder->add(state.surface);
    }
    if (recorder) {
        if (pacer.lastStepUnfilmed()) recorder->add(state.surface);  // the last step ends the video
        recorder->finish();
    }
    const double seconds = secondsSince(start);
    return seconds > 0 ? options.steps / seconds : 0.0;
}

void printRecordingLine(const BenchOptions& options, const std::string& video) {
    double plain = 0;
    double recorded = 0;
    for (int round = 0; round < kRecordRounds; ++round) {
        plain = std::max(plain, timeRound(options, nullptr, false));
        recorded = std::max(recorded, timeRound(options, &video, round == 0));
    }
    std::printf("record_steps_per_s=%.3f plain_steps_per_s=%.3f recording_speed_fraction=%.3f",
                recorded, plain, plain > 0 ? recorded / plain : 0.0);
    endLine();
}

}  // namespace

int benchCommand(const std::vector<std::string>& args) {
    const BenchOptions options = parseBenchOptions(args);
    const bool timeReference = options.kernels != KernelChoice::Fast;
    const bool timeFast = options.kernels != KernelChoice::Reference;
    // Made before any thread starts, so that no interrupt leaves it behind.
    std::optional<media::TemporaryFolder> videoFolder;
    if (options.record) videoFolder.emplace("corvane-bench", "recording.mp4");

    // A galaxy for each kernel timed.
    std::optional<CommandState> referenceState;
    std::optional<CommandState> fastState;
    if (timeReference)
        makeBenchGalaxy(referenceState.emplace(options.view), options, ForceKernel::Reference);
    if (timeFast) makeBenchGalaxy(fastState.emplace(options.view), options, ForceKernel::Fast);
    if (referenceState && fastState &&
        !firstDifference(referenceState->simulation, fastState->simulation).empty()) {
        throw std::runtime_error("the second galaxy did not start like the first");
    }
    const double perStep =
        interactionsPerStep((fastState ? *fastState : *referenceState).simulation.params);

    KernelRun reference;
    KernelRun fast;
    if (timeReference) {
        reference = timeKernel(*referenceState, options.steps);
        printKernelLine("reference", 1, "scalar", options.steps, reference, perStep);
        endLine();
    }
    if (timeFast) {
        fast = timeKernel(*fastState, options.steps);
        const double interactions = fast.stepsPerSecond * perStep;
        const KernelState& kernel = fastState->simulation.kernel;
        printKernelLine("fast", kernel.lastThreads, simdLevelName(kernel.lastPath), options.steps,
                        fast, perStep);
        std::printf(
            " threads_taking_part=%.2f ceiling_interactions_per_s=%.3e ceiling_fraction=%.3f",
            fast.threadsTakingPart, fast.ceiling,
            fast.ceiling > 0 ? interactions / fast.ceiling : 0.0);
        endLine();
    }
    if (timeReference && timeFast) {
        const double ratio =
            reference.stepsPerSecond > 0 ? fast.stepsPerSecond / reference.stepsPerSecond : 0.0;
        const bool identical =
            firstDifference(referenceState->simulation, fastState->simulation).empty();
        std::printf("ratio=%.2f identical=%s\n", ratio, identical ? "yes" : "no");
    }
    if (videoFolder) printRecordingLine(options, videoFolder->filePath());
    return 0;
}

}  // namespace corvane::cli
