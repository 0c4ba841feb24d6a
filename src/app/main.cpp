// corvane: the galaxy simulation on the desktop.
#include <QApplication>
#include <cstdio>

#include "app/application.h"
#include "app/command_line.h"
#include "app/desktop_identity.h"
#include "app/qt_japanese.h"

int main(int argc, char** argv) {
    if (const auto status = corvane::answerCommandLine(argc, argv, stdout, stderr)) return *status;
    QApplication qtApplication(argc, argv);
    corvane::applyDesktopIdentity();
    if (!corvane::installQtJapanese()) {
        std::fputs("corvane: Qt's Japanese texts (qtbase_ja.qm) are not installed\n", stderr);
    }
    corvane::Application program;
    if (!program.initApplication()) {
        std::fputs("corvane: not enough memory for the body table\n", stderr);
        return 1;
    }
    return program.run();
}
