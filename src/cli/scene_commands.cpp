#include "scene_commands.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string_view>

#include "cli_options.h"
#include "core/random.h"
#include "core/state.h"
#include "core/surface.h"
#include "media/frame_recorder.h"
#include "media/surface_image.h"
#include "progress.h"
#include "scenario/scenario.h"
#include "sim/display.h"
#include "sim/force_fast.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "sim/params.h"
#include "sim/step.h"

namespace corvane::cli {
namespace {

using media::FrameRecorder;
using media::kMaxFps;
using media::kMaxRecordPixels;
using media::kMaxRecordSide;
using media::kMaxZoom;
using media::RecordTargets;
using media::viewPicture;
using media::writePng;

class SelectionsInUse {
  public:
    explicit SelectionsInUse(PanelSelections& selections) { setPanelCombos(&selections); }
    ~SelectionsInUse() { setPanelCombos(nullptr); }
    SelectionsInUse(const SelectionsInUse&) = delete;
    SelectionsInUse& operator=(const SelectionsInUse&) = delete;
};

void loadInput(const std::string& path) {
    gFiles.scenarioPath = path;
    ScenarioResult result = loadScenario();
    if (!result.ok()) {
        throw IoError("cannot read " + path + ": " + result.errorString.toStdString());
    }
}

void saveOutput(const std::string& path) {
    gFiles.scenarioPath = path;
    ScenarioResult result = saveScenario();
    if (!result.ok()) {
        throw IoError("cannot write " + path + ": " + result.errorString.toStdString());
    }
}

// Reports the step count once a second after the first second, on one line
// where standard error is a terminal.
class Progress {
  public:
    explicit Progress(std::uint32_t total) : total_(total) {}
    ~Progress() {
        if (shown_ && terminal_) std::fputc('\n', stderr);
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::uint32_t done) {
        auto now = Clock::now();
        if (now - lastShown_ < std::chrono::seconds(1)) return;
        lastShown_ = now;
        shown_ = true;
        std::fprintf(stderr, "%scorvane-cli run: step %u of %u%s", terminal_ ? "\r" : "", done,
                     total_, terminal_ ? "" : "\n");
        std::fflush(stderr);
    }

