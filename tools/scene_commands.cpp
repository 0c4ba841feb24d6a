#include "scene_commands.h"

#include <unistd.h>

#include <algorithm>
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
#include "frame_recorder.h"
#include "scenario/scenario.h"
#include "sim/display.h"
#include "sim/force_fast.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "sim/params.h"
#include "sim/step.h"
#include "surface_image.h"

namespace corvane::cli {
namespace {

// Drawing goes to `surface` while the command runs; the process-wide pointer
// never outlives it.
class SurfaceInUse {
  public:
    explicit SurfaceInUse(DrawingSurface& surface) { setViewSurface(&surface); }
    ~SurfaceInUse() { setViewSurface(nullptr); }
    SurfaceInUse(const SurfaceInUse&) = delete;
    SurfaceInUse& operator=(const SurfaceInUse&) = delete;
};

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
    redrawAll(surface);
    writePng(surfaceImage(surface), output);
    return 0;
}

namespace {

const char* const kRecordUsage =
    "Usage: corvane-cli record IN.cvn -o OUT.mp4 --steps N [options]\n"
    "\n"
    "Loads a scene as run does, advances it N steps drawing each step as the\n"
    "view does, and writes the picture after every K-th step as one frame of\n"
    "an H.264 video (yuv420p, MP4), N / K frames in all.\n"
    "\n"
    "  -o OUT.mp4      the video; may be left out when --frames is given\n"
    "  --steps N       steps to advance, at least K\n"
    "  --every K       steps per frame, at least 1 (default 1)\n"
    "  --fps F         frames per second of the video, 1 to 240 (default 30)\n"
    "  --zoom Z        each pixel becomes a Z x Z block, 1 to 16 (default 1);\n"
    "                  2 keeps single stars visible after compression\n"
    "  --frames DIR    also write every frame as DIR/frame-000001.png, ...\n"
    "                  (the folder is made when missing)\n"
    "  --seed N        generator seed for respawned bodies (default: the time)\n"
    "  --view WxH      view size (default 800x600)\n"
    "  --stereo        the side-by-side stereo pair\n"
    "  --depth N       depth divisor of the stereo pair (default 15)\n"
    "\n"
    "A video of odd width or height gets one black column or row more.\n"
    "On a terminal a progress line shows steps, frames, steps per second and\n"
    "the time left. Exit status: 0 done, 1 a file could not be read or written\n"
    "(the video then keeps no partial file under its name), 2 wrong usage.\n"
    "\n"
    "Example: 30 seconds of a new galaxy, 2 steps per frame, stars as 2x2 blocks:\n"
    "  corvane-cli new -o a.cvn --seed 7\n"
    "  corvane-cli record a.cvn -o a.mp4 --steps 1800 --every 2 --zoom 2 --seed 7\n";

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
    if (std::find_if(args.begin(), args.end(), [](const std::string& a) {
            return a == "--help" || a == "-h";
        }) != args.end()) {
        std::cout << kRecordUsage;
        return 0;
    }
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

std::string usageText() {
    std::string text =
        "Usage: corvane-cli COMMAND [options]\n"
        "\n"
        "  new -o OUT.cvn [--seed N] [--view WxH] [selection options]\n"
        "      Makes a galaxy as the Run button does and saves the scene.\n"
        "  run IN.cvn -o OUT.cvn --steps N [--seed N] [--view WxH]\n"
        "      Loads a scene, advances it N steps and saves it.\n"
        "  render IN.cvn -o OUT.png [--view WxH] [--stereo] [--depth N]\n"
        "      Loads a scene and writes the picture the view would show.\n"
        "  record IN.cvn -o OUT.mp4 --steps N [--every K] [--fps F] [--zoom Z]\n"
        "         [--frames DIR] [--seed N] [--view WxH] [--stereo] [--depth N]\n"
        "      Loads a scene and films N steps as an H.264 video; see\n"
        "      corvane-cli record --help.\n"
        "  bench [options]\n"
        "      Times the force kernels; see corvane-cli bench --help.\n"
        "  --version\n"
        "      Prints the version.\n"
        "\n"
        "Selection options of new; each T selects the first entry that begins with it:\n";
    for (int combo = 0; combo < kComboCount; ++combo) {
        std::string option(selectionOptionName(combo));
        option.resize(12, ' ');
        text += "  " + option + " T  " + selectionChoices(combo) + "\n";
    }
    text +=
        "\n"
        "Defaults: --seed the current time in seconds, --view 800x600, the panel's\n"
        "selections. Exit status: 0 done, 1 a file could not be read or written,\n"
        "2 wrong usage.\n";
    return text;
}

}  // namespace corvane::cli
