#pragma once
// What the program asks of an X11 desktop that Qt's window flags cannot say:
// the frame a window manager will give a window before it is shown, the
// outer rectangle as the X server has it right now, a sizing border without
// a title bar, and the panel's window type. Every function does nothing (or
// answers "unknown") on any other platform, such as the display-less one of
// the tests.

#include <QMargins>
#include <QRect>
#include <QWindow>
#include <chrono>
#include <optional>

namespace corvane::x11 {

// True when the program talks to an X server.
bool available();

// True when a window manager runs that answers _NET_REQUEST_FRAME_EXTENTS.
bool windowManagerTellsFrames();

// Asks the window manager which frame (left, top, right, bottom) it would
// give `window` with its current hints, and waits for the answer at most
// `timeout`. Meant for a window that is not shown.
std::optional<QMargins> askFrameExtents(WId window, std::chrono::milliseconds timeout);

// The frame the window manager reports now (_NET_FRAME_EXTENTS).
std::optional<QMargins> frameExtents(WId window);

// The frame of a shown window once the window manager has framed it,
// waiting at most `timeout` for that.
std::optional<QMargins> frameOnceFramed(WId window, std::chrono::milliseconds timeout);

// The window's outer rectangle, frame included, as the X server has it at
// this moment (not as the last configure event Qt handled said): the client
// area and `frame` around it; for a window the window manager has not
// framed yet, where the window manager is going to put it.
std::optional<QRect> outerRect(WId window, const QMargins& frame);

// Once the window manager has framed the shown `window`, moves and sizes it
// so that its frame lies exactly on `outer`, `frame` being the frame it
// reported; waits at most `timeout` for each. True when it lies there.
// (Qt cannot be told this: the position it hands the window manager depends
// on whether it has seen the frame yet.)
bool placeFrame(WId window, const QRect& outer, const QMargins& frame,
                std::chrono::milliseconds timeout);

// _MOTIF_WM_HINTS asking for a border only: no title bar, resizable. Window
// managers that read decoration hints (openbox, xfwm4, KWin, Mutter) draw a
// frame without a title.
void setBorderOnlyDecorations(WId window);

// _NET_WM_WINDOW_TYPE_TOOLBAR, then UTILITY: a window that belongs to its
// main window and offers neither minimise nor maximise (openbox takes both
// away from toolbars only).
void setToolWindowType(WId window);

}  // namespace corvane::x11
