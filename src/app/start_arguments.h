#pragma once
// The desktop program's own command line, after Qt has taken its options
// (-platform, -display, ...): at most one scene file to open at start. Free
// of Qt, so that it can be used before the display is opened.

#include <optional>
#include <string>

namespace corvane {

struct StartArguments {
    std::optional<std::string> scenarioPath;  // the name's bytes as given
    std::string error;                        // empty, or what is wrong with the command line
};

// Reads argv[1] .. argv[argc - 1]: one scene file, also after "--". A
// second file, or an option (a word starting with '-') before "--", is an
// error.
StartArguments parseStartArguments(int argc, const char* const* argv);

}  // namespace corvane