  private:
    using Clock = std::chrono::steady_clock;
    std::uint32_t total_;
    Clock::time_point lastShown_ = Clock::now();
    bool terminal_ = isatty(STDERR_FILENO) == 1;
    bool shown_ = false;
};

}  // namespace

int newSceneCommand(const std::vector<std::string>& args) {
    Arguments arguments("new", args);
    std::string output;
    std::uint32_t seed = currentTimeSeed();
    ViewSize view;
    SelectionModel selections;
    while (!arguments.done()) {
        std::string_view a = arguments.next();
        int combo = selectionOptionIndex(a);
        if (a == "-o") {
            output = arguments.valueOf(a);
        } else if (a == "--seed") {
            seed = parseUnsigned(a, arguments.valueOf(a));
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else if (combo >= 0) {
            applySelection(selections, combo, arguments.valueOf(a));
        } else {
            throw UsageError("unknown argument " + std::string(a) + " for new");
        }
    }
    arguments.require(!output.empty(), "-o OUT.cvn");

    startCommand(view);
    SelectionsInUse inUse(selections);
    makeGalaxy({view.width, view.height, seed, {}});
    saveOutput(output);
    return 0;
}

int runSceneCommand(const std::vector<std::string>& args) {
    Arguments arguments("run", args);
    std::string input;
    std::string output;
    std::optional<std::uint32_t> steps;
    std::uint32_t seed = currentTimeSeed();
    ViewSize view;
    while (!arguments.done()) {
        std::string_view a = arguments.next();
        if (a == "-o") {
            output = arguments.valueOf(a);
        } else if (a == "--steps") {
            steps = parseUnsigned(a, arguments.valueOf(a));
        } else if (a == "--seed") {
            seed = parseUnsigned(a, arguments.valueOf(a));
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else {
            arguments.takeInput(a, input);
        }
    }
    arguments.require(!input.empty(), "an input scene IN.cvn");
    arguments.require(!output.empty(), "-o OUT.cvn");
    arguments.require(steps.has_value(), "--steps N");

    startCommand(view);
    MemorySurface surface(view.width, view.height);
    SurfaceInUse inUse(surface);
    loadInput(input);
    seedRandom(seed);
    Progress progress(*steps);
    for (std::uint32_t done = 0; done < *steps; ++done) {
        stepSimulation();
        progress.update(done + 1);
    }
    saveOutput(output);
    return 0;
}

int renderSceneCommand(const std::vector<std::string>& args) {
    Arguments arguments("render", args);
    std::string input;
    std::string output;
    ViewSize view;
    bool stereo = false;
    std::optional<std::uint32_t> depth;
    while (!arguments.done()) {
        std::string_view a = arguments.next();
        if (a == "-o") {
            output = arguments.valueOf(a);
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else if (a == "--stereo") {
            stereo = true;
        } else if (a == "--depth") {
            depth = parseUnsigned(a, arguments.valueOf(a));
            if (*depth == 0 || *depth > INT_MAX)
                throw UsageError("--depth expects a positive whole number");
        } else {
            arguments.takeInput(a, input);
        }
    }
    arguments.require(!input.empty(), "an input scene IN.cvn");
    arguments.require(!output.empty(), "-o OUT.png");

    startCommand(view);
    MemorySurface surface(view.width, view.height);
    SurfaceInUse inUse(surface);
    if (stereo) gView.stereoOn = 1;
    if (depth) gView.depthDivisor = static_cast<int>(*depth);
    loadInput(input);
    writePng(viewPicture(), output);
    return 0;
}

namespace {

std::uint32_t boundedOption(std::string_view option, std::string_view text, std::uint32_t low,
                            std::uint32_t high) {
    std::uint32_t value = parseUnsigned(option, text);
    if (value < low || value > high) {
        throw UsageError(std::string(option) + " expects a whole number from " +
                         std::to_string(low) + " to " + std::to_string(high) + ", not " +
                         std::string(text));
    }
    return value;
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
constexpr double kSmallGalaxyPairTerms = 1e6;

void leaveACoreToTheEncoder() {
    double free = gParams.bodyCount - gParams.diskEnd;
    if (free * gParams.diskEnd + free * (free - 1) / 2 < kSmallGalaxyPairTerms) setKernelThreads(1);
}

}  // namespace

int recordSceneCommand(const std::vector<std::string>& args) {
    Arguments arguments("record", args);
    std::string input;
    RecordTargets targets;
    std::optional<std::uint32_t> steps;
    std::uint32_t every = 1;
    std::uint32_t seed = currentTimeSeed();
    ViewSize view;
    bool stereo = false;
    std::optional<int> depth;
    while (!arguments.done()) {
        std::string_view a = arguments.next();
        if (a == "-o") {
            targets.video = arguments.valueOf(a);
        } else if (a == "--frames") {
            targets.framesFolder = arguments.valueOf(a);
        } else if (a == "--steps") {
            steps = parseUnsigned(a, arguments.valueOf(a));
        } else if (a == "--every") {
            every = boundedOption(a, arguments.valueOf(a), 1, UINT32_MAX);
        } else if (a == "--fps") {
            targets.fps = static_cast<int>(boundedOption(a, arguments.valueOf(a), 1, kMaxFps));
        } else if (a == "--zoom") {
            targets.zoom = static_cast<int>(boundedOption(a, arguments.valueOf(a), 1, kMaxZoom));
        } else if (a == "--seed") {
            seed = parseUnsigned(a, arguments.valueOf(a));
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else if (a == "--stereo") {
            stereo = true;
        } else if (a == "--depth") {
            depth = static_cast<int>(boundedOption(a, arguments.valueOf(a), 1, INT_MAX));
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

    startCommand(view);
    MemorySurface surface(view.width, view.height);
    SurfaceInUse inUse(surface);
    if (stereo) gView.stereoOn = 1;
    if (depth) gView.depthDivisor = *depth;
    loadInput(input);
    seedRandom(seed);
    leaveACoreToTheEncoder();
    FrameRecorder recorder(targets, view.width, view.height);
    if (!recorder.encoderNote().empty())
        std::cerr << "corvane-cli: " << recorder.encoderNote() << "\n";
    RecordProgress progress(*steps);
    for (std::uint32_t done = 0; done < *steps; ++done) {
        stepSimulation();
        if ((done + 1) % every == 0) recorder.add(surface);
        progress.update(done + 1, recorder.framesWritten());
    }
    recorder.finish();
    progress.update(*steps, recorder.framesWritten(), true);
    return 0;
}

}  // namespace corvane::cli
