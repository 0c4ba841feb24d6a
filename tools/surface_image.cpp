#include "surface_image.h"

#include <QBuffer>

#include "core/file_io.h"

namespace corvane::cli {

QImage surfaceImage(const MemorySurface& surface) {
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    for (int y = 0; y < surface.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < surface.width(); ++x) {
            Colour c = surface.pixel(x, y);
            line[x] = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
    }
    return image;
}

std::string writePng(const QImage& image, const std::string& path) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return "PNG encoding failed";
    const FileResult written = replaceFile(
        path, std::string_view(encoded.constData(), static_cast<size_t>(encoded.size())));
    return written.reason;
}

}  // namespace corvane::cli
