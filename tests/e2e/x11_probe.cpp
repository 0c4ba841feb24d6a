// What the end-to-end tests ask of the X server beyond xdotool:
//   close <window>: the close request a window manager's close button sends;
//   corner <window> <seconds>: prints how many different pictures with white
//     in them the window's 80 x 16 top-left corner showed (one per number of
//     a countdown drawn black on white), and how many it took;
//   throttle <pid> <seconds>: lets the process run 1 ms in 17, as a very slow
//     computer would, whatever the tests' priority.
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

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

bool sendDeleteWindow(Display* display, Window window) {
    XEvent event{};
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient = {ClientMessage, 0, False, display, window, protocols, 32, {}};
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return sent != 0;
}

void watchCorner(Display* display, Window window, Clock::time_point end) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    std::set<std::string> seen;
    long pictures = 0;
    // Far more often than a display shows a frame, yet leaving the processor
    // to the program watched.
    for (; Clock::now() < end; ++pictures, std::this_thread::sleep_for(milliseconds(1))) {
        XImage* image =
            XGetImage(display, DefaultRootWindow(display), x, y, 80, 16, AllPlanes, ZPixmap);
        if (!image) continue;
        std::string picture;
        bool white = false;
        for (int p = 0; p < 80 * 16; ++p) {
            const unsigned long rgb = XGetPixel(image, p % 80, p / 80) & 0xFFFFFFul;
            white = white || rgb == 0xFFFFFFul;
            picture.append(reinterpret_cast<const char*>(&rgb), 3);
        }
        XDestroyImage(image);
        if (white) seen.insert(picture);
    }
    std::printf("%zu %ld\n", seen.size(), pictures);
}

bool throttle(pid_t pid, Clock::time_point end) {
    while (Clock::now() < end && kill(pid, SIGCONT) == 0) {
        std::this_thread::sleep_for(milliseconds(1));
        kill(pid, SIGSTOP);
        std::this_thread::sleep_for(milliseconds(16));
    }
    return kill(pid, SIGCONT) == 0 && Clock::now() >= end;
}

}  // namespace corvane::e2e

int main(int argc, char** argv) {
    using namespace corvane::e2e;
    const std::string command = argc > 2 ? argv[1] : "";
    const auto end = Clock::now() + std::chrono::seconds(argc == 4 ? std::atoi(argv[3]) : 0);
    if (command == "throttle" && argc == 4) return throttle(std::atoi(argv[2]), end) ? 0 : 1;
    Display* display = XOpenDisplay(nullptr);
    if (!display || (command != "close" && command != "corner") ||
        argc != (command == "close" ? 3 : 4)) {
        std::fputs("usage: x11_probe close W | corner W SECONDS | throttle PID SECONDS\n", stderr);
        return 2;
    }
    const Window window = std::strtoul(argv[2], nullptr, 0);
    const bool done = command == "close" ? sendDeleteWindow(display, window) : true;
    if (command == "corner") watchCorner(display, window, end);
    XCloseDisplay(display);
    return done ? 0 : 1;
}
