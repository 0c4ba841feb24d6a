#include "scene_commands.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <optional>
#include <string_view>

#include "cli_options.h"
#include "core/random.h"
#include "core/state.h"
#include "core/surface.h"
#include "render/plot.h"
#include "scenario/scenario.h"
#include "sim/initial.h"
#include "sim/step.h"
#include "surface_image.h"

namespace corvane::cli {
namespace {

// Walks the arguments of one command.
class Arguments {
  public:
    Arguments(std::string_view command, const std::vector<std::string>& args)
        : command_(command), args_(args) {}

    bool done() const { return next_ >= args_.size(); }
    std::string_view next() { return args_[next_++]; }

    std::string_view valueOf(std::string_view option) {
        if (done()) throw UsageError(std::string(option) + " needs a value");
        return next();
    }

    // The input file; a second one, or an unknown option, is wrong usage.
    void takeInput(std::string_view argument, std::string& input) const {
        if (argument.starts_with("-") && argument.size() > 1) {
            throw UsageError("unknown option " + std::string(argument) + " for " + command_);
        }
        if (!input.empty()) throw UsageError("unexpected argument " + std::string(argument));
        input = argument;
    }

    void require(bool present, std::string_view what) const {
        if (!present) throw UsageError(command_ + " needs " + std::string(what));
    }

  private:
    std::string command_;
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
};

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
    scenarioPath = path;
    ScenarioResult result = loadScenario();
    if (!result.ok()) {
        throw IoError("cannot read " + path + ": " + result.errorString.toStdString());
    }
}

void saveOutput(const std::string& path) {
    scenarioPath = path;
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
    seedRandom(seed);
    gView.yawAngle = 0.0f;
    gView.pitchAngle = 0.0f;
    runCommand();
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
    const std::string reason = writePng(surfaceImage(surface), output);
    if (!reason.empty()) throw IoError("cannot write " + output + ": " + reason);
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
        "  bench [options]\n"
        "      Times the force kernels; see corvane-cli bench --help.\n"
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
