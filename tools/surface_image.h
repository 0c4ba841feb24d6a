#pragma once
// Pictures of the in-memory view for corvane-cli.

#include <QImage>
#include <QString>

#include "core/surface.h"

namespace corvane::cli {

// The surface's 0x00BBGGRR pixels as an opaque RGB image of the same size.
QImage surfaceImage(const MemorySurface& surface);

// Writes `image` as PNG to `path`, replacing the file only when complete.
// Returns an empty string on success, otherwise the reason.
QString writePng(const QImage& image, const QString& path);

}  // namespace corvane::cli
