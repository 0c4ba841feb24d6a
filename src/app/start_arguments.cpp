#include "app/start_arguments.h"

#include <string_view>

namespace corvane {

StartArguments parseStartArguments(int argc, const char* const* argv) {
    StartArguments result;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i] ? argv[i] : "";
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && word.size() > 1 && word.front() == '-') {
            result.error = "unknown option " + std::string(word);
            return result;
        } else if (result.scenarioPath) {
            result.error = "only one scene file can be opened, not also " + std::string(word);
            return result;
        } else {
            result.scenarioPath = std::string(word);
        }
    }
    return result;
}

}  // namespace corvane
