// Any boot-settings file is read without a crash, never gives a depth
// divisor of 0, and gives a start rectangle the desktop can show: at least
// 1 x 1, within twice the desktop and 16384, not left of or above the
// origin, on some screen; a rectangle written back reads back the same.

#include <QList>
#include <QRect>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/boot_settings.h"

namespace {

using namespace corvane;

void require(bool condition) {
    if (!condition) std::abort();
}

bool onSomeScreen(const QRect& rect, const QList<QRect>& screens) {
    for (const QRect& screen : screens) {
        if (screen.intersects(rect)) return true;
    }
    return screens.isEmpty();
}

void checkStartRect(const BootRect& saved, const QList<QRect>& screens) {
    QRect desktop;
    for (const QRect& screen : screens) desktop |= screen;
    const int widthLimit =
        screens.isEmpty() ? kMaxWindowSide : std::min(2 * desktop.width(), kMaxWindowSide);
    const int heightLimit =
        screens.isEmpty() ? kMaxWindowSide : std::min(2 * desktop.height(), kMaxWindowSide);
    const QRect start = startRect(saved, screens);
    require(start.width() >= 1 && start.width() <= widthLimit);
    require(start.height() >= 1 && start.height() <= heightLimit);
    require(start.x() >= 0 && start.y() >= 0);
    require(onSomeScreen(start, screens));
}

void writeFile(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(bootSettingsPath().toLocal8Bit().constData(), "wb");
    require(file != nullptr);
    require(std::fwrite(data, 1, size, file) == size);
    require(std::fclose(file) == 0);
}

std::string configFolder;

void removeConfigFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(configFolder, ignored);
}

}  // namespace

// Qt is built without frame pointers, so the fast unwinder, walking through
// its frames, reads stale words as return addresses and records a new
// allocation stack on nearly every input; AddressSanitizer keeps each one for
// good (about ten a run, a gigabyte in an hour). The exact unwinder finds the
// same two thousand real stacks every time, and its reports show true
// allocation stacks. ASAN_OPTIONS still overrides this.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A private configuration folder, so the user's own file stays
    // untouched; in memory where possible: every settings write is synced.
    configFolder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    configFolder += "/corvane-fuzz-XXXXXX";
    require(mkdtemp(configFolder.data()) != nullptr);
    std::atexit(removeConfigFolder);
    setenv("XDG_CONFIG_HOME", configFolder.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeFile(data, size);
    const BootRect saved = readBootRect();
    readFrameModeSetting();
    require(readDepthDivisorSetting() != 0);

    const QList<QList<QRect>> desktops = {
        {},
        {QRect(0, 0, 1280, 1024)},
        {QRect(0, 0, 800, 600), QRect(800, -200, 1920, 1080)},
    };
    for (const QList<QRect>& screens : desktops) checkStartRect(saved, screens);

    const QRect start = startRect(saved, desktops[1]);
    writeBootRect(start);
    const BootRect back = readBootRect();
    require(back.left == start.left() && back.top == start.top());
    require(back.right == start.right() + 1 && back.bottom == start.bottom() + 1);
    return 0;
}
