#pragma once
// Option parsing shared by the commands of corvane-cli.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "media/io_error.h"
#include "sim/simulation.h"

namespace corvane::cli {

// A wrong option, a missing value, or a text that selects nothing: the
// command prints the message and exits 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Walks the arguments of one command, the one parser of every command. An
// option's value follows it ("--seed 7") or is joined to it by "=" ("--seed=7").
class Arguments {
  public:
    Arguments(std::string_view command, const std::vector<std::string>& args)
        : command_(command), args_(args) {}

    // Whether every argument has been taken. Throws UsageError when the last
    // option was given a value with "=" that it does not take.
    bool done();
    // The next argument; of "--name=value" the name, the value kept for valueOf().
    std::string_view next();
    // The value of the option just taken; throws UsageError when there is none.
    std::string_view valueOf(std::string_view option);
    // The value of an option that names a file to write; "-" (standard
    // output, which nothing here writes) is wrong usage.
    std::string outputOf(std::string_view option);

    // The input file; a second one, or an unknown option, is wrong usage.
    void takeInput(std::string_view argument, std::string& input) const;

    void require(bool present, std::string_view what) const {
        if (!present) throw UsageError(command_ + " needs " + std::string(what));
    }

  private:
    std::string command_;
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
    std::string option_;                 // the option taken last
    std::optional<std::string> joined_;  // its value after "=", until taken
    std::string value_;                  // that value once taken
};

struct ViewSize {
    int width = 800;
    int height = 600;
};

// One command's galaxy: a new simulation, a view of the command's size
// drawn into memory, and the selections it reads its settings from, all at
// their start values.
struct CommandState {
    // Throws IoError without memory for the body table.
    explicit CommandState(const ViewSize& size);
    CommandState(const CommandState&) = delete;
    CommandState& operator=(const CommandState&) = delete;

    Simulation simulation;
    SelectionModel selections;
    MemorySurface surface;
    View view;  // drawn on `surface`
};

// "WxH" with both from 1 to 16384; throws UsageError otherwise.
ViewSize parseViewSize(std::string_view text);

// A decimal whole number from `low` to `high`. Anything else (a sign, a
// fraction, other characters, a number out of range) throws UsageError with
// the one message of the option: "OPTION expects a whole number from LOW to
// HIGH, not "TEXT"".
std::uint32_t parseWholeNumber(std::string_view option, std::string_view text,
                               std::uint32_t low = 0, std::uint32_t high = UINT32_MAX);

// The combo index a selection option sets ("--free" 0 ... "--layout" 8), or
// -1 when `option` is not one of the nine.
int selectionOptionIndex(std::string_view option);

// Selects in `selections` the entry that `value` names for the selection
// option at `combo`: the first entry that begins with it (ASCII letters
// without regard to case), and for the mass mode also "original",
// "uniform", "f1", for the layout "galaxy", "thin", "thick", "sphere".
// Throws UsageError when nothing is selected. Returns "" when `value` is
// the whole entry or its English name (ASCII letters without regard to
// case), else the line that names what was chosen, e.g. "--free 1 chose 10".
std::string applySelection(PanelSelections& selections, int combo, std::string_view value);

// Prints `line` (a choice applySelection() names, an encoder's note) on
// standard error as the companion's, if it is not empty.
void sayNote(const std::string& line);

// The option of selection `combo` ("--free" ... "--layout").
std::string_view selectionOptionName(int combo);

// The values the option of selection `combo` takes, for messages and help.
std::string selectionChoices(int combo);

// Seconds since the epoch, the default seed.
std::uint32_t currentTimeSeed();

}  // namespace corvane::cli
