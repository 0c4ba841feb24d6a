#pragma once
// Option parsing shared by the commands of corvane-cli.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/surface.h"
#include "media/io_error.h"
#include "settings/selections.h"

namespace corvane::cli {

// A wrong option, a missing value, or a text that selects nothing: the
// command prints the message and exits 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Walks the arguments of one command, the one parser of every command.
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

struct ViewSize {
    int width = 800;
    int height = 600;
};

// "WxH" with both from 1 to 16384; throws UsageError otherwise.
ViewSize parseViewSize(std::string_view text);

// A non-negative decimal integer; throws UsageError otherwise.
std::uint32_t parseUnsigned(std::string_view option, std::string_view text);

// The combo index a selection option sets ("--free" 0 ... "--layout" 8), or
// -1 when `option` is not one of the nine.
int selectionOptionIndex(std::string_view option);

// Selects in `selections` the entry that `value` names for the selection
// option at `combo`: the first entry that begins with it (ASCII letters
// without regard to case), and for the mass mode also "original",
// "uniform", "f1", for the layout "galaxy", "thin", "thick", "sphere".
// Throws UsageError when nothing is selected.
void applySelection(PanelSelections& selections, int combo, std::string_view value);

// The option of selection `combo` ("--free" ... "--layout").
std::string_view selectionOptionName(int combo);

// The values the option of selection `combo` takes, for messages and help.
std::string selectionChoices(int combo);

// Sets the view geometry from a view size: width, height, centre = half.
void applyViewSize(const ViewSize& view);

// Start of every command: the process state at its start values, the body
// table, the view geometry and the bodies' pixel projection. Throws IoError
// without memory for the table.
void startCommand(const ViewSize& view);

// Seconds since the epoch, the default seed.
std::uint32_t currentTimeSeed();

}  // namespace corvane::cli
