#include "panel/help_page.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace corvane {
namespace {

constexpr const char* kHelpPage = "corvane.html";
constexpr std::chrono::milliseconds kOpenerVerdictLimit{1000};
constexpr std::chrono::milliseconds kOpenerPoll{10};

// Openers that were still running when their verdict was due; collected
// later so that none stays a zombie for long.
std::vector<pid_t>& runningOpeners() {
    static std::vector<pid_t> pids;
    return pids;
}

void collectFinishedOpeners() {
    std::erase_if(runningOpeners(), [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

}  // namespace

QStringList helpPageFolders() {
    const bool running = QCoreApplication::instance() != nullptr;
    const QString programDir = running ? QCoreApplication::applicationDirPath() : QString();
    QStringList folders{QDir::currentPath()};
#ifdef CORVANE_DATA_FROM_BIN
    if (running) {
        folders << QDir::cleanPath(programDir + u'/' + QStringLiteral(CORVANE_DATA_FROM_BIN));
    }
#endif
#ifdef CORVANE_DATA_DIR
    folders << QStringLiteral(CORVANE_DATA_DIR);
#endif
    if (running) folders << programDir;
    folders.removeDuplicates();  // installed at the prefix it was built for
    return folders;
}

QString findHelpPage(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo page(QDir(folder), QString::fromLatin1(kHelpPage));
        if (page.isFile()) return page.absoluteFilePath();
    }
    return {};
}

bool openWithDesktop(const QString& path) {
    collectFinishedOpeners();
    QByteArray file = QFile::encodeName(path);
    char opener[] = "xdg-open";
    char* argv[] = {opener, file.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ) != 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + kOpenerVerdictLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0) return true;  // collected elsewhere: no verdict to read
        std::this_thread::sleep_for(kOpenerPoll);
    }
    runningOpeners().push_back(pid);
    return true;
}

}  // namespace corvane
