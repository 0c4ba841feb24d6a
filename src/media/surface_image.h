#pragma once
// Pictures of the view, the same for the desktop program and corvane-cli.

#include <QImage>
#include <string>

#include "sim/simulation.h"

namespace corvane::media {

// The surface's 0x00BBGGRR pixels as an opaque RGB image of the same size,
// at 100 dots per inch.
QImage surfaceImage(const MemorySurface& surface);

// The picture of the running scene of `sim` in `view` (its size, turn,
// stereo pair and depth): every body drawn afresh on black, as a view shows
// it after a load or a size change. Draws nowhere else and changes nothing.
QImage viewPicture(const Simulation& sim, const View& view);

// Writes `image` as PNG to `path` (the name's bytes as given), replacing the
// file only once the picture is complete on the disk. Throws IoError with
// the system's reason otherwise.
void writePng(const QImage& image, const std::string& path);

}  // namespace corvane::media
