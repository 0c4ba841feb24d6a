#pragma once
// The options the program answers before it needs a display.

#include <cstdio>
#include <optional>

namespace corvane {

// The usage that --help prints and a wrong command line repeats.
const char* desktopUsageText();

// Answers --version and --help (or -h) on `out`, and an unknown option with
// the usage on `err`, before the application object exists: that object
// needs a display. Returns the exit status then (0, or 2 for an unknown
// option), and nothing when the program is to start. Qt's own options (for
// example -platform NAME) and other arguments are left to Qt and the program.
std::optional<int> answerCommandLine(int argc, const char* const* argv, std::FILE* out,
                                     std::FILE* err);

}  // namespace corvane
