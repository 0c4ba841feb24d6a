// What the end-to-end tests ask of the X server beyond xdotool:
//   x11_probe corner <window id> <seconds>
//     watches the window's top-left corner on the screen as fast as the
//     server answers and prints how many different pictures with white in
//     them it saw, and how many it took: a countdown drawn black on white
//     shows one picture per number that reached the screen;
//   x11_probe throttle <pid> <seconds>
//     lets the process run one millisecond out of every seventeen (stopping
//     and continuing it), as a very slow computer would, whatever priority
//     the tests run at.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

namespace corvane::e2e {

constexpr int kCornerWidth = 80;
constexpr int kCornerHeight = 16;

// The corner's pixels as bytes, or "" when no pixel of it is white.
std::string cornerPicture(Display* display, Window root, int x, int y) {
    XImage* image = XGetImage(display, root, x, y, kCornerWidth, kCornerHeight, AllPlanes, ZPixmap);
    if (!image) return {};
    std::string pixels;
    bool white = false;
    for (int row = 0; row < kCornerHeight; ++row) {
        for (int column = 0; column < kCornerWidth; ++column) {
            const unsigned long p = XGetPixel(image, column, row) & 0xFFFFFFul;
            white = white || p == 0xFFFFFFul;
            pixels.append(reinterpret_cast<const char*>(&p), 3);
        }
    }
    XDestroyImage(image);
    return white ? pixels : std::string();
}

int watchCorner(Display* display, Window window, double seconds) {
    const Window root = DefaultRootWindow(display);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    std::set<std::string> seen;
    long pictures = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::string picture = cornerPicture(display, root, x, y);
        ++pictures;
        if (!picture.empty()) seen.insert(std::move(picture));
        // Far more often than a display shows a frame, yet leaving the
        // processor to the program watched.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::printf("%zu %ld\n", seen.size(), pictures);
    return 0;
}

int throttle(pid_t pid, double seconds) {
    using namespace std::chrono_literals;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (kill(pid, SIGCONT) != 0) return 1;
        std::this_thread::sleep_for(1ms);
        kill(pid, SIGSTOP);
        std::this_thread::sleep_for(16ms);
    }
    return kill(pid, SIGCONT) == 0 ? 0 : 1;
}

}  // namespace corvane::e2e

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "throttle" && argc == 4) {
        return corvane::e2e::throttle(static_cast<pid_t>(std::atol(argv[2])), std::atof(argv[3]));
    }
    if (command != "corner" || argc != 4) {
        std::fputs("usage: x11_probe corner <window id> <seconds> | throttle <pid> <seconds>\n",
                   stderr);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("x11_probe: cannot open the display\n", stderr);
        return 1;
    }
    const Window window = std::strtoul(argv[2], nullptr, 0);
    const int status = corvane::e2e::watchCorner(display, window, std::atof(argv[3]));
    XCloseDisplay(display);
    return status;
}
