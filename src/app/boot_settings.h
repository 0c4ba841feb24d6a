#pragma once
// The boot-settings file "Corvane.ini": the main view's last outer
// rectangle, the window frame mode and the stereo depth divisor. One file in
// the user's configuration directory, shared by every copy the user runs.
// Single keys are read and written; everything else in the file is kept.
// A "file" that is a FIFO, a device, a folder or larger than 1 MiB is read as
// empty and never written.

#include <QList>
#include <QRect>
#include <QString>

namespace corvane {

constexpr int kFirstStartWidth = 800;
constexpr int kFirstStartHeight = 600;
// No window opens wider or higher: a larger picture buffer is beyond what a
// desktop shows and what the program should allocate.
constexpr int kMaxWindowSide = 16384;

// The four rectangle keys as read, edges in screen pixels, right and bottom
// exclusive.
struct BootRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// <user configuration directory>/Corvane.ini
QString bootSettingsPath();

// "left", "top", "right", "bottom" with the atoi rule; absent keys read 0.
BootRect readBootRect();

// Stores an outer rectangle (x, y, width, height) as the four edge keys.
void writeBootRect(const QRect& outer);

// The outer rectangle the main view opens with, on a desktop of `screens`
// (their geometries; none known: no position check): the saved position
// clamped to the screen's top-left, the saved size; a saved size below 1 x 1
// (first start, or a reversed rectangle) opens 800 x 600. A side beyond
// twice the desktop's (and beyond kMaxWindowSide) is cut to that, and a
// position that shows no part of the window on any screen becomes (0, 0).
// Any four integers give a valid rectangle.
QRect startRect(const BootRect& saved, const QList<QRect>& screens);
// The same on the screens of the running program.
QRect startRect(const BootRect& saved);

// "taitolbar": absent or empty writes "0" and gives 0.
int readFrameModeSetting();
// Stores the frame mode under "taitolbar".
void writeFrameModeSetting(int mode);

// "zsize": absent or empty, or reading 0, writes "15" and gives 15; the
// stereo shift divides by it.
int readDepthDivisorSetting();

}  // namespace corvane
