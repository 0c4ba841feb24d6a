// Asks an X11 window to close the way a window manager's close button does,
// with a WM_DELETE_WINDOW message: Xvfb runs without a window manager.
// Usage: x11_close_window <window id>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace corvane::e2e {

bool sendDeleteWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return sent != 0;
}

}  // namespace corvane::e2e

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: x11_close_window <window id>\n", stderr);
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("x11_close_window: cannot open the display\n", stderr);
        return 1;
    }
    const bool sent = corvane::e2e::sendDeleteWindow(display, window);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
