#include "app/command_line.h"

#include <string>
#include <string_view>

#include "corvane_version.h"

namespace corvane {
namespace {

constexpr const char* kUsage =
    "Usage: corvane [options] [FILE.cvn]\n"
    "Shows a small galaxy moving under gravity, one pixel per body; a right click\n"
    "on the view opens the settings panel.\n"
    "\n"
    "  FILE.cvn     starts with that scene loaded\n"
    "  --version    prints the version and exits\n"
    "  --help, -h   prints this text and exits\n"
    "\n"
    "Qt's own options apply too, for example -platform NAME and -display DISPLAY.\n";

// Qt's options, with one dash or two: those that take the next argument as
// their value (or one after '='), and those that take none.
constexpr std::string_view kQtOptionsWithValue =
    " platform platformpluginpath platformtheme plugin qwindowgeometry qwindowicon qwindowtitle"
    " session display geometry name title icon style stylesheet ";
constexpr std::string_view kQtFlags =
    " reverse nograb dograb sync widgetcount testability"
    " qmljsdebugger ";

bool listed(std::string_view names, std::string_view name) {
    return !name.empty() && names.find(' ' + std::string(name) + ' ') != std::string_view::npos;
}

}  // namespace

const char* desktopUsageText() {
    return kUsage;
}

std::optional<int> answerCommandLine(int argc, const char* const* argv, std::FILE* out,
                                     std::FILE* err) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;  // the rest are file names
        if (arg.size() < 2 || arg[0] != '-') continue;
        if (arg == "--version") {
            std::fputs("corvane " CORVANE_VERSION "\n", out);
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, out);
            return 0;
        }
        std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
        const std::size_t equals = name.find('=');
        const bool hasValue = equals != std::string_view::npos;
        name = name.substr(0, equals);
        if (listed(kQtOptionsWithValue, name)) {
            if (!hasValue) ++i;
        } else if (!listed(kQtFlags, name)) {
            std::fprintf(err, "corvane: unknown option %s\n\n%s", argv[i], kUsage);
            return 2;
        }
    }
    return std::nullopt;
}

}  // namespace corvane
