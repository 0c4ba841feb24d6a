#pragma once
// Pictures of the in-memory view for corvane-cli.

#include <QImage>
#include <string>

#include "core/surface.h"

namespace corvane::media {

// The surface's 0x00BBGGRR pixels as an opaque RGB image of the same size.
QImage surfaceImage(const MemorySurface& surface);

// Writes `image` as PNG to `path` (the name's bytes as given), replacing the
// file only once the picture is complete on the disk. Throws IoError with
// the system's reason otherwise.
void writePng(const QImage& image, const std::string& path);

}  // namespace corvane::media
