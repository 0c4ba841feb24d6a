// corvane-cli: makes, runs, renders and times galaxies without a display.

#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "bench_command.h"
#include "cli_options.h"
#include "corvane_version.h"
#include "scenario_commands.h"
#include "usage.h"

namespace corvane::cli {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitIo = 1;

bool asksForHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

using Command = int (*)(const std::vector<std::string>&);

Command commandNamed(std::string_view command) {
    return command == "new"      ? newScenarioCommand
           : command == "run"    ? runScenarioCommand
           : command == "render" ? renderScenarioCommand
           : command == "record" ? recordScenarioCommand
           : command == "bench"  ? benchCommand
                                 : nullptr;
}

int dispatch(std::string_view command, const std::vector<std::string>& args) {
    Command run = commandNamed(command);
    if (!run) throw UsageError("unknown command " + std::string(command));
    if (asksForHelp(args)) {
        std::cout << commandUsageText(command);
        return 0;
    }
    return run(args);
}

int runMain(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << usageText();
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << usageText();
        return 0;
    }
    if (args[0] == "--version") {
        std::cout << "corvane-cli " CORVANE_VERSION "\n";
        return 0;
    }
    try {
        return dispatch(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const UsageError& e) {
        const bool known = commandNamed(args[0]) != nullptr;
        std::cerr << "corvane-cli: " << e.what() << "\n(corvane-cli "
                  << (known ? args[0] + " " : "") << "--help shows the usage)\n";
        return kExitUsage;
    } catch (const IoError& e) {
        std::cerr << "corvane-cli: " << e.what() << "\n";
        return kExitIo;
    } catch (const std::exception& e) {
        std::cerr << "corvane-cli: " << e.what() << "\n";
        return kExitIo;
    }
}

}  // namespace
}  // namespace corvane::cli

int main(int argc, char** argv) {
    return corvane::cli::runMain(argc, argv);
}
