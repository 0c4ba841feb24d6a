// corvane: the galaxy simulation on the desktop.
#include <QApplication>
#include <cstdio>

#include "app/application.h"
#include "app/command_line.h"
#include "app/desktop_identity.h"
#include "app/qt_japanese.h"
#include "app/start_arguments.h"

int main(int argc, char** argv) {
    if (const auto status = corvane::answerCommandLine(argc, argv, stdout, stderr)) return *status;
    QApplication qtApplication(argc, argv);
    // What is left once Qt has taken its own options.
    const corvane::StartArguments arguments = corvane::parseStartArguments(argc, argv);
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "corvane: %s\n\n%s", arguments.error.c_str(),
                     corvane::desktopUsageText());
        return 2;
    }
    corvane::applyDesktopIdentity();
    if (!corvane::installQtJapanese()) {
        std::fputs("corvane: Qt's Japanese texts (qtbase_ja.qm) are not installed\n", stderr);
    }
    corvane::Application program;
    if (!program.initApplication(arguments.scenarioPath)) {
        std::fputs("corvane: not enough memory for the body table\n", stderr);
        return 1;
    }
    return program.run();
}
