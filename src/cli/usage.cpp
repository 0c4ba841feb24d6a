#include "usage.h"

#include "cli_options.h"
#include "settings/panel_data.h"

namespace corvane::cli {
namespace {

const char* const kCommands =
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
    "      Loads a scene as run does, advances it N steps drawing each step as\n"
    "      the view does, and films the picture after every K-th step as one\n"
    "      frame of an H.264 video (yuv420p, MP4), N / K frames in all.\n"
    "  bench [--steps N] [--threads N] [--kernel reference|fast|both] [--seed N]\n"
    "        [--view WxH] [selection options]\n"
    "      Makes a galaxy as new does and times N steps of each force kernel\n"
    "      from the same start, drawing into an in-memory view.\n"
    "  --version\n"
    "      Prints the version.\n"
    "  --help, -h\n"
    "      Prints this text, also after any command.\n"
    "\n"
    "Selection options of new and bench; each T selects the first entry that\n"
    "begins with it:\n";

const char* const kOptions =
    "\n"
    "Options:\n"
    "  -o OUT          the file to write; record may leave it out when --frames\n"
    "                  is given\n"
    "  --seed N        generator seed, for new the galaxy and for run and record\n"
    "                  respawned bodies (default: the time in seconds; bench 1)\n"
    "  --view WxH      view size (default 800x600)\n"
    "  --steps N       steps to advance or to time, at least 1 (bench default 10);\n"
    "                  record at least K\n"
    "  --stereo        the side-by-side stereo pair\n"
    "  --depth N       depth divisor of the stereo pair (default 15)\n"
    "  --every K       record: steps per frame, at least 1 (default 1)\n"
    "  --fps F         record: frames per second, 1 to 240 (default 30)\n"
    "  --zoom Z        record: each pixel becomes a Z x Z block, 1 to 16\n"
    "                  (default 1); 2 keeps single stars visible after compression\n"
    "  --frames DIR    record: also write every frame as DIR/frame-000001.png, ...\n"
    "                  (the folder is made when missing)\n"
    "  --threads N     bench: threads of the fast kernel, 1 to 1024, 0 every core\n"
    "                  (default 0)\n"
    "  --kernel K      bench: the kernels to time, reference, fast or both\n"
    "                  (default both)\n"
    "\n"
    "new takes the panel's selections. bench takes 5000 free stars, disk and halo\n"
    "bodies and a black hole of 1.0e10, the panel's other selections.\n"
    "\n"
    "record: a video of odd width or height gets one black column or row more.\n"
    "On a terminal a progress line shows steps, frames, steps per second and the\n"
    "time left.\n"
    "\n"
    "bench prints per kernel: kernel= threads= simd= steps= steps_per_s=\n"
    "interactions_per_s= cpu_per_wall= (interactions per step: F x (H + D) +\n"
    "F x (F - 1); threads: those the last step was given; cpu_per_wall: process\n"
    "CPU time over wall time while timing). The fast kernel's line adds\n"
    "threads_taking_part= (per step, on average: a thread the system did not run\n"
    "in time stays out of a step), ceiling_interactions_per_s= (one double square\n"
    "root and one division per interaction at the widest vector, on as many\n"
    "threads, probed between batches of the steps so that both see the same\n"
    "load) and ceiling_fraction=. With both, a last line ratio= (fast over\n"
    "reference steps per second) identical=yes|no (the whole final states\n"
    "compared bit for bit).\n"
    "\n"
    "Exit status: 0 done, 1 a file could not be read or written (a video then\n"
    "keeps no partial file under its name), 2 wrong usage.\n"
    "\n"
    "Example: 30 seconds of a new galaxy, 2 steps per frame, stars as 2x2 blocks:\n"
    "  corvane-cli new -o a.cvn --seed 7\n"
    "  corvane-cli record a.cvn -o a.mp4 --steps 1800 --every 2 --zoom 2 --seed 7\n";

}  // namespace

std::string usageText() {
    std::string text = kCommands;
    for (int combo = 0; combo < kComboCount; ++combo) {
        std::string option(selectionOptionName(combo));
        option.resize(12, ' ');
        text += "  " + option + " T  " + selectionChoices(combo) + "\n";
    }
    return text + kOptions;
}

}  // namespace corvane::cli
