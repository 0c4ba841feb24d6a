#include "usage.h"

#include <array>
#include <string_view>

#include "cli_options.h"
#include "sim/simulation.h"

namespace corvane::cli {
namespace {

struct CommandUsage {
    std::string_view name;
    std::string_view synopsis;  // after "corvane-cli ", lines after the first indented
    std::string_view summary;
    std::string_view options;  // those its own help lists, each between spaces
    bool selections;           // takes the selection options
    std::string_view notes;    // more for its own help and the whole usage
};

constexpr std::array<CommandUsage, 5> kCommands = {{
    {"new", "new -o OUT.cvn [--seed N] [--view WxH] [selection options]",
     "Makes a galaxy as the Run button does and saves the scene.", " -o --seed --view ", true, ""},
    {"run", "run IN.cvn -o OUT.cvn --steps N [--seed N] [--view WxH] [-q]",
     "Loads a scene, advances it N steps and saves it (N = 0 saves the scene\n"
     "as loaded).",
     " -o --steps --seed --view -q ", false, ""},
    {"render", "render IN.cvn -o OUT.png [--view WxH] [--stereo] [--depth N]",
     "Loads a scene and writes the picture the view would show.", " -o --view --stereo --depth ",
     false, ""},
    {"record",
     "record IN.cvn -o OUT.mp4 --steps N [--every K] [--fps F]\n"
     "       [--zoom Z] [--crf N] [--preset NAME] [--frames DIR]\n"
     "       [--seed N] [--view WxH] [--stereo] [--depth N] [-q]",
     "Loads a scene as run does, advances it N steps drawing each step as\n"
     "the view does, and films the picture after every K-th step as one\n"
     "frame of an H.264 video (yuv420p, MP4), N / K frames in all.",
     " -o --steps --every --fps --zoom --crf --preset --frames --seed --view --stereo --depth -q ",
     false,
     "record: a video of odd width or height gets one black column or row more.\n"
     "Its index is at the front of the file, so that it plays while it is still\n"
     "arriving. An interrupted or failed recording keeps the old file, and\n"
     "removes a --frames folder it made.\n"},
    {"bench",
     "bench [--steps N] [--threads N] [--seed N] [--view WxH]\n"
     "      [--kernel reference|fast|both] [--simd PATH] [--record]\n"
     "      [selection options]",
     "Makes a galaxy as new does and times N steps of each force kernel\n"
     "from the same start, drawing into an in-memory view.",
     " --steps --threads --kernel --simd --record --seed --view ", true,
     "bench takes 5000 free stars, disk and halo bodies and a black hole of\n"
     "1.0e10, the panel's other selections.\n"
     "\n"
     "bench prints per kernel: kernel= threads= simd= steps= steps_per_s=\n"
     "interactions_per_s= cpu_per_wall= (interactions per step: F x (H + D) +\n"
     "F x (F - 1); threads and simd: those the last step was given, the Newton\n"
     "path leaving a step whose range it does not cover to avx512; cpu_per_wall:\n"
     "process CPU time over wall time while timing). The fast kernel's line adds\n"
     "threads_taking_part= (per step, on average: a thread the system did not run\n"
     "in time stays out of a step), ceiling_interactions_per_s= (one double square\n"
     "root and one division per interaction on the divider at the width of simd=,\n"
     "on as many threads, probed between batches of the steps so that both see\n"
     "the same load) and ceiling_fraction= (above 1 when avx512-newton takes its\n"
     "quotients off the divider). With both, a last line ratio= (fast over\n"
     "reference steps per second) identical=yes|no (the whole final states\n"
     "compared bit for bit).\n"
     "\n"
     "bench --record then times 3 rounds of N steps of the fast kernel without\n"
     "and 3 with the view filmed as the window's recording films it (after every\n"
     "step the picture goes to an H.264 video, 30 frames/s, ultrafast, crf 18, in\n"
     "a new folder under $TMPDIR or /tmp that goes again), alternately, each from\n"
     "the galaxy's start; a filmed round ends with its last frame in the file. A\n"
     "last line record_steps_per_s= plain_steps_per_s= (of each the fastest\n"
     "round: load from elsewhere only slows a round) recording_speed_fraction=\n"
     "(filmed over plain).\n"},
}};

struct OptionUsage {
    std::string_view name;
    std::string_view text;  // from the option itself, lines after the first indented
};

constexpr std::array<OptionUsage, 17> kOptions = {{
    {"-o",
     "-o OUT          the file to write, not - (standard output); record may\n"
     "                  leave it out when --frames is given"},
    {"--seed",
     "--seed N        generator seed, for new the galaxy and for run and record\n"
     "                  respawned bodies (default: the time in seconds; bench 1)"},
    {"--view", "--view WxH      view size (default 800x600)"},
    {"--steps",
     "--steps N       steps to advance or to time: run 0 or more (0 saves the\n"
     "                  scene as loaded), record at least K, bench at least 1\n"
     "                  (default 10)"},
    {"--stereo", "--stereo        the side-by-side stereo pair"},
    {"--depth",
     "--depth N       depth divisor of the stereo pair, 1 to 2147483647\n"
     "                  (default 15)"},
    {"--every", "--every K       record: steps per frame, at least 1 (default 1)"},
    {"--fps", "--fps F         record: frames per second, 1 to 240 (default 30)"},
    {"--zoom",
     "--zoom Z        record: each pixel becomes a Z x Z block, 1 to 16\n"
     "                  (default 1); 2 keeps single stars visible after compression"},
    {"--crf",
     "--crf N         record: quality of the H.264 video, 0 (lossless) to 51\n"
     "                  (default 18)"},
    {"--preset",
     "--preset NAME   record: libx264's preset, ultrafast, superfast, veryfast,\n"
     "                  faster, fast, medium, slow, slower, veryslow or placebo\n"
     "                  (default ultrafast); slower ones make smaller files"},
    {"--frames",
     "--frames DIR    record: also write every frame as DIR/frame-000001.png, ...\n"
     "                  (the folder is made when missing)"},
    {"-q",
     "-q, --quiet     run, record: no progress line (there is none either when\n"
     "                  standard error is no terminal)"},
    {"--threads",
     "--threads N     bench: threads of the fast kernel, 1 to 1024, 0 every core\n"
     "                  (default 0)"},
    {"--kernel",
     "--kernel K      bench: the kernels to time, reference, fast or both\n"
     "                  (default both)"},
    {"--simd",
     "--simd PATH     bench: the fast kernel's vector path, and its ceiling's width:\n"
     "                  avx512-newton (AVX-512, quotients from the reciprocal on\n"
     "                  the multiply units), avx512, avx2 or scalar (default: of\n"
     "                  those the processor has, the one that ran the kernel\n"
     "                  fastest when the bench began); a path it lacks gives the\n"
     "                  last one it has"},
    {"--record",
     "--record        bench: also the fast kernel's steps without and with the\n"
     "                  view filmed as the window films it; not with --kernel\n"
     "                  reference"},
}};

const char* const kValues =
    "An option's value may also be joined to it with \"=\", as in --seed=7.\n";

const char* const kExitStatus =
    "Exit status: 0 done, 1 a file could not be read or written (a video then\n"
    "keeps no partial file under its name), 2 wrong usage.\n";

const char* const kExample =
    "Example: 30 seconds of a new galaxy, 2 steps per frame, stars as 2x2 blocks:\n"
    "  corvane-cli new -o a.cvn --seed 7\n"
    "  corvane-cli record a.cvn -o a.mp4 --steps 1800 --every 2 --zoom 2 --seed 7\n";

// `text` and a line end, the first line after `first`, the others after `rest`.
std::string indented(std::string_view text, std::string_view first, std::string_view rest) {
    std::string out(first);
    for (char c : text) {
        out += c;
        if (c == '\n') out += rest;
    }
    return out + "\n";
}

std::string indented(std::string_view text, std::string_view indent) {
    return indented(text, indent, indent);
}

std::string selectionOptions(std::string_view heading) {
    std::string text(heading);
    for (int combo = 0; combo < kComboCount; ++combo) {
        std::string option(selectionOptionName(combo));
        option.resize(12, ' ');
        text += "  " + option + " T  " + selectionChoices(combo) + "\n";
    }
    return text;
}

const char* const kSelectionHeading =
    "each T selects the first entry that begins with it; when T is not the\n"
    "whole entry (or its English name), a line on standard error names the\n"
    "entry chosen, e.g. \"corvane-cli: --free 1 chose 10\":\n";

std::string optionLines(std::string_view only) {
    std::string text;
    for (const OptionUsage& option : kOptions) {
        const std::string key = " " + std::string(option.name) + " ";
        if (only.empty() || only.find(key) != std::string_view::npos)
            text += indented(option.text, "  ");
    }
    return text;
}

}  // namespace

std::string usageText() {
    std::string text = "Usage: corvane-cli COMMAND [options]\n\n";
    for (const CommandUsage& command : kCommands) {
        text += indented(command.synopsis, "  ");
        text += indented(command.summary, "      ");
    }
    text +=
        "  --version\n"
        "      Prints the version.\n"
        "  --help, -h\n"
        "      Prints this text; after a command, that command's usage.\n"
        "\n";
    text +=
        selectionOptions(std::string("Selection options of new and bench; ") + kSelectionHeading);
    text += "\nOptions:\n" + optionLines("") + kValues +
            "\n"
            "new takes the panel's selections.\n"
            "\n"
            "run, record: on a terminal a progress line shows the steps, for record\n"
            "also the frames, steps per second and the time left.\n"
            "\n";
    for (const CommandUsage& command : kCommands) {
        if (!command.notes.empty()) text += std::string(command.notes) + "\n";
    }
    return text + kExitStatus + "\n" + kExample;
}

std::string commandUsageText(std::string_view name) {
    for (const CommandUsage& command : kCommands) {
        if (command.name != name) continue;
        std::string text = indented(command.synopsis, "Usage:\n  corvane-cli ", "              ");
        text += indented(command.summary, "  ") + "\nOptions:\n" + optionLines(command.options);
        text += kValues;
        if (command.selections)
            text += "\n" + selectionOptions(std::string("Selection options; ") + kSelectionHeading);
        if (!command.notes.empty()) text += "\n" + std::string(command.notes);
        return text + "\n" + kExitStatus;
    }
    return usageText();
}

}  // namespace corvane::cli
