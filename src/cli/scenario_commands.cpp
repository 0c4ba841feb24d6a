#include "scenario_commands.h"

#include <climits>
#include <optional>
#include <string_view>

#include "cli_options.h"
#include "media/frame_recorder.h"
#include "media/surface_image.h"
#include "media/video_encoder.h"
#include "progress.h"
#include "scenario/scenario.h"
#include "sim/simulation.h"

namespace corvane::cli {
namespace {

using media::FrameRecorder;
using media::kMaxCrf;
using media::kMaxFps;
using media::kMaxRecordPixels;
using media::kMaxRecordSide;
using media::kMaxZoom;
using media::kX264Presets;
using media::RecordTargets;
using media::viewPicture;
using media::writePng;

void loadInput(CommandState& state, const std::string& path) {
    ScenarioResult result = loadScenario(state.simulation, state.view, state.selections, path);
    if (!result.ok()) {
        throw IoError("cannot read " + path + ": " + result.errorString.toStdString());
    }
}

void saveOutput(const CommandState& state, const std::string& path) {
    ScenarioResult result = saveScenario(state.simulation, state.selections, path);
    if (!result.ok()) {
        throw IoError("cannot write " + path + ": " + result.errorString.toStdString());
    }
}

}  // namespace

int newScenarioCommand(const std::vector<std::string>& args) {
    Arguments arguments("new", args);
    std::string output;
    std::uint32_t seed = currentTimeSeed();
    ViewSize view;
    SelectionModel selections;
    while (!arguments.done()) {
        std::string_view a = arguments.next();
        int combo = selectionOptionIndex(a);
        if (a == "-o") {
            output = arguments.outputOf(a);
        } else if (a == "--seed") {
            seed = parseWholeNumber(a, arguments.valueOf(a));
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else if (combo >= 0) {
            sayNote(applySelection(selections, combo, arguments.valueOf(a)));
        } else {
            throw UsageError("unknown argument " + std::string(a) + " for new");
        }
    }
    arguments.require(!output.empty(), "-o OUT.cvn");

    CommandState state(view);
    state.selections = selections;
    makeGalaxy(state.simulation, state.view, state.selections, {view.width, view.height, seed, {}});
    saveOutput(state, output);
    return 0;
}

int runScenarioCommand(const std::vector<std::string>& args) {
    Arguments arguments("run", args);
    std::string input;
    std::string output;
    std::optional<std::uint32_t> steps;
    std::uint32_t seed = currentTimeSeed();
    ViewSize view;
    bool quiet = false;
    while (!arguments.done()) {
        std::string_view a = arguments.next();
        if (a == "-o") {
            output = arguments.outputOf(a);
        } else if (a == "--steps") {
            steps = parseWholeNumber(a, arguments.valueOf(a));
        } else if (a == "--seed") {
            seed = parseWholeNumber(a, arguments.valueOf(a));
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else if (a == "-q" || a == "--quiet") {
            quiet = true;
        } else {
            arguments.takeInput(a, input);
        }
    }
    arguments.require(!input.empty(), "an input scene IN.cvn");
    arguments.require(!output.empty(), "-o OUT.cvn");
    arguments.require(steps.has_value(), "--steps N");

    CommandState state(view);
    loadInput(state, input);
    seedRandom(state.simulation.random, seed);
    Progress progress("run", *steps, quiet);
    for (std::uint32_t done = 0; done < *steps; ++done) {
        stepSimulation(state.simulation, state.view);
        progress.update(done + 1);
    }
    saveOutput(state, output);
    progress.update(*steps, 0, true);
    return 0;
}

int renderScenarioCommand(const std::vector<std::string>& args) {
    Arguments arguments("render", args);
    std::string input;
    std::string output;
    ViewSize view;
    bool stereo = false;
    std::optional<std::uint32_t> depth;
    while (!arguments.done()) {
        std::string_view a = arguments.next();
        if (a == "-o") {
            output = arguments.outputOf(a);
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else if (a == "--stereo") {
            stereo = true;
        } else if (a == "--depth") {
            depth = parseWholeNumber(a, arguments.valueOf(a), 1, INT_MAX);
        } else {
            arguments.takeInput(a, input);
        }
    }
    arguments.require(!input.empty(), "an input scene IN.cvn");
    arguments.require(!output.empty(), "-o OUT.png");

    CommandState state(view);
    if (stereo) state.view.stereoOn = 1;
    if (depth) state.view.depthDivisor = static_cast<int>(*depth);
    loadInput(state, input);
    writePng(viewPicture(state.simulation, state.view), output);
    return 0;
}

namespace {

std::string parsePreset(std::string_view text) {
    for (std::string_view preset : kX264Presets) {
        if (preset == text) return std::string(text);
    }
    std::string names;
    for (std::string_view preset : kX264Presets) (names += names.empty() ? "" : ", ") += preset;
    throw UsageError("--preset expects one of " + names + ", not \"" + std::string(text) + "\"");
}

void checkRecordSize(const ViewSize& view, int zoom) {
    std::int64_t width = std::int64_t{view.width} * zoom;
    std::int64_t height = std::int64_t{view.height} * zoom;
    if (width > kMaxRecordSide || height > kMaxRecordSide || width * height > kMaxRecordPixels) {
        throw UsageError("--zoom " + std::to_string(zoom) + " makes a " + std::to_string(width) +
                         "x" + std::to_string(height) + " picture; at most " +
                         std::to_string(kMaxRecordSide) + " pixels a side and " +
                         std::to_string(kMaxRecordPixels) + " in all");
    }
}

// Below this many pair terms a step takes well under a millisecond, and a
// second kernel thread would only spin between steps on the core the encoder
// needs. Any thread count gives the same numbers.
constexpr double kSmallGalaxyPairTerms = 2e6;

void leaveACoreToTheEncoder(Simulation& sim) {
    const SimParams& p = sim.params;
    if (pairTermsPerStep(p.bodyCount - p.diskEnd, p.diskEnd) < kSmallGalaxyPairTerms) {
        sim.kernel.requestedThreads = 1;
    }
}

}  // namespace

int recordScenarioCommand(const std::vector<std::string>& args) {
    Arguments arguments("record", args);
    std::string input;
    RecordTargets targets;
    std::optional<std::uint32_t> steps;
    std::uint32_t every = 1;
    std::uint32_t seed = currentTimeSeed();
    ViewSize view;
    bool stereo = false;
    std::optional<int> depth;
    bool quiet = false;
    while (!arguments.done()) {
        std::string_view a = arguments.next();
        if (a == "-o") {
            targets.video = arguments.outputOf(a);
        } else if (a == "--frames") {
            targets.framesFolder = arguments.valueOf(a);
        } else if (a == "--steps") {
            steps = parseWholeNumber(a, arguments.valueOf(a));
        } else if (a == "--every") {
            every = parseWholeNumber(a, arguments.valueOf(a), 1, UINT32_MAX);
        } else if (a == "--fps") {
            targets.fps = static_cast<int>(parseWholeNumber(a, arguments.valueOf(a), 1, kMaxFps));
        } else if (a == "--zoom") {
            targets.zoom = static_cast<int>(parseWholeNumber(a, arguments.valueOf(a), 1, kMaxZoom));
        } else if (a == "--crf") {
            targets.crf = static_cast<int>(parseWholeNumber(a, arguments.valueOf(a), 0, kMaxCrf));
        } else if (a == "--preset") {
            targets.preset = parsePreset(arguments.valueOf(a));
        } else if (a == "--seed") {
            seed = parseWholeNumber(a, arguments.valueOf(a));
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else if (a == "--stereo") {
            stereo = true;
        } else if (a == "--depth") {
            depth = static_cast<int>(parseWholeNumber(a, arguments.valueOf(a), 1, INT_MAX));
        } else if (a == "-q" || a == "--quiet") {
            quiet = true;
        } else {
            arguments.takeInput(a, input);
        }
    }
    arguments.require(!input.empty(), "an input scene IN.cvn");
    arguments.require(!targets.video.empty() || !targets.framesFolder.empty(),
                      "-o OUT.mp4 or --frames DIR");
    arguments.require(steps.has_value(), "--steps N");
    if (*steps / every == 0)
        throw UsageError("record makes no frame: --steps is less than --every");
    checkRecordSize(view, targets.zoom);

    CommandState state(view);
    if (stereo) state.view.stereoOn = 1;
    if (depth) state.view.depthDivisor = *depth;
    loadInput(state, input);
    seedRandom(state.simulation.random, seed);
    leaveACoreToTheEncoder(state.simulation);
    FrameRecorder recorder(targets, view.width, view.height);
    sayNote(recorder.encoderNote());
    Progress progress("record", *steps, quiet, Progress::Frames::Shown);
    for (std::uint32_t done = 0; done < *steps; ++done) {
        stepSimulation(state.simulation, state.view);
        if ((done + 1) % every == 0) recorder.add(state.surface);
        progress.update(done + 1, recorder.framesWritten());
    }
    recorder.finish();
    progress.update(*steps, recorder.framesWritten(), true);
    return 0;
}

}  // namespace corvane::cli
