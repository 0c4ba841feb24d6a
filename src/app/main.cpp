// corvane: the galaxy simulation on the desktop.
#include <QApplication>
#include <cstdio>

#include "app/application.h"

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    corvane::Application program;
    if (!program.initApplication()) {
        std::fputs("corvane: not enough memory for the body table\n", stderr);
        return 1;
    }
    return program.run();
}
