#include "scene_commands.h"

#include <climits>
#include <iostream>
#include <optional>
#include <string_view>

#include "cli_options.h"
#include "core/random.h"
#include "core/state.h"
#include "core/surface.h"
#include "media/frame_recorder.h"
#include "media/surface_image.h"
#include "media/video_encoder.h"
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
using media::kMaxCrf;
using media::kMaxFps;
using media::kMaxRecordPixels;
using media::kMaxRecordSide;
using media::kMaxZoom;
using media::kX264Presets;
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
            output = arguments.outputOf(a);
        } else if (a == "--seed") {
            seed = parseWholeNumber(a, arguments.valueOf(a));
        } else if (a == "--view") {
            view = parseViewSize(arguments.valueOf(a));
        } else if (combo >= 0) {
            reportChoice(applySelection(selections, combo, arguments.valueOf(a)));
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

    startCommand(view);
    MemorySurface surface(view.width, view.height);
    SurfaceInUse inUse(surface);
    loadInput(input);
    seedRandom(seed);
    Progress progress("run", *steps, quiet);
    for (std::uint32_t done = 0; done < *steps; ++done) {
        stepSimulation();
        progress.update(done + 1);
    }
    saveOutput(output);
    progress.update(*steps, 0, true);
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

void leaveACoreToTheEncoder() {
    if (pairTermsPerStep(gParams.bodyCount - gParams.diskEnd, gParams.diskEnd) <
        kSmallGalaxyPairTerms) {
        setKernelThreads(1);
    }
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
    Progress progress("record", *steps, quiet, Progress::Frames::Shown);
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
